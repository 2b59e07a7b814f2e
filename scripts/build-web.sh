#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the browser engine (WebAssembly, from the same sources as the native one) and the page
# into web/dist/. Needs Debian's emscripten and, for the page, the packages of web/package-lock.json
# (installed here with "npm ci" when web/node_modules is missing).
#   scripts/build-web.sh            engine and page
#   scripts/build-web.sh engine     the engine only (what the Node tests need)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
what=${1:-all}
# Debian keeps the JavaScript optimizer's acorn where its Node does not look by itself.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
out=web/dist
mkdir -p "$out/engine"

sources=()
for f in src/*.cpp; do
  case $f in src/input.cpp) ;; *) sources+=("$f") ;; esac
done
sources+=(web/engine/input_web.cpp)

common=(-std=c++20 -O3 -fno-exceptions -DNDEBUG -Isrc -Wno-pthreads-mem-growth
  -sMODULARIZE=1 -sINVOKE_RUN=0 -sENVIRONMENT=web,worker,node
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB -sMAXIMUM_MEMORY=2GB -sTOTAL_STACK=8MB
  -sEXPORTED_RUNTIME_METHODS=callMain,ccall -sEXIT_RUNTIME=1
  --embed-file quillmaren.bk@/quillmaren.bk)

# Threads: the engine's loop on a thread of its own (PROXY_TO_PTHREAD), search helpers beside
# it. Needs SharedArrayBuffer: Node, or a cross-origin isolated page.
em++ "${common[@]}" -pthread -sUSE_PTHREADS=1 -sPROXY_TO_PTHREAD=1 -sPTHREAD_POOL_SIZE=2 \
  -sDEFAULT_PTHREAD_STACK_SIZE=8MB -sEXPORT_NAME=QuillmarenThreads \
  "${sources[@]}" -o "$out/engine/quillmaren.js" &
# One thread, for pages that are not isolated: Asyncify lets the loop wait for the page.
em++ "${common[@]}" -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=1048576 -sEXPORT_NAME=QuillmarenSingle \
  "${sources[@]}" -o "$out/engine/quillmaren-single.js" &
wait %1
wait %2
cp web/quillmaren/*.js web/quillmaren/*.mjs web/quillmaren/package.json COPYING "$out/engine/"

[ "$what" = engine ] && exit 0
if [ ! -d web/node_modules ]; then (cd web && npm ci --no-audit --no-fund --loglevel=error); fi
(cd web && node build-page.mjs)
