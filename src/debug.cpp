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

bool boardIsOk(const Board* board)
{
    int material = 0;
    int onSquares[2] = {0, 0};
    for (int sq = 0; sq < 128; ++sq) {
        const int code = board->squares[sq];
        if (!onBoard(sq)) {
            if (code != OFF_BOARD) return false;
            continue;
        }
        if (code == OFF_BOARD || code > BLACK_KING) return false;
        material += pieceValues[code];
        if (code == EMPTY) continue;
        const int side = code > EMPTY;
        ++onSquares[side];
        const int slot = board->pieceIndex[sq];
        if (slot >= board->pieceListLength[side]) return false;
        const PieceEntry& e = board->pieceList[side][slot];
        if (e.alive != 1 || e.square != sq || e.piece != code) return false;
    }
    if (material != board->material) return false;
    for (int side = 0; side < 2; ++side) {
        if (board->pieceListLength[side] > 24) return false;
        int alive = 0;
        for (int slot = 0; slot < board->pieceListLength[side]; ++slot) {
            const PieceEntry& e = board->pieceList[side][slot];
            if (e.alive != 1) continue;
            ++alive;
            if (board->squares[e.square] != e.piece || board->pieceIndex[e.square] != slot)
                return false;
        }
        if (alive != board->pieceCount[side] || alive != onSquares[side]) return false;
        const int king = side ? BLACK_KING : WHITE_KING;
        if (board->kingSquare[side] != board->pieceList[side][0].square
            || board->squares[board->kingSquare[side]] != king)
            return false;
    }
    return true;
}
