#include <gtest/gtest.h>

#include <cstring>

#include "movegen.h"
#include "see.h"
#include "test_support.h"

namespace {

// The move with this text among the moves of the side to move (legal ones unless
// checkLegal is 0); fails the test when there is none.
Move findMove(Board* board, const char* text, int checkLegal = 1)
{
    Move moves[MAX_MOVES];
    const int n = generateMoves(board, moves, std::uint8_t(checkLegal));
    char name[8];
    for (int i = 0; i < n; ++i)
        if (!std::strcmp(moveToString(&moves[i], name), text)) return moves[i];
    ADD_FAILURE() << "no move " << text;
    return NO_MOVE;
}

struct SeeCase {
    const char* fen;
    const char* move;
    int checkLegal;
    int value;
    const char* what;
};

const SeeCase seeCases[] = {
    {"4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 1, 320, "pawn takes an undefended knight"},
    {"4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 1, 220,
        "pawn takes a knight defended by a pawn"},
    {"4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", 1, -950,
        "queen takes a pawn defended by a pawn"},
    {"4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1f3", 1, -320,
        "quiet knight move onto a pawn's square"},
    {"4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1h3", 1, 0, "quiet knight move nobody attacks"},
    {"4k3/8/8/8/8/1n6/3p4/4K3 w - - 0 1", "e1d2", 0, -32000, "king takes a pawn a knight defends"},
    {"3r2k1/8/8/3r4/8/8/3R4/3R2K1 w - - 0 1", "d2d5", 1, 540,
        "rook takes rook, second rook behind"},
    {"3r2k1/8/8/3r4/8/8/3R4/6K1 w - - 0 1", "d2d5", 1, 0, "rook takes rook, recaptured"},
    {"4k3/8/8/8/8/8/4K3/R6r w - - 0 1", "a1h1", 1, 540, "rook takes a rook along a rank"},
    {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", 1, 0,
        "quiet promotion is not counted by the mover"},
    {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8q", 1, 540,
        "promotion capture counts the victim only"},
    {"4k3/8/8/3q4/4P3/8/8/4K3 b - - 0 1", "d5e4", 1, 100, "Black queen takes an undefended pawn"},
    {"4k3/8/8/3q4/4P3/5P2/8/4K3 b - - 0 1", "d5e4", 1, -950, "Black queen takes a defended pawn"},
};

TEST(See, ExchangeValuesWorkedOutByHand)
{
    for (const SeeCase& c : seeCases) {
        auto board = boardFromFen(c.fen);
        Move m = findMove(board.get(), c.move, c.checkLegal);
        if (m.from == NO_SQUARE) continue;
        EXPECT_EQ(see(board.get(), &m), c.value) << c.what;
    }
}

// Everything but the last-capture fields and stale indices of empty squares comes back.
TEST(See, LeavesTheBoardAsItWas)
{
    for (const SeeCase& c : seeCases) {
        auto board = boardFromFen(c.fen);
        auto before = boardFromFen(c.fen);
        Move m = findMove(board.get(), c.move, c.checkLegal);
        if (m.from == NO_SQUARE) continue;
        see(board.get(), &m);
        EXPECT_EQ(std::memcmp(board->squares, before->squares, sizeof board->squares), 0) << c.what;
        EXPECT_EQ(std::memcmp(board->pieceList, before->pieceList, sizeof board->pieceList), 0)
            << c.what;
        for (int sq = 0; sq < 128; ++sq)
            if (onBoard(sq) && board->squares[sq] != EMPTY) {
                EXPECT_EQ(board->pieceIndex[sq], before->pieceIndex[sq]) << c.what;
            }
        EXPECT_EQ(board->pieceCount[0], before->pieceCount[0]) << c.what;
        EXPECT_EQ(board->pieceCount[1], before->pieceCount[1]) << c.what;
        EXPECT_EQ(board->kingSquare[0], before->kingSquare[0]) << c.what;
        EXPECT_EQ(board->kingSquare[1], before->kingSquare[1]) << c.what;
        EXPECT_EQ(board->hashKey, before->hashKey) << c.what;
        EXPECT_EQ(board->hashKey2, before->hashKey2) << c.what;
        EXPECT_EQ(board->ply, before->ply) << c.what;
        EXPECT_EQ(board->gamePly, before->gamePly) << c.what;
        EXPECT_EQ(board->material, before->material) << c.what;
        EXPECT_EQ(board->epSquare, before->epSquare) << c.what;
        EXPECT_EQ(board->castlingRights, before->castlingRights) << c.what;
        EXPECT_EQ(board->sideToMove, before->sideToMove) << c.what;
    }
}

}  // namespace
