// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"

// Adds to *nodes the number of legal move sequences of length depth + 1 (depth 0 counts
// the legal moves). The moves of the last level are counted, not made.
void debugPerft(Board* board, std::uint8_t depth, std::uint64_t* nodes);
