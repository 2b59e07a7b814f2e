// SPDX-License-Identifier: GPL-3.0-or-later
// The WebAssembly engine under Node through the package's message port: UCI transcripts, then
// the bench, whose "<nodes> nodes <nps> nps" line ends the output.
import assert from 'node:assert/strict';
import {createQuillmaren} from '../dist/engine/index.mjs';

async function start(options) {
  const engine = await createQuillmaren(options);
  const lines = [];
  let waiting = null;
  engine.onmessage = line => {
    lines.push(line);
    if (process.env.DEBUG) console.log(Date.now() % 100000, line.slice(0, 90));
    if (waiting && waiting.test(line)) waiting.resolve(line);
  };
  // The next line matching `pattern` written after `from` (an index into lines).
  engine.expect = (pattern, from = lines.length, ms = 20000) => {
    const seen = lines.slice(from).find(l => pattern.test(l));
    if (seen) return Promise.resolve(seen);
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error(`no ${pattern} in:\n${lines.slice(from).join("\n")}`)), ms);
      waiting = {test: l => pattern.test(l), resolve: l => { clearTimeout(timer); waiting = null; resolve(l); }};
    });
  };
  engine.lines = lines;
  return engine;
}

const sleep = ms => new Promise(r => setTimeout(r, ms));

async function transcript(threads) {
  const e = await start({threads});
  e.postMessage('uci');
  await e.expect(/^uciok$/, 0);
  assert.ok(e.lines.includes('id name Quillmaren v0.1g') || e.lines.some(l => /^id name Quillmaren/.test(l)));
  assert.ok(e.lines.some(l => /^option name OwnBook type check/.test(l)));

  // From the start, on a clock, the book answers at once; out of it, a search to the depth asked.
  let from = e.lines.length;
  e.postMessage('position startpos\ngo wtime 60000 btime 60000');
  assert.match(await e.expect(/^bestmove/, from), /^bestmove (e2e4|d2d4|c2c4|g1f3)\b/);
  assert.ok(e.lines.slice(from).some(l => /^info string book move/.test(l)));
  from = e.lines.length;
  e.postMessage('setoption name OwnBook value false\nposition fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1\ngo depth 5');
  assert.equal(await e.expect(/^bestmove/, from), 'bestmove a1a8');
  assert.ok(e.lines.slice(from).some(l => /^info depth \d+ .*score mate 1 .*pv a1a8/.test(l)));

  // An infinite search answers isready while it runs and ends only on stop.
  e.postMessage('setoption name Threads value 2\nposition startpos moves e2e4\ngo infinite');
  await sleep(600);
  from = e.lines.length;
  e.postMessage('isready');
  await e.expect(/^readyok$/, from);
  await sleep(400);
  assert.ok(!e.lines.some(l => l.startsWith('bestmove') && e.lines.indexOf(l) >= from));
  e.postMessage('stop');
  assert.match(await e.expect(/^bestmove/, from), /^bestmove [a-h][1-8][a-h][1-8]/);

  // Garbage, a stray stop and a ponderhit with no search: ignored, and the engine answers on.
  from = e.lines.length;
  e.postMessage('hello there\n\nstop\nponderhit\nposition fen not a fen\nsetoption name Hash value lots\n'
    + `setoption name Threads value -5\nposition startpos moves e2e5\n${'x'.repeat(300000)}`);
  e.postMessage('isready');
  await e.expect(/^readyok$/, from);
  from = e.lines.length;
  e.postMessage('position startpos moves e2e4 e7e5\ngo ponder movetime 200');
  await sleep(300);
  assert.ok(!e.lines.slice(from).some(l => l.startsWith('bestmove')), 'pondering waits for ponderhit');
  e.postMessage('ponderhit');
  assert.match(await e.expect(/^bestmove/, from), /^bestmove [a-h][1-8][a-h][1-8]/);

  e.postMessage('quit');
  // (The one-thread build's loop ends inside a resumed wait: Node just has nothing left to do.)
  if (threads) assert.equal(await e.exited, 0);
  console.log(`node: UCI transcript passes (${threads ? 'threads' : 'one thread'})`);
}

await transcript(true);
await transcript(false);

// The same build runs the bench; its last line is the figure test frameworks read.
const bench = await start({args: ['bench']});
const code = await bench.exited;
const last = bench.lines[bench.lines.length - 1];
assert.equal(code, 0);
assert.match(last, /^18538550 nodes \d+ nps$/);
console.log(last);
