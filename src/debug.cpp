// SPDX-License-Identifier: GPL-3.0-or-later
#include "debug.h"

#include "movegen.h"

void debugPerft(Board* board, std::uint8_t depth, std::uint64_t* nodes)
{
    MoveList* list = &board->moveLists[board->ply];
    const int n = generateMoves(board, list->moves, 1);
    if (depth == 0) {
        *nodes += std::uint64_t(n);
        return;
    }
    for (int i = 0; i < n; ++i) {
        makeMove(board, &list->moves[i]);
        debugPerft(board, std::uint8_t(depth - 1), nodes);
        unmakeMove(board, &list->moves[i]);
    }
}
