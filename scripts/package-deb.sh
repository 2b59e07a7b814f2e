#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (quillmaren_VERSION_amd64.deb, in build-deb/) for a portable
# processor baseline. Usage: package-deb.sh [ARCH], x86-64-v2 by default (any x86-64 of
# the last decade); another baseline builds in build-deb-ARCH/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
arch=${1:-x86-64-v2}
dir=build-deb
[ "$arch" = x86-64-v2 ] || dir=build-deb-$arch
scripts/install-deps.sh
command -v dpkg-shlibdeps >/dev/null || {
    if [ "$(id -u)" = 0 ]; then apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq dpkg-dev >/dev/null
    else echo "missing: dpkg-dev (install it with apt-get as root)" >&2; exit 1; fi
}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQUILLMAREN_TESTS=OFF -DQUILLMAREN_ARCH="$arch" >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && cpack -G DEB)
