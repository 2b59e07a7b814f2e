#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs every test: the Release build, then the same suites under AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined
cmake --build build-san -j"$jobs"
QUILLMAREN_SANITIZED=1 ctest --test-dir build-san --output-on-failure -j"$jobs"
