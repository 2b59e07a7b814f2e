#pragma once
#include <cstdint>

#include "board.h"

struct PvLine {
    std::uint32_t length;
    Move moves[MAX_PLY];
};

// Finds the engine's move within timeLimit milliseconds (a soft target; the hard limit is
// five times it). hardCap > 0 bounds every limit, doubling included: the protocol's time
// per move must never be overrun. Prints the thinking lines. Always returns a legal move
// when the position has one.
void search(Board* board, Move* result, std::int32_t timeLimit, std::int32_t hardCap = 0);

// Tables the engine's turn clears after every move it plays and on a new game.
void clearHistoryHeuristic();
void clearKillerMove();
