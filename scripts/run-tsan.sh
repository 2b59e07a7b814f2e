#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the engine and its tests under ThreadSanitizer and runs the tests of the parallel
# search (in-process and through UCI with several threads). Kept out of run-tests.sh: the
# build alone takes minutes.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
jobs=$(nproc)
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=thread
cmake --build build-tsan -j"$jobs"
QUILLMAREN_SANITIZED=1 TSAN_OPTIONS=halt_on_error=1 \
    build-tsan/quillmaren-tests --gtest_filter='Threads.*:Uci.Threads*'
