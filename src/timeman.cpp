// SPDX-License-Identifier: GPL-3.0-or-later
#include "timeman.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int64_t MAX_CLOCK_MS = std::int64_t(1) << 40;
constexpr int HORIZON_MOVES = 50;         // a game without a control is planned this far ahead
// The optimum's share of that horizon's time grows with the game: the first moves are
// often easy, and time kept for the middlegame is worth more.
constexpr double SHARE_BASE = 0.010;
constexpr double SHARE_GROWTH = 0.0035;  // times the square root of the game's ply
constexpr double SHARE_OF_CLOCK_MOST = 0.2;
constexpr int MAXIMUM_TIMES_OPTIMUM = 5;
constexpr int OVERHEAD_MOVES = 5;         // moves of overhead kept in reserve without a control

// Scaling of the optimum between depths.
constexpr double STABLE_MOST = 0.70;      // one move best for many depths
constexpr double STABLE_STEP = 0.06;      // per depth it has stayed best, from 1.24
constexpr double UNSTABLE_START = 1.24;
constexpr double CHANGE_WEIGHT = 0.45;    // per (decayed) best-move change
constexpr double CHANGE_DECAY = 0.55;     // per depth
constexpr double FALL_PER_CP = 0.012;     // per centipawn lost since a few depths back
constexpr double FALL_MOST = 1.6;
constexpr double RISE_LEAST = 0.85;
constexpr double GROWTH_LEAST = 1.6;      // the next depth takes at least this times the last
constexpr double GROWTH_MOST = 4.0;

}  // namespace

void uciTimeBudget(std::int64_t time, std::int64_t inc, int movesToGo, std::int64_t overhead, int ply,
                   std::int64_t* optimum, std::int64_t* maximum)
{
    inc = std::clamp<std::int64_t>(inc, 0, MAX_CLOCK_MS);
    time = std::clamp<std::int64_t>(time, 0, MAX_CLOCK_MS);
    overhead = std::clamp<std::int64_t>(overhead, 0, MAX_CLOCK_MS);
    // The clock as it will stand over the next moves, the control's or a horizon's. Each of
    // a control's moves costs the GUI's overhead; without a control the overhead is a reserve,
    // a few moves' worth, not the horizon's, which would starve a short game with a cautious
    // setting.
    const std::int64_t moves = movesToGo > 0 ? std::min(movesToGo, HORIZON_MOVES) : HORIZON_MOVES;
    const std::int64_t charged = movesToGo > 0 ? moves + 2 : OVERHEAD_MOVES;
    const std::int64_t usable = std::max<std::int64_t>(time + inc * (moves - 1) - overhead * charged, 1);
    std::int64_t target = usable / (moves + 2);
    if (movesToGo <= 0) {
        const double portion = SHARE_BASE + SHARE_GROWTH * std::sqrt(double(std::clamp(ply, 0, 1000) + 3));
        target = std::int64_t(std::min(double(usable) * portion, double(time) * SHARE_OF_CLOCK_MOST));
    }
    // Whatever the search does, most of what is on the clock stays there.
    const std::int64_t share = std::max<std::int64_t>(time - overhead, 1) * (movesToGo == 1 ? 3 : 1) / 4;
    *maximum = std::clamp<std::int64_t>(target * MAXIMUM_TIMES_OPTIMUM, 1, std::max<std::int64_t>(share, 1));
    *optimum = std::clamp<std::int64_t>(target, 1, *maximum);
}

void startTimeWatch(TimeWatch* w) { *w = {-1, -1, 0, 0.0, {}, 0, 0, 0, 0}; }

std::int64_t scaledOptimum(const TimeWatch* w, std::int64_t optimum, std::int64_t maximum)
{
    const double stability = std::max(STABLE_MOST, UNSTABLE_START - STABLE_STEP * w->stableDepths);
    const double instability = 1.0 + CHANGE_WEIGHT * w->changes;
    // Against the score a few depths back: a falling score is a threat still being found.
    double fall = 1.0;
    if (w->depthsDone >= 2) {
        const int back = std::min(w->depthsDone, 4) - 1;
        fall = std::clamp(1.0 + FALL_PER_CP * (w->scores[back] - w->scores[0]), RISE_LEAST, FALL_MOST);
    }
    const double scaled = double(optimum) * stability * instability * fall;
    return std::clamp<std::int64_t>(std::int64_t(scaled), 1, maximum);
}

bool anotherDepth(TimeWatch* w, int bestFrom, int bestTo, int score, std::int64_t elapsed,
                  std::int64_t optimum, std::int64_t maximum)
{
    w->changes *= CHANGE_DECAY;
    if (w->depthsDone > 0 && (bestFrom != w->bestFrom || bestTo != w->bestTo)) {
        w->changes += 1.0;
        w->stableDepths = 0;
    } else if (w->depthsDone > 0) {
        ++w->stableDepths;
    }
    w->bestFrom = bestFrom;
    w->bestTo = bestTo;
    for (int i = 3; i > 0; --i) w->scores[i] = w->scores[i - 1];
    w->scores[0] = score;
    ++w->depthsDone;
    w->prevDuration = w->lastDuration;
    w->lastDuration = elapsed - w->lastDoneAt;
    w->lastDoneAt = elapsed;

    if (elapsed >= scaledOptimum(w, optimum, maximum)) return false;
    double growth = GROWTH_LEAST;
    if (w->prevDuration > 0) growth = std::clamp(double(w->lastDuration) / double(w->prevDuration), GROWTH_LEAST, GROWTH_MOST);
    return double(elapsed) + growth * double(w->lastDuration) <= double(maximum);
}
