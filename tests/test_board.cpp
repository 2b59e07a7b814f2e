// The position reader: what it reads from well-formed text, and what it refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "movegen.h"
#include "test_support.h"

namespace {

constexpr const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST(SetupFen, StartPositionFillsListsInTextOrder)
{
    BoardPtr b = boardFromFen(initialPosition);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->pieceListLength[0], 16);
    EXPECT_EQ(b->pieceListLength[1], 16);
    EXPECT_EQ(b->pieceCount[0], 16);
    EXPECT_EQ(b->pieceCount[1], 16);
    EXPECT_EQ(b->material, 0);
    EXPECT_EQ(b->castlingRights, 15u);
    EXPECT_EQ(b->sideToMove, 0);
    EXPECT_EQ(b->inCheck, 0);
    EXPECT_EQ(b->epSquare, NO_SQUARE);
    const std::uint8_t black[16] = {E8, A8, B8, C8, D8, F8, G8, H8, A7, B7, C7, D7, E7, F7, G7, H7};
    const std::uint8_t white[16] = {E1, A2, B2, C2, D2, E2, F2, G2, H2, A1, B1, C1, D1, F1, G1, H1};
    for (int slot = 0; slot < 16; ++slot) {
        EXPECT_EQ(b->pieceList[1][slot].square, black[slot]) << "black slot " << slot;
        EXPECT_EQ(b->pieceList[0][slot].square, white[slot]) << "white slot " << slot;
        EXPECT_EQ(b->pieceList[0][slot].alive, 1);
    }
    EXPECT_EQ(b->pieceList[1][4].piece, BLACK_QUEEN);
    EXPECT_EQ(b->pieceList[0][12].piece, WHITE_QUEEN);
    EXPECT_EQ(b->kingSquare[0], E1);
    EXPECT_EQ(b->kingSquare[1], E8);
}

TEST(SetupFen, SideCastlingAndIgnoredFields)
{
    struct Case {
        const char* fen;
        int side;
        unsigned rights;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1", 0, 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b Kq - 0 1", 1, 1 + 8},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 1, 15},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w qkQK", 0, 15},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", 1, 0},  // no side: black
        // rights without their king and rook on the home squares grant nothing
        {"4k3/8/8/8/8/8/8/4K3 w KQkq - 0 1", 0, 0},
        {"r3k3/8/8/8/8/8/8/4K2R w KQkq - 0 1", 0, 1 + 8},
        {"r3k2r/8/8/8/8/8/8/R4K1R w KQkq - 0 1", 0, 4 + 8},
    };
    for (const Case& c : cases) {
        BoardPtr b = boardFromFen(c.fen);
        ASSERT_TRUE(b) << c.fen;
        EXPECT_EQ(b->sideToMove, c.side) << c.fen;
        EXPECT_EQ(b->castlingRights, c.rights) << c.fen;
        EXPECT_EQ(b->epSquare, NO_SQUARE) << c.fen;
    }
}

TEST(SetupFen, MaterialAndCheck)
{
    BoardPtr b = boardFromFen("4k3/8/8/8/8/8/8/4KQ2 w - - 0 1");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->material, 1050);
    BoardPtr checked = boardFromFen("4k3/8/8/8/8/8/4r3/4K3 w - - 0 1");
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->inCheck, 1);
}

TEST(SetupFen, RefusedTextLeavesBoardUntouched)
{
    const char* refused[] = {
        "",
        "garbage",
        "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // nine squares
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",   // nine ranks
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",              // seven ranks
        "4k3/8/8/8/8/8/8/4K w - - 0 1",                                 // short rank
        "4k3/8//8/8/8/8/4K3 w - - 0 1",                                 // empty rank
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1",       // no black king
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBKKBNR w - - 0 1",        // two white kings
        "rnbqkbnr/pppppppp/8/8/8/P7/PPPPPPPP/RNBQKBNR w - - 0 1",       // seventeen white men
        "4k3/8/8/8/8/8/8/P3K3 w - - 0 1",                               // pawn on the first rank
        "p3k3/8/8/8/8/8/8/4K3 w - - 0 1",                               // pawn on the eighth rank
        "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",                              // black king capturable
        "8/8/8/8/8/8/8/3kK3 w - - 0 1",                                 // kings touching
        "8/8/8/8/8/8/8/8 w - - 0 1",
    };
    BoardPtr b = boardFromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    ASSERT_TRUE(b);
    std::vector<unsigned char> before(sizeof(Board));
    std::memcpy(before.data(), b.get(), sizeof(Board));
    for (const char* fen : refused) {
        EXPECT_EQ(setupFen(b.get(), fen), 0) << fen;
        EXPECT_EQ(std::memcmp(before.data(), b.get(), sizeof(Board)), 0) << fen;
    }
    EXPECT_EQ(setupFen(b.get(), nullptr), 0);
    // the same men with the other side to move are a legal position
    EXPECT_EQ(setupFen(b.get(), "4k3/8/8/8/8/8/8/4R1K1 b - - 0 1"), 1);
}

TEST(SetupFen, CrowdedPositionsFitTheMoveList)
{
    // The record position for legal moves, and fifteen queens: the most men a side may have.
    BoardPtr record = boardFromFen("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1");
    ASSERT_TRUE(record);
    Move moves[MAX_MOVES];
    EXPECT_EQ(generateMoves(record.get(), moves, 1), 218);
    BoardPtr queens = boardFromFen("k7/8/1Q1Q1Q1Q/Q1Q1Q1Q1/1Q1Q1Q1Q/Q1Q1Q3/8/7K b - - 0 1");
    ASSERT_TRUE(queens);
    const int pseudo = generateMovesWhite(queens.get(), moves, 0);
    EXPECT_GT(pseudo, 0);
    EXPECT_LE(pseudo, 415);
}

TEST(SquareHelpers, NamesAndDistances)
{
    EXPECT_STREQ(sqString[8].data(), "ERR");
    EXPECT_STREQ(sqString[119].data(), "h8");
    EXPECT_STREQ(sqString[E4].data(), "e4");
    EXPECT_EQ(file(0), 1);
    EXPECT_EQ(file(7), 8);
    EXPECT_EQ(rank(112), 8);
    EXPECT_EQ(dist(0, 119), 7);
    EXPECT_EQ(dist(A1, B3), 2);
}

}  // namespace
