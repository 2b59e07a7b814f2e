// SPDX-License-Identifier: GPL-3.0-or-later
// Generators: the order of the moves and of the castlings. Their records, the capture lists and
// the legality filter are held to make/unmake and to each other in test_makemove.cpp.
#include "movegen.h"
#include "test_support.h"

namespace {

// The legal moves of the position in generation order.
std::vector<std::string> legalMoves(const char* fen)
{
    Move moves[MAX_MOVES];
    return moveTexts(moves, generateMoves(boardFromFen(fen).get(), moves, 1));
}

TEST(Generation, PieceListOrderAndQueenRaysDiagonalsFirstNearToFar)
{
    EXPECT_EQ(legalMoves(initialPosition),
              (std::vector<std::string>{"a2a4", "a2a3", "b2b4", "b2b3", "c2c4", "c2c3", "d2d4", "d2d3",
                                        "e2e4", "e2e3", "f2f4", "f2f3", "g2g4", "g2g3", "h2h4", "h2h3",
                                        "b1a3", "b1c3", "g1f3", "g1h3"}));
    std::vector<std::string> queen = legalMoves("k7/8/8/8/3Q4/8/8/7K w - - 0 1");
    std::erase_if(queen, [](const std::string& m) { return m.rfind("d4", 0); });  // the king's
    EXPECT_EQ(queen, (std::vector<std::string>{
                         "d4c5", "d4b6", "d4a7", "d4e5", "d4f6", "d4g7", "d4h8", "d4e3", "d4f2",
                         "d4g1", "d4c3", "d4b2", "d4a1", "d4e4", "d4f4", "d4g4", "d4h4", "d4c4",
                         "d4b4", "d4a4", "d4d5", "d4d6", "d4d7", "d4d8", "d4d3", "d4d2", "d4d1"}));
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
        std::vector<std::string> castles;
        Move moves[MAX_MOVES];
        for (int i = 0, n = generateMoves(b.get(), moves, 1); i < n; ++i)
            if (moves[i].flags & FLAG_CASTLE) {
                EXPECT_EQ(moves[i].flags, FLAG_MOVE | FLAG_CASTLE);
                castles.push_back(moveText(moves[i]));
            }
        EXPECT_EQ(castles, c.castles) << c.fen;
    }
}

TEST(Generation, PromotionsQueenFirst)
{
    BoardPtr b = boardFromFen("r3k2r/1P4P1/8/8/8/8/8/4K3 w - - 0 1");
    Move moves[MAX_MOVES];
    const int n = generateCaptures(b.get(), moves, 1);
    EXPECT_EQ(moveTexts(moves, n), (std::vector<std::string>{"b7a8q", "b7a8r", "b7a8b", "b7a8n",
                                                             "g7h8q", "g7h8r", "g7h8b", "g7h8n"}));
    for (int i = 0; i < n; ++i) EXPECT_EQ(moves[i].promotion, WHITE_QUEEN - i % 4);
}

}  // namespace
