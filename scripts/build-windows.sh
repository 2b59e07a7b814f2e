#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds quillmaren.exe and quillmaren-tool.exe for 64-bit Windows with Debian's
# mingw-w64, statically linked (they need no MinGW DLLs). Usage: build-windows.sh [ARCH]
# ARCH is the processor baseline, x86-64-v2 by default (any x86-64 of the last decade);
# the binaries and a zip of the engine with its book land in build-windows/, or in
# build-windows-ARCH/ for another baseline.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
arch=${1:-x86-64-v2}
dir=build-windows
[ "$arch" = x86-64-v2 ] || dir=build-windows-$arch
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq g++-mingw-w64-x86-64-posix >/dev/null
    else
        echo "missing: g++-mingw-w64-x86-64-posix (install it with apt-get as root)" >&2
        exit 1
    fi
fi
command -v cmake >/dev/null || scripts/install-deps.sh
cmake -S . -B "$dir" --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DQUILLMAREN_TESTS=OFF -DQUILLMAREN_ARCH="$arch" >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && cpack >/dev/null)  # the zip: the engine and the tool beside the book and COPYING
ls -l "$dir"/quillmaren.exe "$dir"/quillmaren-tool.exe "$dir"/quillmaren-*.zip
