#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "movegen.h"
#include "see.h"
#include "test_support.h"

namespace {

struct SeeCase {
    const char* fen;
    const char* move;
    int checkLegal;  // 0 where the move is refused as illegal by the legal generator
    int value;
    const char* what;
};

const SeeCase seeCases[] = {
    {"4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 1, 320, "pawn takes an undefended knight"},
    {"4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 1, 220, "pawn takes a defended knight"},
    {"4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", 1, -950, "queen takes a defended pawn"},
    {"4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1f3", 1, -320, "quiet knight onto a pawn's square"},
    {"4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1h3", 1, 0, "quiet knight nobody attacks"},
    {"4k3/8/8/8/8/1n6/3p4/4K3 w - - 0 1", "e1d2", 0, -32000, "king takes a defended pawn"},
    {"3r2k1/8/8/3r4/8/8/3R4/3R2K1 w - - 0 1", "d2d5", 1, 540, "a second rook behind the first"},
    {"3r2k1/8/8/3r4/8/8/3R4/6K1 w - - 0 1", "d2d5", 1, 0, "rook takes rook, recaptured"},
    {"4k3/8/8/8/8/8/4K3/R6r w - - 0 1", "a1h1", 1, 540, "rook takes a rook along a rank"},
    {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8q", 1, 540, "a promotion counts the victim only"},
    {"4k3/8/8/3q4/4P3/5P2/8/4K3 b - - 0 1", "d5e4", 1, -950, "Black queen takes a defended pawn"},
};

// Everything but the last-capture fields and the stale indices of emptied squares.
auto boardState(const Board* b)
{
    return std::make_tuple(b->pieceCount[0], b->pieceCount[1], b->kingSquare[0], b->kingSquare[1],
        b->hashKey, b->hashKey2, b->ply, b->gamePly, b->material, b->epSquare, b->castlingRights,
        b->sideToMove);
}

TEST(See, ExchangesWorkedOutByHandLeaveTheBoardAsItWas)
{
    for (const SeeCase& c : seeCases) {
        auto board = boardFromFen(c.fen);
        auto before = boardFromFen(c.fen);
        Move moves[MAX_MOVES];
        const int n = generateMoves(board.get(), moves, std::uint8_t(c.checkLegal));
        char name[8];
        int i = 0;
        while (i < n && std::strcmp(moveToString(&moves[i], name), c.move)) ++i;
        ASSERT_LT(i, n) << "no move " << c.move;
        EXPECT_EQ(see(board.get(), &moves[i]), c.value) << c.what;
        EXPECT_EQ(boardState(board.get()), boardState(before.get())) << c.what;
        EXPECT_EQ(std::memcmp(board->squares, before->squares, sizeof board->squares), 0) << c.what;
        EXPECT_EQ(std::memcmp(board->pieceList, before->pieceList, sizeof board->pieceList), 0)
            << c.what;
        for (int sq = 0; sq < 128; ++sq)
            if (onBoard(sq) && board->squares[sq] != EMPTY) {
                EXPECT_EQ(board->pieceIndex[sq], before->pieceIndex[sq]) << c.what;
            }
    }
}

}  // namespace
