// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"

// Killers and history of quiet moves, the search's memory of what cut off before. Each
// search thread owns its own tables. Captures and promotions never enter them.

struct KillerEntry {
    Move killers[3];  // slot 0 the best-ranked; from == NO_SQUARE marks an empty slot
    std::uint32_t hits[3];
};

extern constinit thread_local std::uint32_t historyHeuristic[2][16][128];
extern constinit thread_local std::uint32_t historyMax[2];
extern constinit thread_local std::uint32_t successHistoryHeuristic[2][16][128];
extern constinit thread_local std::uint32_t badHistoryHeuristic[2][16][128];
extern constinit thread_local KillerEntry killerMove[2][MAX_PLY];

inline bool isQuiet(const Move* m) { return !(m->flags & (FLAG_CAPTURE | FLAG_PROMOTION)); }

inline std::uint32_t* historyCell(std::uint32_t table[2][16][128], const Move* m)
{
    return &table[m->piece > EMPTY][m->piece & 15][m->to & 127];
}

void updateKillerMove(const Board* board, const Move* m);
void updateHistoryHeuristic(const Move* m, int depth);
void updateBadHistoryHeuristic(const Move* m, int depth);
int getHistoryBonus(const Move* m);      // 0..1000
int getBadHistoryBonus(const Move* m);   // diagnostic
void showKillers(const Board* board);    // diagnostic
// Tables the engine's turn clears after every move it plays and on a new game.
void clearHistoryHeuristic();
void clearKillerMove();
