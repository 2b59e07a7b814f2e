// SPDX-License-Identifier: GPL-3.0-or-later
// Quillmaren as a UCI engine in a page or in Node:
//   const engine = await createQuillmaren();
//   engine.onmessage = line => console.log(line);   // one call per line the engine writes
//   engine.postMessage('uci');                       // one or more lines in
// In a page the engine runs in a Web Worker: with threads when the page is cross-origin
// isolated (SharedArrayBuffer), else in the one-thread build. In Node it runs in-process.

const inNode = typeof process === 'object' && !!process.versions?.node && typeof window === 'undefined';
const BUILDS = {
  threads: {file: 'quillmaren', exportName: 'QuillmarenThreads'},
  single: {file: 'quillmaren-single', exportName: 'QuillmarenSingle'},
};

// options.threads: false forces the one-thread build. options.base: the URL of the directory
// holding the engine's files (this module's own by default; a bundled page passes its own).
// options.args: command line of the run, e.g. ['bench'] (the engine then ends by itself).
export async function createQuillmaren(options = {}) {
  const engine = new Engine();
  const base = options.base ? new URL(options.base, globalThis.location?.href) : new URL('./', import.meta.url);
  const threads = options.threads ?? (inNode || globalThis.crossOriginIsolated === true);
  const build = BUILDS[threads ? 'threads' : 'single'];
  engine.threads = threads;
  await (inNode ? startInNode : startInBrowser)(engine, base, build, options.args ?? []);
  return engine;
}

class Engine {
  constructor() {
    this.listener = null;
    this.early = [];        // lines written before onmessage was set (a run with args starts at once)
    this.onerror = null;    // (text) => ..., the engine failed or ended unexpectedly
    this.exited = new Promise(resolve => { this.exit = resolve; });
    this.pending = [];
  }
  postMessage(text) {
    for (const line of String(text).split(/\r?\n/)) this.pending.push(line);
    this.drain();
  }
  // (line) => ..., every line the engine writes
  get onmessage() { return this.listener; }
  set onmessage(listener) {
    this.listener = listener;
    if (listener) for (const line of this.early.splice(0)) listener(line);
  }
  deliver(line) { this.listener ? this.listener(line) : this.early.push(line); }
  fail(text) { this.onerror ? this.onerror(text) : console.error(text); }
}

async function startInBrowser(engine, base, build, args) {
  const worker = new Worker(new URL('engine-worker.js', base));
  engine.drain = () => { worker.postMessage(engine.pending.join('\n')); engine.pending = []; };
  engine.terminate = () => { worker.terminate(); engine.exit(null); };
  await new Promise((resolve, reject) => {
    worker.onerror = event => {
      event.preventDefault?.();
      const text = `Quillmaren failed to load: ${event.message || 'the worker could not start'}`;
      reject(new Error(text));
      engine.fail(text);
    };
    worker.onmessage = ({data}) => {
      if (typeof data === 'string') return engine.deliver(data);
      if (data.ready) resolve();
      if (data.error) { reject(new Error(data.error)); engine.fail(data.error); }
      if (data.log) console.warn(data.log);
      if ('exit' in data) engine.exit(data.exit);
    };
    worker.postMessage({script: new URL(build.file + '.js', base).href, exportName: build.exportName, args});
  });
}

async function startInNode(engine, base, build, args) {
  const {createRequire} = await import('node:module');
  const {readFileSync} = await import('node:fs');
  const {fileURLToPath} = await import('node:url');
  const script = fileURLToPath(new URL(build.file + '.js', base));
  const factory = createRequire(import.meta.url)(script);
  const module = await factory({
    print: line => engine.deliver(line),
    printErr: line => console.warn(line),
    // Node 20's loader would fetch() the file path; hand it the bytes instead.
    wasmBinary: readFileSync(new URL(build.file + '.wasm', base)),
    quit: status => engine.exit(status),
    onAbort: what => engine.fail(`Quillmaren stopped: ${what}`),
  });
  engine.drain = () => feed(module, engine.pending, engine.drain);
  engine.terminate = () => module.ccall('quillmarenInputEnd', null, [], []);
  module.callMain(args);
  engine.drain();
}

// Hands queued lines to the engine; what does not fit now goes on a moment later.
function feed(module, pending, again) {
  while (pending.length) {
    if (!module.ccall('quillmarenInput', 'number', ['string'], [pending[0]])) {
      setTimeout(again, 5);
      return;
    }
    pending.shift();
    const wake = module.wakeEngine;  // the one-thread build waits for this
    module.wakeEngine = null;
    wake?.();
  }
}
