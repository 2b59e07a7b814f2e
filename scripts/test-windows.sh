#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows binaries under Debian's wine: perft totals, the bench against the Linux
# build's (the same nodes position by position), and xboard and UCI transcripts through
# pipes (in the UCI one, a timed search must end and an infinite one stop while the engine
# watches its input). Usage: test-windows.sh [build dir], build-windows/ by default (scripts/build-windows.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
dir=${1:-build-windows}
engine=$dir/quillmaren.exe
tool=$dir/quillmaren-tool.exe
[ -f "$engine" ] && [ -f "$tool" ] || { echo "no Windows build in $dir" >&2; exit 2; }
if ! command -v wine >/dev/null; then
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine wine64 >/dev/null
    else
        echo "missing: wine (install wine and wine64 with apt-get as root)" >&2
        exit 1
    fi
fi
# A prefix of its own, made on first use, so that the user's ~/.wine is left alone.
export WINEPREFIX=${WINEPREFIX:-$PWD/$dir/wine} WINEDEBUG=-all
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
# Make the prefix and let its first start settle, then keep one server up for the whole run:
# a client that connects while an idle server is shutting down dies with "wine client error".
wineboot --init >/dev/null 2>&1 || true
wineserver -w
wineserver -p
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Runs a program under wine once more if wine itself, not the program, lost its server.
win() {
    local try
    for try in 1 2; do
        timeout 300 wine "$@" >"$work/out" 2>"$work/err" || true
        grep -q '^wine client error' "$work/err" || break
        echo "wine lost its server; running again: $*" >&2
    done
    cat "$work/err" >&2
    tr -d '\r' <"$work/out"
}

while read -r depth nodes fen; do
    got=$(win "$tool" perft "$fen" "$depth" | tail -1)
    [ "$got" = "nodes $nodes" ] && pass "perft $depth $fen" || fail "perft $depth $fen: $got, not $nodes"
done <<'POSITIONS'
6 119060324 rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1
5 193690690 r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1
6 11030083 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1
5 15833292 r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1
5 89941194 rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8
POSITIONS

# The bench: the Linux Release build's output is the reference, without the times.
if [ ! -x build/quillmaren-tool ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j"$(nproc)" --target quillmaren-tool >/dev/null
fi
strip_times() { sed -E 's/ time +[0-9]+ ms//; s/ nps [0-9]+$//'; }
build/quillmaren-tool bench | strip_times >"$work/bench-linux"
win "$tool" bench | tee "$work/bench-windows.raw" | strip_times >"$work/bench-windows"
if diff "$work/bench-linux" "$work/bench-windows" >/dev/null; then
    pass "tool bench: $(tail -1 "$work/bench-windows.raw")"
else
    fail "tool bench differs from Linux:"; diff "$work/bench-linux" "$work/bench-windows" | head
fi
total=$(tail -1 "$work/bench-linux" | awk '{print $2}')
got=$(win "$engine" bench | tail -1)
[[ $got =~ ^$total\ nodes\ [0-9]+\ nps$ ]] && pass "engine bench: $got" || fail "engine bench: $got"
got=$(win "$engine" --version)
[[ $got == Quillmaren* ]] && pass "--version: $got" || fail "--version: $got"

# transcript NAME STEP...: starts the engine in the repository, beside its book, and plays
# the steps in order: ">LINE" sends a line (with a CRLF end, as Windows GUIs write them),
# "<REGEX" waits up to 60 s for an output line that matches. Then the engine must exit 0.
transcript() {
    local name=$1 step line ok=1
    shift
    coproc ENGINE { timeout 120 wine "$engine" 2>&1; }
    local pid=$ENGINE_PID out=${ENGINE[0]} in=${ENGINE[1]}
    for step; do
        case $step in
        '>'*) printf '%s\r\n' "${step#>}" >&"$in" ;;
        '<'*)
            while IFS= read -r -t 60 line <&"$out"; do
                line=${line%$'\r'}
                echo "$line" >>"$work/$name"
                [[ $line =~ ${step#<} ]] && continue 2
            done
            ok=0
            fail "$name: no line matching '${step#<}'; the engine said:"
            sed 's/^/    /' "$work/$name"
            break
            ;;
        esac
    done
    exec {in}>&-
    cat <&"$out" >>"$work/$name" || true
    local status=0
    wait "$pid" || status=$?
    [ "$status" = 0 ] || { ok=0; fail "$name: exit status $status"; }
    [ "$ok" = 0 ] || pass "$name transcript"
}

transcript xboard '>xboard' '>protover 2' '<^feature .*myname="Quillmaren' '<^feature done=1' \
    '>new' '>force' '>e2e4' '>go' '<\(Book\)$' '<^move [a-h][1-8][a-h][1-8]$' \
    '>setboard 6k1/5ppp/8/8/8/8/1Q3PPP/1R4K1 w - - 0 1' '>st 1' '>go' '<^move b2b8$' '>quit'
transcript uci '>uci' '<^id name Quillmaren' '<^uciok$' '>isready' '<^readyok$' \
    '>position startpos moves e2e4' '>go depth 5' '<^bestmove [a-h][1-8][a-h][1-8]' \
    '>setoption name OwnBook value false' '>go movetime 500' '<^bestmove ' \
    '>go infinite' '<^info depth 6 ' '>isready' '<^readyok$' '>stop' '<^bestmove ' '>quit'

[ "$failures" = 0 ] && echo "Windows build: all checks passed" || echo "Windows build: $failures failed"
[ "$failures" = 0 ]
