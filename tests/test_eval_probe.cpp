#include <gtest/gtest.h>

#include <cstring>

#include "eval.h"
#include "test_support.h"

namespace {

// Every position here has White to move and no castling or en-passant rights.
BoardPtr whiteToMove(const char* rows) { return boardFromFen(rows + std::string(" w - - 0 1")); }

using SquareProbe = int (*)(const Board*, int, std::uint8_t*);

// Sums and king-zone hits worked out by hand from the grids. The zone starts at 5: the
// piece probes add to it, while a pawn's count is set afresh.
struct ProbeCase {
    const char* placement;
    SquareProbe probe;
    int square;
    int sum;
    int zone;
    const char* what;
};

// clang-format off
const ProbeCase probeCases[] = {
    // Knight a1: b3 1, c2 0, six targets off the board; own men add nothing, enemy men do.
    {"4k3/8/8/8/8/8/8/N3K3", getImportantKnightSquaresWhite, A1, 1, 0, "corner knight"},
    {"4k3/8/8/8/8/1P6/2P5/N3K3", getImportantKnightSquaresWhite, A1, 0, 0, "own men"},
    {"4k3/8/8/8/8/1p6/2p5/N3K3", getImportantKnightSquaresWhite, A1, 1, 0, "enemy men"},
    {"7k/8/5N2/8/8/8/8/4K3", getImportantKnightSquaresWhite, F6, 12, 2, "g8, h7 by the king"},
    {"4k3/8/8/8/8/8/8/4K2n", getImportantKnightSquaresBlack, H1, 2, 1, "f2 by e1, g3"},
    // A bishop walk ending on a man beside the enemy king counts it if it is an enemy.
    {"4k3/3p4/8/1B6/8/8/8/4K3", getImportantBishopSquaresWhite, B5, 3, 1, "enemy man on d7"},
    {"4k3/3N4/8/1B6/8/8/8/4K3", getImportantBishopSquaresWhite, B5, 3, 0, "own man on d7"},
    {"k7/8/8/8/1b6/8/3P4/4K3", getImportantBishopSquaresBlack, B4, 3, 1, "enemy man on d2"},
    {"k7/8/8/8/8/7B/8/K7", getImportantBishopSquaresWhite, H3, 6, 0, "g4 f5 1, e6 2, c8 g2 1"},
    {"k7/8/7b/8/8/8/8/K7", getImportantBishopSquaresBlack, H6, 7, 0, "f4 counts 2 for Black"},
    // Of the rook and queen walks only the Black queen's along lines counts the stopping man.
    {"4k3/4p3/8/8/4R3/8/8/K7", getImportantRookSquaresWhite, E4, 10, 0, "White rook"},
    {"4k3/4p3/8/8/4Q3/8/8/K7", getImportantQueenSquaresWhite, E4, 23, 0, "White queen"},
    {"k7/8/8/4r3/8/8/4P3/4K3", getImportantRookSquaresBlack, E5, 10, 0, "Black rook"},
    {"k7/8/8/4q3/8/8/4P3/4K3", getImportantQueenSquaresBlack, E5, 23, 1, "Black queen, file"},
    {"k7/8/8/8/1q6/8/3P4/4K3", getImportantQueenSquaresBlack, B4, 16, 0, "Black queen, diagonal"},
    {"k7/8/8/8/8/8/8/4K2r", getImportantRookSquaresBlack, H1, 3, 1, "f1 counts, the king not"},
    // A pawn counts pieces only, and only unmarked ones; empty squares are its sum.
    {"4k3/8/8/3n1n2/4P3/8/8/4K3", getImportantPawnSquaresWhite, E4, 0, 2, "forking two knights"},
    {"4k3/8/8/8/3p4/2N1P3/8/4K3", getImportantPawnSquaresBlack, D4, 0, 1, "a pawn is no target"},
    {"4k3/8/8/3p4/8/8/8/4K3", getImportantPawnSquaresBlack, D5, 7, 0, "c4 3 and e4 4"},
};
// clang-format on

TEST(EvalProbes, SumsAndKingZoneWorkedOutByHand)
{
    for (const ProbeCase& c : probeCases) {
        auto board = whiteToMove(c.placement);
        std::memset(minorAttackersMapW, 0, sizeof minorAttackersMapW);
        std::memset(minorAttackersMapB, 0, sizeof minorAttackersMapB);
        const bool pawn =
            c.probe == getImportantPawnSquaresWhite || c.probe == getImportantPawnSquaresBlack;
        std::uint8_t zone = 5;
        const int sum = c.probe(board.get(), c.square, &zone);
        EXPECT_EQ(sum, c.sum) << c.what << ": " << c.placement;
        EXPECT_EQ(zone, c.zone + (pawn ? 0 : 5)) << c.what << ": " << c.placement;
    }
}

TEST(EvalProbes, PawnMarksEachAttackedPieceOnceAndEvalClearsTheMarks)
{
    auto board = whiteToMove("4k3/8/8/3n1n2/2P1P3/8/8/4K3");
    std::memset(minorAttackersMapW, 0, sizeof minorAttackersMapW);
    std::memset(minorAttackersMapB, 1, sizeof minorAttackersMapB);
    std::uint8_t count = 0;
    getImportantPawnSquaresWhite(board.get(), E4, &count);
    // c4 attacks the marked d5 again and the empty b5 (worth 1).
    EXPECT_EQ(getImportantPawnSquaresWhite(board.get(), C4, &count), 1);
    EXPECT_EQ(count, 0);
    int marks = 0;
    for (int sq = 0; sq < 128; ++sq) marks += minorAttackersMapW[sq];
    EXPECT_EQ(marks, minorAttackersMapW[D5] + minorAttackersMapW[F5]);
    EXPECT_EQ(marks, 2);
    EvalTerms terms;
    eval(board.get(), &terms);
    EXPECT_EQ(terms.white[TERM_PAWN_THREATS], 18);
    for (int sq = 0; sq < 128; ++sq) EXPECT_EQ(minorAttackersMapB[sq], 0) << squareName(sq);
}

struct KingProbeCase {
    const char* placement;
    int (*probe)(const Board*);
    int expected;
    const char* what;
};

// clang-format off
const KingProbeCase kingProbeCases[] = {
    {"4k3/8/8/8/8/8/8/6KR", kingHasCastledWhite, 0, "g1 with the rook still on h1"},
    {"4k3/8/8/8/8/8/8/5RK1", kingHasCastledWhite, 2, "g1, rook gone from h1"},
    {"4k3/8/8/8/8/8/7K/8", kingHasCastledWhite, 2, "walked to h2"},
    {"4k3/8/8/8/8/8/8/RK6", kingHasCastledWhite, 0, "b1 with the rook on a1"},
    {"4k3/8/8/8/8/8/8/2KR4", kingHasCastledWhite, 1, "c1, rook gone from a1"},
    {"6kr/8/8/8/8/8/8/4K3", kingHasCastledBlack, 0, "g8 with the rook on h8"},
    {"2kr4/8/8/8/8/8/8/4K3", kingHasCastledBlack, 1, "c8, rook gone"},
    {"8/1k6/8/8/8/8/8/4K3", kingHasCastledBlack, 1, "walked to b7"},
    {"4k3/8/8/8/8/8/5PPP/6K1", getPawnShelterKingWhite, 0, "f2 g2 h2 in place"},
    {"4k3/8/8/8/8/8/5PBP/6K1", getPawnShelterKingWhite, 0, "bishop on g2: one hole"},
    {"4k3/8/8/8/8/8/5P1P/6K1", getPawnShelterKingWhite, 2, "g2 missing"},
    {"4k3/8/8/8/8/8/5P2/6K1", getPawnShelterKingWhite, 3, "g2 and h2 missing"},
    {"7K/8/8/8/8/8/8/4k3", getPawnShelterKingWhite, 0, "nothing in front of h8"},
    {"6k1/5p1p/8/8/8/8/8/4K3", getPawnShelterKingBlack, 2, "g7 missing"},
    {"6k1/5pbp/8/8/8/8/8/4K3", getPawnShelterKingBlack, 0, "Black bishop on g7"},
    {"6k1/7p/8/8/8/8/8/4K3", getPawnShelterKingBlack, 3, "f7 and g7 missing"},
};
// clang-format on

TEST(EvalProbes, CastledKingsShelterHolesAndTrappedBishops)
{
    for (const KingProbeCase& c : kingProbeCases) {
        auto board = whiteToMove(c.placement);
        EXPECT_EQ(c.probe(board.get()), c.expected) << c.what;
    }
    const struct { const char* placement; int black, square, trapped; } trapped[] = {
        {"4k3/B7/1p6/8/8/8/8/4K3", 0, A7, 1},
        {"4k3/7B/6p1/8/8/8/8/4K3", 0, H7, 1},
        {"4k3/B7/1P6/8/8/8/8/4K3", 0, A7, 0},
        {"4k3/8/8/8/8/1P6/b7/4K3", 1, A2, 1},
        {"4k3/8/8/8/8/6p1/7b/4K3", 1, H2, 0},
    };
    for (const auto& c : trapped) {
        auto board = whiteToMove(c.placement);
        EXPECT_EQ(bishopIsTrapped(board.get(), c.square, c.black), c.trapped) << c.placement;
    }
}

}  // namespace
