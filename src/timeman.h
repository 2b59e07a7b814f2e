// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The time manager of the UCI mode: from the engine's clock and increment in milliseconds,
// the moves to the next time control (0 for the rest of the game) and the overhead every move
// costs the GUI, a soft budget (no iteration starts past it) and a hard limit (the search
// stops there). Both are at least 1 and the hard limit stays a safe share of the clock.
void uciTimeBudget(std::int64_t time, std::int64_t inc, int movesToGo, std::int64_t overhead,
                   std::int64_t* soft, std::int64_t* hard);
