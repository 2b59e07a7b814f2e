#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays an SPRT between two versions of the engine with a tester given by path:
#   FASTCHESS=/path/to/fastchess scripts/sprt.sh [options] BASE NEW
#   CUTECHESS=/path/to/cutechess-cli scripts/sprt.sh [options] BASE NEW
# BASE and NEW are git revisions of this repository (each is built from a clean export in a
# scratch directory, with the top-level Makefile) or paths to engine binaries. Each must print
# a bench ("<N> nodes <M> nps") before the match starts. H1 says NEW is at least elo1 stronger
# than BASE, H0 that it is at most elo0 stronger.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
    cat <<EOF
usage: FASTCHESS=PATH | CUTECHESS=PATH  $0 [options] BASE NEW

BASE, NEW          git revisions of this repository, or paths to engine binaries
--elo0 E           H0 bound in Elo (default 0)
--elo1 E           H1 bound in Elo (default 5)
--alpha A          false positive rate (default 0.05)
--beta B           false negative rate (default 0.05)
--tc TC            time control, seconds+increment (default 10+0.1)
--concurrency N    games played at once (default 1)
--openings FILE    openings, EPD or PGN by extension (default: none; the engines play
                   from their own book, the repository's quillmaren.bk)
--games N          stop after N games even without a verdict (default 20000)
--hash MB          Hash option of both engines (default 16)
--threads N        Threads option of both engines (default 1)
--arch ARCH        processor of the builds (default native)
--cxx CXX          compiler of the builds (default clang++ where installed, else g++)
--dir DIR          scratch directory: builds, games, log (default \$TMPDIR/quillmaren-sprt)
EOF
    exit 2
}

elo0=0 elo1=5 alpha=0.05 beta=0.05 tc=10+0.1 concurrency=1 openings="" games=20000
hash=16 threads=1 arch=native cxx=$(command -v clang++ >/dev/null && echo clang++ || echo g++) work=${TMPDIR:-/tmp}/quillmaren-sprt
args=()
while [ $# -gt 0 ]; do
    case $1 in
        --elo0) elo0=$2; shift 2 ;;
        --elo1) elo1=$2; shift 2 ;;
        --alpha) alpha=$2; shift 2 ;;
        --beta) beta=$2; shift 2 ;;
        --tc) tc=$2; shift 2 ;;
        --concurrency) concurrency=$2; shift 2 ;;
        --openings) openings=$2; shift 2 ;;
        --games) games=$2; shift 2 ;;
        --hash) hash=$2; shift 2 ;;
        --threads) threads=$2; shift 2 ;;
        --arch) arch=$2; shift 2 ;;
        --cxx) cxx=$2; shift 2 ;;
        --dir) work=$2; shift 2 ;;
        -h|--help) usage ;;
        -*) echo "unknown option: $1" >&2; usage ;;
        *) args+=("$1"); shift ;;
    esac
done
[ ${#args[@]} -eq 2 ] || usage
for n in "$concurrency" "$games" "$hash" "$threads"; do
    [[ $n =~ ^[1-9][0-9]*$ ]] || { echo "not a positive whole number: $n" >&2; exit 2; }
done
for x in "$elo0" "$elo1" "$alpha" "$beta"; do
    [[ $x =~ ^-?[0-9]+(\.[0-9]+)?$ ]] || { echo "not a number: $x" >&2; exit 2; }
done
awk -v a="$elo0" -v b="$elo1" 'BEGIN { exit !(a < b) }' || { echo "elo0 must be below elo1" >&2; exit 2; }

if [ -n "${FASTCHESS:-}" ]; then tester=fastchess; runner=$FASTCHESS
elif [ -n "${CUTECHESS:-}" ]; then tester=cutechess; runner=$CUTECHESS
else echo "name the tester: FASTCHESS=/path/to/fastchess or CUTECHESS=/path/to/cutechess-cli" >&2; exit 2
fi
[ -x "$runner" ] || { echo "not an executable: $runner" >&2; exit 2; }
format=""
if [ -n "$openings" ]; then
    [ -r "$openings" ] || { echo "cannot read the openings: $openings" >&2; exit 2; }
    openings=$(cd "$(dirname "$openings")" && pwd)/$(basename "$openings")
    case ${openings,,} in
        *.epd) format=epd ;;
        *.pgn) format=pgn ;;
        *) echo "openings must be .epd or .pgn: $openings" >&2; exit 2 ;;
    esac
fi

mkdir -p "$work/bin" "$work/engine"
work=$(cd "$work" && pwd)

# Prints the path of a binary for a revision or a given binary; builds a revision once per
# commit and compiler settings, from "git archive", so the working tree is never touched.
engine_for() {
    local arg=$1 sha src out
    if [ -f "$arg" ] && [ -x "$arg" ]; then
        echo "$(cd "$(dirname "$arg")" && pwd)/$(basename "$arg")"
        return
    fi
    sha=$(git -C "$here" rev-parse --verify --quiet "$arg^{commit}") ||
        { echo "neither a binary nor a revision: $arg" >&2; return 1; }
    out=$work/bin/quillmaren-${sha:0:12}-$arch-$(basename "$cxx")
    if [ ! -x "$out" ]; then
        src=$(mktemp -d "$work/src.XXXXXX")
        git -C "$here" archive --format=tar "$sha" | tar -x -C "$src"
        echo "building $arg (${sha:0:12}) in $src" >&2
        if [ -f "$src/Makefile" ]; then
            make -C "$src" EXE="$out" ARCH="$arch" CXX="$cxx" JOBS="$(nproc)" >"$src.log" 2>&1
        else
            { CXX=$cxx cmake -S "$src" -B "$src/build" -DCMAKE_BUILD_TYPE=Release -DQUILLMAREN_TESTS=OFF \
                  -DQUILLMAREN_ARCH="$arch" &&
              cmake --build "$src/build" -j"$(nproc)" --target quillmaren &&
              cp "$src/build/quillmaren" "$out"; } >"$src.log" 2>&1
        fi || { echo "the build of $arg failed; its log: $src.log" >&2; return 1; }
        rm -rf "$src" "$src.log"
    fi
    echo "$out"
}

