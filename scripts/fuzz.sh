#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs each for the given seconds (default 60),
# starting from its committed seed corpus (copied: the run's findings stay outside the tree).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-60}
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-dev >/dev/null
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DQUILLMAREN_FUZZ=ON \
    -DQUILLMAREN_TESTS=OFF -DSANITIZE=address,undefined >/dev/null
cmake --build build-fuzz -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in build-fuzz/fuzz-*; do
    name=${target#build-fuzz/fuzz-}
    mkdir -p "$work/$name"
    cp -r tests/fuzz/corpus/"$name"/. "$work/$name/"
    echo "fuzzing $name for $seconds s"
    (cd "$work" && "$OLDPWD/$target" "$work/$name" -max_total_time="$seconds" -max_len=4096 \
        -artifact_prefix="$work/$name-" 2>&1 | tail -n 3)
done
