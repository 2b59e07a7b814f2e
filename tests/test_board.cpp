// SPDX-License-Identifier: GPL-3.0-or-later
// The position reader: what it reads from well-formed text, what it refuses, what fits a move list.
#include <tuple>

#include "movegen.h"
#include "test_support.h"

namespace {

// The piece lists' order shows in the generator's (test_movegen.cpp); boardIsOk holds the rest.
TEST(SetupFen, SideCastlingMaterialCheckAndConsistentLists)
{
    const struct { const char* fen; int side; unsigned rights; int material, inCheck, ep, clock; } cases[] = {
        {initialPosition, 0, 15, 0, 0, NO_SQUARE, 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b Kq - 0 1", 1, 1 + 8, 0, 0, NO_SQUARE, 0},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 1, 15, 0, 0, E3, 0},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e6 0 1", 1, 15, 0, 0, NO_SQUARE, 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w qkQK", 0, 15, 0, 0, NO_SQUARE, 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", 1, 0, 0, 0, NO_SQUARE, 0},  // no side: black
        // castling letters without their king and rook at home grant nothing
        {"4k3/8/8/8/8/8/8/4K3 w KQkq - 37 60", 0, 0, 0, 0, NO_SQUARE, 37},
        {"r3k3/8/8/8/8/8/8/4K2R w KQkq - 99999 1", 0, 1 + 8, 0, 0, NO_SQUARE, 10000},
        {"r3k2r/8/8/8/8/8/8/R4K1R w KQkq - 4x 1", 0, 4 + 8, 0, 0, NO_SQUARE, 0},
        {"4k3/8/8/8/8/8/8/4KQ2 w - - 0 1", 0, 0, 1050, 0, NO_SQUARE, 0},
        {"4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", 0, 0, -540, 1, NO_SQUARE, 0},
    };
    for (const auto& c : cases) {
        BoardPtr b = boardFromFen(c.fen);
        EXPECT_TRUE(boardIsOk(b.get())) << c.fen;
        EXPECT_EQ(b->sideToMove, c.side) << c.fen;
        EXPECT_EQ(b->castlingRights, c.rights) << c.fen;
        EXPECT_EQ(b->epSquare, c.ep) << c.fen;
        EXPECT_EQ(b->reversiblePlies[0], c.clock) << c.fen;
        EXPECT_EQ(b->material, c.material) << c.fen;
        EXPECT_EQ(b->inCheck, c.inCheck) << c.fen;
        // The bench's reader reads the same but for the en-passant square and the clock.
        BoardPtr bench(newBoard());
        ASSERT_TRUE(setupBenchFen(bench.get(), c.fen));
        EXPECT_EQ(std::make_tuple(bench->sideToMove, bench->castlingRights, bench->epSquare, bench->reversiblePlies[0]),
                  std::make_tuple(b->sideToMove, b->castlingRights, std::uint8_t(NO_SQUARE), std::uint16_t(0)));
    }
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
        nullptr,
    };
    BoardPtr b = boardFromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    std::vector<unsigned char> before(sizeof(Board));
    std::memcpy(before.data(), b.get(), sizeof(Board));
    for (const char* fen : refused) {
        EXPECT_EQ(setupFen(b.get(), fen), 0) << fen;
        EXPECT_EQ(std::memcmp(before.data(), b.get(), sizeof(Board)), 0) << fen;
    }
    // the same men with the other side to move are a legal position
    EXPECT_EQ(setupFen(b.get(), "4k3/8/8/8/8/8/8/4R1K1 b - - 0 1"), 1);
}

// Chess960 castling fields: Shredder-FEN files and X-FEN letters (the outermost rook, a file
// for another) name the same rooks; the standard reading takes KQkq only.
TEST(SetupFen, Chess960CastlingFields)
{
    const char* start960 = "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w ";
    struct Case { std::string fen; CastlingRead read; unsigned rights; int chess960; std::vector<int> rooks; };
    const Case read[] = {
        {std::string(start960) + "HFhf - 2 9", CASTLING_BY_FIELD, 15, 1, {H1, F1, H8, F8}},
        {std::string(start960) + "KQkq - 2 9", CASTLING_CHESS960, 15, 1, {H1, F1, H8, F8}},
        {std::string(start960) + "HFhf - 2 9", CASTLING_STANDARD, 0, 0, {}},
        {"4k3/8/8/8/8/8/8/R1R1K3 w Q - 0 1", CASTLING_CHESS960, 2, 1, {-1, A1}},
        {"4k3/8/8/8/8/8/8/R1R1K3 w C - 0 1", CASTLING_CHESS960, 2, 1, {-1, C1}},
        {"1r3kr1/8/8/8/8/8/8/1R3KR1 b GBgb - 0 1", CASTLING_BY_FIELD, 15, 1, {G1, B1, G8, B8}},
        {initialPosition, CASTLING_BY_FIELD, 15, 0, {H1, A1, H8, A8}},
    };
    initZobrist();
    for (const auto& c : read) {
        BoardPtr b(newBoard());
        ASSERT_EQ(setupFen(b.get(), c.fen.c_str(), c.read), 1) << c.fen;
        EXPECT_EQ(b->castlingRights, c.rights) << c.fen;
        EXPECT_EQ(b->chess960, c.chess960) << c.fen;
        for (std::size_t right = 0; right < c.rooks.size(); ++right)
            EXPECT_TRUE(c.rooks[right] < 0 || b->castlingPaths[right].rook == c.rooks[right]) << c.fen;
    }

    // Letters naming no rook are refused, the board untouched.
    const char* refused[] = {
        "1k6/8/8/8/8/8/8/1K5R w Q - 0 1",          // no rook on the long wing
        "rk6/8/8/8/8/8/8/RK6 w B - 0 1",           // the king's own file
        "4k3/8/8/8/8/8/8/R3K2R w D - 0 1",         // nothing on d1
        "4k3/8/8/8/8/8/4K3/R6R w A - 0 1",         // the king off its first rank
        "4k3/8/8/8/8/8/8/R1R1K3 w AC - 0 1",       // two rooks on one wing
        "4k3/8/8/8/8/8/8/R3K2R w KX - 0 1",        // not a castling letter
        "4k3/8/8/8/8/8/8/R3K2r w H - 0 1",         // the rook on h1 is black
    };
    BoardPtr b = boardFromFen(initialPosition);
    std::vector<unsigned char> before(sizeof(Board));
    std::memcpy(before.data(), b.get(), sizeof(Board));
    for (const char* fen : refused) {
        const char* problem = nullptr;
        EXPECT_EQ(setupFen(b.get(), fen, CASTLING_CHESS960, &problem), 0) << fen;
        EXPECT_TRUE(problem && std::strstr(problem, "castl")) << fen;
        EXPECT_EQ(std::memcmp(before.data(), b.get(), sizeof(Board)), 0) << fen;
    }
}

TEST(SetupFen, CrowdedPositionsFitTheMoveList)
{
    // The record position for legal moves, and fifteen queens: the most men a side may have.
    Move moves[MAX_MOVES];
    BoardPtr record = boardFromFen("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1");
    EXPECT_EQ(generateMoves(record.get(), moves, 1), 218);
    BoardPtr queens = boardFromFen("k7/8/1Q1Q1Q1Q/Q1Q1Q1Q1/1Q1Q1Q1Q/Q1Q1Q3/8/7K b - - 0 1");
    const int pseudo = generateMovesWhite(queens.get(), moves, 0);
    EXPECT_GT(pseudo, 0);
    EXPECT_LE(pseudo, 415);
}

}  // namespace
