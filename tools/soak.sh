#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak: many fast games under the real xboard GUI, headless, in match mode, against the engine
# itself and against a Debian engine. Prints a summary: games, results, and the abnormal ends
# that must never happen (crashes, illegal moves, time forfeits, false claims, hung games).
#
#   tools/soak.sh [-n GAMES] [-t MINUTES:SECONDS] [-i INCREMENT] [-o OUTDIR] [opponent...]
#
# Opponents: "self" (default: self fairymax) or any xboard engine command on the PATH
# (/usr/games is searched). Needs Debian's xboard and xvfb, plus the opponents' packages.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
games=10 tc=0:05 inc=0.05 out=$root/soak-out
while getopts "n:t:i:o:h" opt; do
    case $opt in
    n) games=$OPTARG ;; t) tc=$OPTARG ;; i) inc=$OPTARG ;; o) out=$OPTARG ;;
    *) sed -n '2,9p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
opponents=("${@:-self}")
[ $# -gt 0 ] || opponents=(self fairymax)
PATH=$PATH:/usr/games
engine=$root/build/quillmaren
[ -x "$engine" ] || cmake --build "$root/build" --target quillmaren >/dev/null
for p in xboard xvfb-run; do command -v $p >/dev/null || { echo "missing: $p" >&2; exit 2; }; done
mkdir -p "$out"

# tc like 0:05 -> seconds, to bound the wall time of one match
seconds=$(( 10#${tc%%:*} * 60 + 10#${tc#*:} ))
for opp in "${opponents[@]}"; do
    if [ "$opp" = self ]; then
        second=$engine secondDir=$root secondName=quillmaren-2
    else
        second=$(command -v "$opp") || { echo "opponent not found: $opp" >&2; exit 2; }
        secondDir=$(mktemp -d) secondName=$opp
    fi
    pgn=$out/$opp.pgn log=$out/$opp.log
    rm -f "$pgn"
    limit=$(( games * (2 * seconds + 300 * ${inc%%.*} + 60) + 120 ))
    echo "soak: quillmaren vs $secondName, $games games, $tc + $inc s, pgn $pgn"
    set +e
    timeout -k 10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" xboard -noGUI \
        -fcp "$engine" -fd "$root" -firstPgnName quillmaren \
        -scp "$second" -sd "$secondDir" -secondPgnName "$secondName" \
        -mg "$games" -tc "$tc" -inc "$inc" -sgf "$pgn" -xexit -saveSettingsOnExit false \
        -matchPause 300 -autoCallFlag true -testClaims true -checkMates true \
        -ponderNextMove false -debug -nameOfDebugFile "$log" -engineDebugOutput 1 \
        >"$out/$opp.xboard.out" 2>&1
    echo "  xboard exit $? (124 = the match hung and was killed)"
    set -e
done

python3 - "$out" "${opponents[@]}" <<'PY'
import re, sys
out, opponents = sys.argv[1], sys.argv[2:]
abnormal = {
    "crash": re.compile(r"disconnect|crash|terminated|exited|died|stall|connection lost", re.I),
    "illegal": re.compile(r"illegal", re.I),
    "time": re.compile(r"on time|time forfeit|flag", re.I),
    "claim": re.compile(r"false|invalid.*claim", re.I),
}
total = {k: 0 for k in list(abnormal) + ["unfinished"]}
for opp in opponents:
    try:
        text = open(f"{out}/{opp}.pgn", errors="replace").read()
    except OSError:
        print(f"{opp}: no games"); total["unfinished"] += 1; continue
    games = [g for g in re.split(r"\n(?=\[Event )", text) if g.strip()]
    score = {"1-0": 0, "0-1": 0, "1/2-1/2": 0, "*": 0}
    counts = {k: 0 for k in total}
    for g in games:
        tags = dict(re.findall(r'^\[(\w+) "(.*)"\]', g, re.M))
        result = tags.get("Result", "*")
        score[result] = score.get(result, 0) + 1
        white_is_us = tags.get("White") == "quillmaren"
        comments = re.findall(r"\{([^}]*)\}", g)
        last = comments[-1] if comments else ""
        if result == "*":
            counts["unfinished"] += 1
            continue
        # against itself every abnormal end is the engine's own
        lost = opp == "self" or (result == "0-1" and white_is_us) or (result == "1-0" and not white_is_us)
        for kind, rx in abnormal.items():
            if rx.search(last) and (lost or kind == "claim" or result == "1/2-1/2"):
                counts[kind] += 1
                break
    wins = sum(1 for g in games if ('"1-0"' in g and '[White "quillmaren"]' in g) or ('"0-1"' in g and '[Black "quillmaren"]' in g))
    print(f"{opp}: {len(games)} games, +{wins} ={score['1/2-1/2']} -{len(games) - wins - score['1/2-1/2'] - score['*']}"
          f" (1-0 {score['1-0']}, 0-1 {score['0-1']}, draws {score['1/2-1/2']}, unfinished {score['*']})")
    print("  abnormal ends charged to quillmaren: " + ", ".join(f"{k} {v}" for k, v in counts.items()))
    for k in total: total[k] += counts[k]
bad = sum(total.values())
print("TOTAL abnormal:", bad, total)
sys.exit(1 if bad else 0)
PY
