// SPDX-License-Identifier: GPL-3.0-or-later
// The Web Worker that hosts the engine in a page (see index.mjs): lines in by message, one
// message per line out. Classic worker: the Emscripten loader is a classic script.
let module = null;
let pending = [];

function drain() {
  while (module && pending.length) {
    if (!module.ccall('quillmarenInput', 'number', ['string'], [pending[0]])) {
      setTimeout(drain, 5);
      return;
    }
    pending.shift();
    const wake = module.wakeEngine;
    module.wakeEngine = null;
    wake?.();
  }
}

function start({script, exportName, args}) {
  try {
    importScripts(script);
  } catch (e) {
    postMessage({error: `Quillmaren failed to load ${script}: ${e.message}`});
    return;
  }
  self[exportName]({
    print: line => postMessage(line),
    printErr: line => postMessage({log: line}),
    mainScriptUrlOrBlob: script,  // the threads' workers load the engine from there too
    quit: status => postMessage({exit: status}),
    onAbort: what => postMessage({error: `Quillmaren stopped: ${what}`}),
  }).then(m => {
    module = m;
    postMessage({ready: true});
    m.callMain(args);
    drain();
  }, e => postMessage({error: `Quillmaren failed to load: ${e?.message ?? e}`}));
}

onmessage = ({data}) => {
  if (typeof data === 'object') return start(data);
  pending.push(...String(data).split('\n'));
  drain();
};
