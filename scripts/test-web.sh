#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the browser engine and page (scripts/build-web.sh) and tests them: the page in Debian's
# chromium (a game to its end, its review, analysis, bad input; threads and one thread), then
# the engine under Node (UCI transcripts and the bench, whose "<N> nodes <M> nps" line ends the
# output). Installs what a fresh Debian machine lacks: emscripten, chromium, nodejs and npm,
# and the page's packages from web/package-lock.json.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
need=()
command -v em++ >/dev/null || need+=(emscripten)
command -v chromium >/dev/null || need+=(chromium)
command -v node >/dev/null || need+=(nodejs)
command -v npm >/dev/null || need+=(npm)
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
    else
        echo "missing packages: ${need[*]} (install them with apt-get as root)" >&2
        exit 1
    fi
fi
# The lock file's packages, again whenever it changed since the last install.
if [ ! -f web/node_modules/.package-lock.json ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
    (cd web && npm ci --no-audit --no-fund --loglevel=error)
fi
scripts/build-web.sh
node web/tests/browser.test.mjs
node web/tests/node.test.mjs
