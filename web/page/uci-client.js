// SPDX-License-Identifier: GPL-3.0-or-later
// The page's side of the UCI conversation: one search at a time, the next one starting only
// after the last one's "bestmove", and the "info" lines read into records.

export function parseInfo(line) {
  const words = line.trim().split(/\s+/);
  if (words[0] !== 'info') return null;
  const info = {multipv: 1};
  for (let i = 1; i < words.length; i++) {
    const w = words[i];
    if (['depth', 'seldepth', 'multipv', 'nodes', 'nps', 'time', 'hashfull'].includes(w)) {
      info[w] = Number(words[++i]);
    } else if (w === 'score') {
      const kind = words[++i];
      const value = Number(words[++i]);
      if (kind === 'cp') info.cp = value;
      else if (kind === 'mate') info.mate = value;
      if (words[i + 1] === 'lowerbound' || words[i + 1] === 'upperbound') info.bound = words[++i];
    } else if (w === 'pv') {
      info.pv = words.slice(i + 1);
      break;
    } else if (w === 'string') {
      info.string = words.slice(i + 1).join(' ');
      break;
    }
  }
  return info.depth !== undefined && info.pv ? info : (info.string !== undefined ? info : null);
}

export class UciClient {
  constructor(engine) {
    this.engine = engine;
    this.current = null;   // {onInfo, resolve}: the search whose "bestmove" is awaited
    this.queue = Promise.resolve();
    this.waiters = [];     // resolvers of "readyok"
    this.onLine = null;    // every line, for the console
    this.options = new Set();  // the names of the options the engine offers
    engine.onmessage = line => this.receive(line);
  }

  send(line) {
    this.onLine?.(line, 'in');
    this.engine.postMessage(line);
  }

  receive(line) {
    this.onLine?.(line, 'out');
    if (line === 'readyok') return this.waiters.shift()?.();
    const option = /^option name (.+?) type /.exec(line);
    if (option) this.options.add(option[1]);
    if (line.startsWith('bestmove')) {
      const search = this.current;
      this.current = null;
      const [, move, , ponder] = line.trim().split(/\s+/);
      search?.resolve({move: move === '(none)' || move === '0000' ? null : move, ponder,
        infos: search.infos, book: search.book});
      return;
    }
    const info = this.current && parseInfo(line);
    if (info?.string?.startsWith('book move')) this.current.book = true;
    if (info?.pv) {
      this.current.infos.push(info);
      this.current.onInfo?.(info);
    }
  }

  ready() {
    return new Promise(resolve => {
      this.waiters.push(resolve);
      this.send('isready');
    });
  }

  setOption(name, value) {
    this.send(`setoption name ${name}${value === undefined ? '' : ` value ${value}`}`);
  }

  get searching() { return this.current !== null; }

  // Stops the running search, if any; resolves once its "bestmove" is in.
  stop() {
    if (!this.current) return Promise.resolve();
    const done = this.current.done;
    this.send('stop');
    return done;
  }

  // position: the full "position ..." line; go: the full "go ..." line; options: [name, value]
  // pairs set once the last search is over (those the engine does not offer are left out).
  search(position, go, onInfo, options = []) {
    let resolve;
    const done = new Promise(r => { resolve = r; });
    const start = this.queue.then(async () => {
      await this.stop();
      this.current = {onInfo, resolve, done, infos: []};
      for (const [name, value] of options) if (this.options.has(name)) this.setOption(name, value);
      this.send(position);
      this.send(go);
    });
    this.queue = start.catch(() => {});
    return done;
  }
}
