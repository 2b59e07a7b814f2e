// SPDX-License-Identifier: GPL-3.0-or-later
#include "timeman.h"

#include <algorithm>

namespace {

constexpr std::int64_t MAX_CLOCK_MS = std::int64_t(1) << 40;

}  // namespace

void uciTimeBudget(std::int64_t time, std::int64_t inc, int movesToGo, std::int64_t overhead,
                   std::int64_t* soft, std::int64_t* hard)
{
    inc = std::clamp<std::int64_t>(inc, 0, MAX_CLOCK_MS);
    // The clock as it will stand over the next moves (the control's, or a horizon for the
    // rest of the game), each of them costing the GUI its overhead besides the search.
    const std::int64_t moves = movesToGo > 0 ? std::min(movesToGo, 50) : 50;
    const std::int64_t usable = std::max<std::int64_t>(time + inc * (moves - 1) - overhead * (moves + 2), 1);
    const std::int64_t target = usable / (movesToGo > 0 ? moves + 2 : 35);
    // Whatever the search does, most of what is on the clock stays there.
    const std::int64_t share = (time - overhead) * (movesToGo == 1 ? 3 : 1) / 4;
    *hard = std::clamp<std::int64_t>(target * 5, 1, std::max<std::int64_t>(share, 1));
    *soft = std::clamp<std::int64_t>(target, 1, *hard);
}
