#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bench signature: the node count a build's bench prints must be the last "Bench: N" of
# the commit log, so a commit that changes the search's nodes without saying so is caught.
# .ci/bench records the same number for clones without that history (an export, a shallow
# clone); it must agree with the log where the log has one.
# Usage: check-bench.sh [BINARY...] (build/quillmaren by default)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
[ $# -gt 0 ] || set -- build/quillmaren
recorded=$(tr -d '[:space:]' < .ci/bench)
logged=""
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
    logged=$(git log --format=%B HEAD | grep -oE '\bBench: [0-9]+' | head -n 1 | grep -oE '[0-9]+$' || true)
fi
if [ -n "$logged" ]; then
    if [ "$logged" != "$recorded" ]; then
        echo "bench signature: the log's last Bench: is $logged, .ci/bench records $recorded; update .ci/bench" >&2
        exit 1
    fi
    expected=$logged source="the commit log"
else
    expected=$recorded source=".ci/bench (no Bench: in the available history)"
fi
status=0
for binary in "$@"; do
    line=$("$binary" bench 2>/dev/null | tail -n 1)
    nodes=${line%% *}
    if [ "$nodes" = "$expected" ]; then
        echo "bench signature: $binary searches $nodes nodes, as $source says"
    else
        echo "bench signature: $binary ends its bench with '$line', but $source says Bench: $expected;" \
             "a commit that changes the nodes says so with Bench: N (and updates .ci/bench)" >&2
        status=1
    fi
done
exit $status