# The bench's last line, "<N> nodes <M> nps", proves the binary starts and searches.
bench_of() {
    local line
    line=$(cd "$work/engine" && timeout 600 "$1" bench 2>/dev/null | tail -n 1) || true
    [[ $line =~ ^[0-9]+\ nodes\ [0-9]+\ nps$ ]] || { echo "no bench from $1 (last line: '$line')" >&2; return 1; }
    echo "$line"
}

base_bin=$(engine_for "${args[0]}")
new_bin=$(engine_for "${args[1]}")
base_bench=$(bench_of "$base_bin")
new_bench=$(bench_of "$new_bin")
echo "base ${args[0]}: $base_bin: $base_bench"
echo "new  ${args[1]}: $new_bin: $new_bench"

cp "$here/quillmaren.bk" "$work/engine/"
stamp=$(date +%Y%m%d-%H%M%S)
pgn=$work/sprt-$stamp.pgn
log=$work/sprt-$stamp.log
each=(proto=uci tc="$tc" dir="$work/engine" option.Hash="$hash" option.Threads="$threads")
[ -n "$openings" ] && each+=(option.OwnBook=false)
cmd=("$runner"
     -engine cmd="$new_bin" name=new
     -engine cmd="$base_bin" name=base
     -each "${each[@]}"
     -games 2 -rounds $(( (games + 1) / 2 )) -repeat -concurrency "$concurrency"
     -draw movenumber=40 movecount=8 score=10 -resign movecount=3 score=400
     -ratinginterval 10 -pgnout file="$pgn")
[ -n "$openings" ] && cmd+=(-openings file="$openings" format="$format" order=random)
if [ $tester = fastchess ]; then
    cmd+=(-sprt elo0="$elo0" elo1="$elo1" alpha="$alpha" beta="$beta" model=logistic)
else
    cmd+=(-sprt elo0="$elo0" elo1="$elo1" alpha="$alpha" beta="$beta")
fi
echo "${cmd[*]}" >"$log"
echo "playing: log $log, games $pgn"
# Run in the scratch directory, where fastchess saves its state (config.json). The log keeps
# everything; the terminal is spared fastchess's note on every book move.
(cd "$work" && "${cmd[@]}") 2>&1 | tee -a "$log" | { grep --line-buffered -v 'No info line available' || true; }


# The summary: results and Elo from the games themselves, the LLR and verdict as the tester
# gave them last (fastchess: "LLR: x (..%) (lower, upper)"; cutechess-cli: "SPRT: llr x ...").
llr=$(grep -oE '(LLR: |SPRT: llr )-?[0-9.]+' "$log" | tail -n 1 | grep -oE -- '-?[0-9.]+$' || true)
verdict=$(grep -oE 'H[01] was accepted' "$log" | tail -n 1 || true)
echo
echo "=== SPRT new (${args[1]}) against base (${args[0]}), tc $tc, [$elo0, $elo1], alpha $alpha, beta $beta"
awk -v llr="$llr" -v verdict="$verdict" -v alpha="$alpha" -v beta="$beta" '
    /^\[White "/ { white = tag($0) }
    /^\[Result "/ {
        r = tag($0)
        if (r == "1/2-1/2") d++
        else if (r == "1-0" || r == "0-1") { if ((r == "1-0") == (white == "new")) w++; else l++ }
    }
    /^\[Termination "/ { term[tag($0)]++ }
    END {
        n = w + l + d
        printf "games %d: new won %d, lost %d, drew %d\n", n, w, l, d
        if (n > 0) {
            s = (w + d / 2) / n
            v = (w * (1 - s) ^ 2 + l * s ^ 2 + d * (0.5 - s) ^ 2) / n
            se = sqrt(v / n)
            lo = s - 1.96 * se; hi = s + 1.96 * se
            if (s <= 0 || s >= 1) printf "score %.1f%%: Elo beyond measure\n", 100 * s
            else {
                if (lo <= 0) lo = 1e-9
                if (hi >= 1) hi = 1 - 1e-9
                printf "score %.1f%%, Elo %+.1f +/- %.1f (95%%, from the game results)\n", 100 * s, elo(s) + 0, (elo(hi) - elo(lo)) / 2
            }
        }
        for (t in term) printf "termination \"%s\": %d\n", t, term[t]
        printf "LLR %s, bounds (%.2f, %.2f)\n", llr == "" ? "?" : llr, log(beta / (1 - alpha)), log((1 - beta) / alpha)
        if (verdict ~ /H1/) print "verdict: H1 accepted, new passes"
        else if (verdict ~ /H0/) print "verdict: H0 accepted, new fails"
        else print "verdict: none, the games cap came first"
    }
    function elo(p) { return -400 * log(1 / p - 1) / log(10) }
    function tag(line) { sub(/^[^"]*"/, "", line); sub(/"[^"]*$/, "", line); return line }
' "$pgn"
