// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"

// Exchange value of a move for the side making it: captures onto its target square only,
// each side free to stop. Returns the board as it was (but for the last-capture fields).
int see(Board* board, Move* m);
int seeEval(const Board* board);
