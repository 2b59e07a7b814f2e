#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds quillmaren.exe and quillmaren-tool.exe for 64-bit Windows on Debian's
# mingw-w64 (compiled by clang++ where installed), statically linked (they need no MinGW
# DLLs). Usage: build-windows.sh [ARCH]
# ARCH is the processor baseline, x86-64-v2 by default (any x86-64 of the last decade);
# the binaries and a zip of the engine with its book land in build-windows/, or in
# build-windows-ARCH/ for another baseline.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
arch=${1:-x86-64-v2}
dir=build-windows
[ "$arch" = x86-64-v2 ] || dir=build-windows-$arch
# MinGW's headers and libraries, and clang++ with lld to compile against them (the toolchain
# file falls back to MinGW's g++ without them).
need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v clang++ >/dev/null || need+=(clang)
command -v ld.lld >/dev/null || need+=(lld)
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
    elif ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
        echo "missing: ${need[*]} (install them with apt-get as root)" >&2
        exit 1
    fi
fi
command -v cmake >/dev/null || scripts/install-deps.sh
cmake -S . -B "$dir" --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DQUILLMAREN_TESTS=OFF -DQUILLMAREN_ARCH="$arch" >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && cpack >/dev/null)  # the zip: the engine and the tool beside the book and COPYING
ls -l "$dir"/quillmaren.exe "$dir"/quillmaren-tool.exe "$dir"/quillmaren-*.zip
