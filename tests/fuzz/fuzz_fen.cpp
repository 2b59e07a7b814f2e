// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any text given to the position reader, read as standard chess and as
// Chess960. Every accepted position is walked two plies deep with the board checked after each make and unmake, evaluated, and every
// legal move valued by the exchange search, which must hand the board back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "eval.h"
#include "hash.h"
#include "movegen.h"
#include "see.h"

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

void walk(Board* board, int depth)
{
    MoveList* list = &board->moveLists[board->ply];
    const int n = generateMoves(board, list->moves, 1);
    require(n >= 0 && n < MAX_MOVES);
    (void)eval(board);
    const std::uint64_t key = board->hashKey;
    for (int i = 0; i < n; ++i) {
        Move m = list->moves[i];
        std::uint8_t squares[128];
        std::memcpy(squares, board->squares, sizeof squares);
        const int material = board->material;
        (void)see(board, &m);
        require(std::memcmp(squares, board->squares, sizeof squares) == 0);
        require(material == board->material && boardIsOk(board));
        if (depth == 0) continue;
        makeMove(board, &list->moves[i]);
        updateHashKey(board, &list->moves[i]);
        require(boardIsOk(board));
        walk(board, depth - 1);
        updateHashKey(board, &list->moves[i]);
        unmakeMove(board, &list->moves[i]);
        require(boardIsOk(board) && board->hashKey == key);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Board* board = [] {
        initZobrist();
        Board* b = newBoard();
        setupFen(b, initialPosition);
        return b;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const CastlingRead read : {CASTLING_STANDARD, CASTLING_CHESS960}) {
        if (!setupFen(board, text.c_str(), read)) {
            require(boardIsOk(board));
            continue;
        }
        require(boardIsOk(board));
        getHashkey(board);
        walk(board, 1);
    }
    return 0;
}
