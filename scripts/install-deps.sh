#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what a fresh Debian machine lacks to build and test the engine.
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v clang++ >/dev/null || need+=(clang)  # the faster engine (the build's default)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
    else
        echo "missing packages: ${need[*]} (install them with apt-get as root)" >&2
        exit 1
    fi
fi
