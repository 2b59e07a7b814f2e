// Generators: the moves, their order and their records.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "movegen.h"
#include "test_support.h"

namespace {

TEST(Generation, StartPositionOrderAndQuietRecords)
{
    BoardPtr b = boardFromFen(initialPosition);
    Move moves[MAX_MOVES];
    const int n = generateMoves(b.get(), moves, 1);
    const std::vector<std::string> expected = {
        "a2a4", "a2a3", "b2b4", "b2b3", "c2c4", "c2c3", "d2d4", "d2d3", "e2e4", "e2e3",
        "f2f4", "f2f3", "g2g4", "g2g3", "h2h4", "h2h3", "b1a3", "b1c3", "g1f3", "g1h3"};
    EXPECT_EQ(moveTexts(moves, n), expected);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(moves[i].flags, FLAG_MOVE);
        EXPECT_EQ(moves[i].captured, EMPTY);
        EXPECT_EQ(moves[i].promotion, EMPTY);
        EXPECT_EQ(moves[i].piece, b->squares[moves[i].from]);
    }
    EXPECT_EQ(generateCaptures(b.get(), moves, 1), 0);
}

TEST(Generation, QueenRaysDiagonalsFirstNearToFar)
{
    BoardPtr b = boardFromFen("k7/8/8/8/3Q4/8/8/7K w - - 0 1");
    std::vector<std::string> moves;
    Move all[MAX_MOVES];
    for (const std::string& m : moveTexts(all, generateMoves(b.get(), all, 1)))
        if (m.rfind("d4", 0) == 0) moves.push_back(m);  // the king, slot 0, comes first
    const std::vector<std::string> expected = {
        "d4c5", "d4b6", "d4a7", "d4e5", "d4f6", "d4g7", "d4h8", "d4e3", "d4f2", "d4g1",
        "d4c3", "d4b2", "d4a1", "d4e4", "d4f4", "d4g4", "d4h4", "d4c4", "d4b4", "d4a4",
        "d4d5", "d4d6", "d4d7", "d4d8", "d4d3", "d4d2", "d4d1"};
    EXPECT_EQ(moves, expected);
}

TEST(Generation, CastlingRules)
{
    const struct { const char* fen; std::vector<std::string> castles; } cases[] = {
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {"e1g1", "e1c1"}},
        {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", {"e1g1"}},         // b1 occupied
        {"4k3/8/8/8/8/8/8/R3KB1R w KQ - 0 1", {"e1c1"}},         // f1 occupied
        {"4k3/8/8/8/8/8/8/R3K2R w Q - 0 1", {"e1c1"}},
        {"1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {"e1g1", "e1c1"}}, // b1 attacked but empty
        {"3rk3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {"e1g1"}},         // d1 attacked
        {"2r1k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {"e1g1"}},        // c1 attacked
        {"4r1k1/8/8/8/8/8/8/R3K2R w KQ - 0 1", {}},             // in check
        {"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", {"e8g8", "e8c8"}},
        {"r3k2r/8/8/8/8/8/8/5RK1 b kq - 0 1", {"e8c8"}},         // f8 attacked
        {"k7/8/8/8/8/8/8/4R2K w - - 0 1", {}},                  // a rook's e1g1 is no castling
    };
    for (const auto& c : cases) {
        BoardPtr b = boardFromFen(c.fen);
        ASSERT_TRUE(b) << c.fen;
        std::vector<std::string> castles;
        Move moves[MAX_MOVES];
        const int n = generateMoves(b.get(), moves, 1);
        for (int i = 0; i < n; ++i)
            if (moves[i].flags & FLAG_CASTLE) {
                EXPECT_EQ(moves[i].flags, FLAG_MOVE | FLAG_CASTLE);
                castles.push_back(moveText(moves[i]));
            }
        EXPECT_EQ(castles, c.castles) << c.fen;
    }
}

TEST(Generation, EnPassantRecords)
{
    BoardPtr b = boardFromFen("4k3/3p4/8/2P1P3/8/8/8/4K3 b - - 0 1");
    ASSERT_TRUE(play(b.get(), "d7d5"));
    Move moves[MAX_MOVES];
    const std::vector<std::string> all = moveTexts(moves, generateMoves(b.get(), moves, 1));
    const auto left = std::find(all.begin(), all.end(), "c5d6"), right = std::find(left, all.end(), "e5d6");
    ASSERT_TRUE(right != all.end());  // pawns in list order
    for (const auto ep : {left, right}) {
        EXPECT_EQ(moves[ep - all.begin()].flags, FLAG_MOVE | FLAG_CAPTURE | FLAG_ENPASSANT);
        EXPECT_EQ(moves[ep - all.begin()].captured, BLACK_PAWN);
    }
    EXPECT_EQ(generateCaptures(b.get(), moves, 1), 2);
}

TEST(Generation, PromotionsQueenFirstAndNoneForAPinnedPawn)
{
    BoardPtr b = boardFromFen("r3k2r/1P4P1/8/8/8/8/8/4K3 w - - 0 1");
    Move moves[MAX_MOVES];
    const int n = generateCaptures(b.get(), moves, 1);
    const std::vector<std::string> expected = {"b7a8q", "b7a8r", "b7a8b", "b7a8n",
                                               "g7h8q", "g7h8r", "g7h8b", "g7h8n"};
    EXPECT_EQ(moveTexts(moves, n), expected);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(moves[i].flags, 19);
        EXPECT_EQ(moves[i].captured, BLACK_ROOK);
        EXPECT_EQ(moves[i].promotion, WHITE_QUEEN - i % 4);
    }
    // the g-pawn pinned along its seventh rank promotes to nothing; unpinned it has all four
    const struct { const char* fen; int promotions; } pins[] = {{"8/8/8/3K4/8/8/R5pk/8 b - - 0 1", 0},
                                                                 {"8/8/8/3K4/8/8/6pk/8 b - - 0 1", 4}};
    for (const auto& c : pins) {
        BoardPtr p = boardFromFen(c.fen);
        ASSERT_TRUE(p);
        int promotions = 0;
        for (int i = 0, np = generateMoves(p.get(), moves, 1); i < np; ++i)
            promotions += (moves[i].flags & FLAG_PROMOTION) != 0;
        EXPECT_EQ(promotions, c.promotions) << c.fen;
    }
}

}  // namespace
