// SPDX-License-Identifier: GPL-3.0-or-later
// Bundles the page into dist/ beside the engine (dist/engine/, built by scripts/build-web.sh),
// with a service worker that keeps every file for use offline.
import * as esbuild from 'esbuild';
import {copyFileSync, renameSync, readdirSync, writeFileSync, readFileSync} from 'node:fs';
import {createHash} from 'node:crypto';

const dist = new URL('./dist/', import.meta.url);
await esbuild.build({
  entryPoints: ['page/main.js', 'page/app.css'],
  entryNames: '[name]',
  bundle: true,
  minify: true,
  format: 'esm',
  target: 'es2022',
  outdir: 'dist',
  external: ['node:*'],  // the wrapper's Node branch, never taken in a page
  logLevel: 'warning',
});
copyFileSync('page/index.html', 'dist/index.html');
// The bundle is app.js; esbuild names it after its entry.
renameSync('dist/main.js', 'dist/app.js');

const files = ['./', 'index.html', 'app.js', 'app.css',
  ...readdirSync(new URL('engine/', dist)).map(f => `engine/${f}`)];
const hash = createHash('sha256');
for (const f of files.slice(1)) hash.update(readFileSync(new URL(f, dist)));
writeFileSync(new URL('sw.js', dist), `// Keeps the page and the engine for use offline: the network first, the cache without it.
const CACHE = 'quillmaren-${hash.digest('hex').slice(0, 12)}';
const FILES = ${JSON.stringify(files)};
self.addEventListener('install', e => e.waitUntil(caches.open(CACHE).then(c => c.addAll(FILES)).then(() => self.skipWaiting())));
self.addEventListener('activate', e => e.waitUntil(caches.keys().then(keys =>
  Promise.all(keys.filter(k => k !== CACHE).map(k => caches.delete(k)))).then(() => self.clients.claim())));
self.addEventListener('fetch', e => {
  if (e.request.method !== 'GET' || new URL(e.request.url).origin !== location.origin) return;
  e.respondWith(fetch(e.request).then(r => {
    const copy = r.clone();
    if (r.ok) caches.open(CACHE).then(c => c.put(e.request, copy));
    return r;
  }).catch(() => caches.match(e.request, {ignoreSearch: true})));
});
`);
