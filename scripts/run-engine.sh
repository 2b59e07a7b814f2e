#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the engine (Release) and starts it in the repository, where its opening book lies,
# ready for a GUI on standard input and output.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
"$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUILLMAREN_TESTS=OFF >&2
cmake --build build -j"$(nproc)" --target quillmaren >&2
exec ./build/quillmaren
