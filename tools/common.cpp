// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "hash.h"
#include "tool.h"

void toolInit() { initZobrist(); }

Board* toolBoard(const char* fen)
{
    Board* board = newBoard();
    // A castling field naming rooks' files is Chess960's, and so is the moves' castling.
    const char* problem = "";
    if (!setupFen(board, fen, CASTLING_BY_FIELD, &problem)) {
        std::fprintf(stderr, "quillmaren-tool: position refused (%s): %s\n", problem, fen);
        delete board;
        return nullptr;
    }
    if (board->chess960) board->castlingStyle = CASTLING_KING_TAKES_ROOK;
    getHashkey(board);
    return board;
}

int toolUsage(const char* message)
{
    std::fprintf(stderr, "quillmaren-tool: %s\n", message);
    return 2;
}
