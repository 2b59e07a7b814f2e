// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The time manager of the UCI mode: from the engine's clock and increment in milliseconds,
// the moves to the next time control (0 for the rest of the game), the overhead every move
// costs the GUI and the game's ply, an optimum (the typical move's share) and a maximum (the search stops there).
// Both are at least 1, the optimum at most the maximum, and the maximum stays a safe share of
// the clock.
void uciTimeBudget(std::int64_t time, std::int64_t inc, int movesToGo, std::int64_t overhead, int ply,
                   std::int64_t* optimum, std::int64_t* maximum);

// What the iterations of one managed search have shown: the optimum is stretched while the
// best move changes or the score falls, and shrunk while one move stays best.
struct TimeWatch {
    int bestFrom, bestTo;      // the best move of the last finished depth
    int stableDepths;          // finished depths it has stayed best for
    double changes;            // best-move changes, the older ones counting less
    int scores[4];             // the last finished depths' scores, newest first
    int depthsDone;
    std::int64_t lastDoneAt;   // elapsed milliseconds when the last depth ended
    std::int64_t lastDuration; // and how long that depth took
    std::int64_t prevDuration; // the one before
};

void startTimeWatch(TimeWatch* w);
// After each finished depth (its score inside the window), with the time since the search
// began and its optimum and maximum: whether the next depth should be searched. A depth that
// could not finish before the maximum is not begun: an unfinished one is thrown away.
bool anotherDepth(TimeWatch* w, int bestFrom, int bestTo, int score, std::int64_t elapsed,
                  std::int64_t optimum, std::int64_t maximum);
// The optimum as the watch has scaled it so far.
std::int64_t scaledOptimum(const TimeWatch* w, std::int64_t optimum, std::int64_t maximum);
