#include <gtest/gtest.h>

#include <cstring>

#include "eval.h"
#include "test_support.h"

namespace {

void clearMaps()
{
    std::memset(minorAttackersMapW, 0, sizeof minorAttackersMapW);
    std::memset(minorAttackersMapB, 0, sizeof minorAttackersMapB);
}

enum ProbeKind { KNIGHT, BISHOP, ROOK, QUEEN };

int probe(const Board* board, ProbeKind kind, int sq, int black, std::uint8_t* zone)
{
    switch (kind) {
    case KNIGHT: return getImportantKnightSquares(board, sq, zone, black);
    case BISHOP: return getImportantBishopSquares(board, sq, zone, black);
    case ROOK: return getImportantRookSquares(board, sq, zone, black);
    case QUEEN: return getImportantQueenSquares(board, sq, zone, black);
    }
    return 0;
}

// Sums and king-zone hits worked out by hand from the grids.
struct ProbeCase {
    const char* fen;
    ProbeKind kind;
    int square;
    int black;
    int sum;
    int zone;
    const char* what;
};

const ProbeCase probeCases[] = {
    {"4k3/8/8/8/8/8/8/N3K3 w - - 0 1", KNIGHT, A1, 0, 1, 0,
        "corner knight: b3 1, c2 0, six targets off the board"},
    {"4k3/8/8/8/8/1P6/2P5/N3K3 w - - 0 1", KNIGHT, A1, 0, 0, 0,
        "own men on the targets add nothing"},
    {"4k3/8/8/8/8/1p6/2p5/N3K3 w - - 0 1", KNIGHT, A1, 0, 1, 0, "enemy men on the targets count"},
    {"7k/8/5N2/8/8/8/8/4K3 w - - 0 1", KNIGHT, F6, 0, 12, 2,
        "knight reaching g8 and h7 beside the king"},
    {"4k3/8/8/8/8/8/8/4K2n w - - 0 1", KNIGHT, H1, 1, 2, 1,
        "Black knight h1: f2 1 next to e1, g3 1"},
    {"4k3/3p4/8/1B6/8/8/8/4K3 w - - 0 1", BISHOP, B5, 0, 3, 1,
        "diagonal ends on an enemy man beside the king"},
    {"4k3/3N4/8/1B6/8/8/8/4K3 w - - 0 1", BISHOP, B5, 0, 3, 0,
        "diagonal ends on an own man beside the king"},
    {"k7/8/8/8/8/7B/8/K7 w - - 0 1", BISHOP, H3, 0, 6, 0,
        "White bishop h3: g4 1 f5 1 e6 2 d7 0 c8 1 g2 1 f1 0"},
    {"k7/8/7b/8/8/8/8/K7 w - - 0 1", BISHOP, H6, 1, 7, 0, "Black bishop h6: f4 counts 2 for Black"},
    {"k7/8/8/8/1b6/8/3P4/4K3 w - - 0 1", BISHOP, B4, 1, 3, 1,
        "Black bishop stopped by a White man beside the king"},
    {"4k3/4p3/8/8/4R3/8/8/K7 w - - 0 1", ROOK, E4, 0, 10, 0,
        "White rook stopped beside the king counts nothing"},
    {"4k3/4p3/8/8/4Q3/8/8/K7 w - - 0 1", QUEEN, E4, 0, 23, 0,
        "White queen stopped beside the king counts nothing"},
    {"k7/8/8/4r3/8/8/4P3/4K3 w - - 0 1", ROOK, E5, 1, -1, 0,
        "Black rook stopped beside the king counts nothing"},
    {"k7/8/8/4q3/8/8/4P3/4K3 w - - 0 1", QUEEN, E5, 1, -1, 1,
        "Black queen on a file stopped beside the king counts 1"},
    {"k7/8/8/8/1q6/8/3P4/4K3 w - - 0 1", QUEEN, B4, 1, -1, 0,
        "Black queen on a diagonal stopped beside the king: 0"},
    {"k7/8/8/8/8/8/8/4K2r w - - 0 1", ROOK, H1, 1, -1, 1,
        "the empty f1 counts, the king ending the walk does not"},
};

TEST(EvalProbes, SumsAndKingZoneWorkedOutByHand)
{
    for (const ProbeCase& c : probeCases) {
        auto board = boardFromFen(c.fen);
        std::uint8_t zone = 0;
        const int sum = probe(board.get(), c.kind, c.square, c.black, &zone);
        if (c.sum >= 0) {
            EXPECT_EQ(sum, c.sum) << c.what;
        }
        EXPECT_EQ(zone, c.zone) << c.what;
    }
}

TEST(EvalProbes, KingZoneCountIsAddedToNeverReset)
{
    auto board = boardFromFen("7k/8/5N2/8/8/8/8/4K3 w - - 0 1");
    std::uint8_t zone = 5;
    getImportantKnightSquaresWhite(board.get(), F6, &zone);
    EXPECT_EQ(zone, 7);
}

TEST(EvalProbes, PawnCountsEachAttackedPieceOnce)
{
    auto board = boardFromFen("4k3/8/8/3n1n2/2P1P3/8/8/4K3 w - - 0 1");
    clearMaps();
    std::uint8_t count = 9;
    EXPECT_EQ(getImportantPawnSquaresWhite(board.get(), E4, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(minorAttackersMapW[D5], 1);
    EXPECT_EQ(minorAttackersMapW[F5], 1);
    // c4 attacks d5 again and the empty b5 (worth 1).
    EXPECT_EQ(getImportantPawnSquaresWhite(board.get(), C4, &count), 1);
    EXPECT_EQ(count, 0);
    int marks = 0;
    for (int sq = 0; sq < 128; ++sq) marks += minorAttackersMapW[sq] + minorAttackersMapB[sq];
    EXPECT_EQ(marks, 2);
}

TEST(EvalProbes, PawnIgnoresPawnsAndOwnMen)
{
    // Black pawn d4 attacks the White knight c3 and the White pawn e3.
    auto board = boardFromFen("4k3/8/8/8/3p4/2N1P3/8/4K3 b - - 0 1");
    clearMaps();
    std::uint8_t count = 0;
    EXPECT_EQ(getImportantPawnSquaresBlack(board.get(), D4, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(minorAttackersMapB[C3], 1);
    EXPECT_EQ(minorAttackersMapB[E3], 0);
    // A Black pawn on d5 attacks the empty c4 (3) and e4 (4).
    auto open = boardFromFen("4k3/8/8/3p4/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(getImportantPawnSquaresBlack(open.get(), D5, &count), 7);
    EXPECT_EQ(count, 0);
}

TEST(EvalProbes, EvalClearsTheAttackedMapsFirst)
{
    auto board = boardFromFen("4k3/8/8/3n1n2/4P3/8/8/4K3 w - - 0 1");
    std::memset(minorAttackersMapW, 1, sizeof minorAttackersMapW);
    std::memset(minorAttackersMapB, 1, sizeof minorAttackersMapB);
    EvalTerms terms;
    eval(board.get(), &terms);
    EXPECT_EQ(terms.white[TERM_PAWN_THREATS], 36);
    EXPECT_EQ(minorAttackersMapB[A1], 0);
}

struct SquareProbeCase {
    const char* fen;
    int (*probe)(const Board*, int);
    int square;
    int expected;
    const char* what;
};

const SquareProbeCase trappedCases[] = {
    {"4k3/B7/1p6/8/8/8/8/4K3 w - - 0 1", bishopIsTrappedWhite, A7, 1, "a7 shut in by b6"},
    {"4k3/7B/6p1/8/8/8/8/4K3 w - - 0 1", bishopIsTrappedWhite, H7, 1, "h7 shut in by g6"},
    {"4k3/B7/8/8/8/8/8/4K3 w - - 0 1", bishopIsTrappedWhite, A7, 0, "a7 free"},
    {"4k3/B7/1P6/8/8/8/8/4K3 w - - 0 1", bishopIsTrappedWhite, A7, 0, "own pawn on b6"},
    {"4k3/8/8/8/8/1P6/b7/4K3 w - - 0 1", bishopIsTrappedBlack, A2, 1, "a2 shut in by b3"},
    {"4k3/8/8/8/8/6P1/7b/4K3 w - - 0 1", bishopIsTrappedBlack, H2, 1, "h2 shut in by g3"},
    {"4k3/8/8/8/8/6p1/7b/4K3 w - - 0 1", bishopIsTrappedBlack, H2, 0, "own pawn on g3"},
};

TEST(EvalProbes, TrappedBishops)
{
    for (const SquareProbeCase& c : trappedCases) {
        auto board = boardFromFen(c.fen);
        EXPECT_EQ(c.probe(board.get(), c.square), c.expected) << c.what;
    }
}

struct KingProbeCase {
    const char* fen;
    int (*probe)(const Board*);
    int expected;
    const char* what;
};

const KingProbeCase kingProbeCases[] = {
    {"4k3/8/8/8/8/8/8/6KR w - - 0 1", kingHasCastledWhite, 0, "g1 with the rook still on h1"},
    {"4k3/8/8/8/8/8/8/5RK1 w - - 0 1", kingHasCastledWhite, 2, "g1, rook gone from h1"},
    {"4k3/8/8/8/8/8/7K/8 w - - 0 1", kingHasCastledWhite, 2, "walked to h2"},
    {"4k3/8/8/8/8/8/8/RK6 w - - 0 1", kingHasCastledWhite, 0, "b1 with the rook on a1"},
    {"4k3/8/8/8/8/8/8/2KR4 w - - 0 1", kingHasCastledWhite, 1, "c1, rook gone from a1"},
    {"4k3/8/8/8/8/8/2K5/8 w - - 0 1", kingHasCastledWhite, 0, "c2 is not a castled square"},
    {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", kingHasCastledWhite, 0, "e1"},
    {"6kr/8/8/8/8/8/8/4K3 w - - 0 1", kingHasCastledBlack, 0, "g8 with the rook on h8"},
    {"5rk1/8/8/8/8/8/8/4K3 w - - 0 1", kingHasCastledBlack, 2, "g8, rook gone"},
    {"2kr4/8/8/8/8/8/8/4K3 w - - 0 1", kingHasCastledBlack, 1, "c8, rook gone"},
    {"r1k5/8/8/8/8/8/8/4K3 w - - 0 1", kingHasCastledBlack, 0, "c8 with the rook on a8"},
    {"8/1k6/8/8/8/8/8/4K3 w - - 0 1", kingHasCastledBlack, 1, "walked to b7"},
    {"4k3/8/8/8/8/8/5PPP/6K1 w - - 0 1", getPawnShelterKingWhite, 0, "f2 g2 h2 in place"},
    {"4k3/8/8/8/8/8/5PBP/6K1 w - - 0 1", getPawnShelterKingWhite, 0, "bishop on g2: one hole"},
    {"4k3/8/8/8/8/8/5P1P/6K1 w - - 0 1", getPawnShelterKingWhite, 2, "g2 missing"},
    {"4k3/8/8/8/8/8/5P2/6K1 w - - 0 1", getPawnShelterKingWhite, 3, "g2 and h2 missing"},
    {"4k3/8/8/8/8/8/8/6K1 w - - 0 1", getPawnShelterKingWhite, 4, "no pawns at all"},
    {"4k3/8/8/8/8/8/6PP/6K1 w - - 0 1", getPawnShelterKingWhite, 0, "only f2 missing"},
    {"7K/8/8/8/8/8/8/4k3 w - - 0 1", getPawnShelterKingWhite, 0,
        "nothing in front of a king on h8"},
    {"6k1/5p1p/8/8/8/8/8/4K3 w - - 0 1", getPawnShelterKingBlack, 2, "g7 missing"},
    {"6k1/5pbp/8/8/8/8/8/4K3 w - - 0 1", getPawnShelterKingBlack, 0, "Black bishop on g7"},
    {"6k1/7p/8/8/8/8/8/4K3 w - - 0 1", getPawnShelterKingBlack, 3, "f7 and g7 missing"},
};

TEST(EvalProbes, CastledKingsAndShelterHoles)
{
    for (const KingProbeCase& c : kingProbeCases) {
        auto board = boardFromFen(c.fen);
        EXPECT_EQ(c.probe(board.get()), c.expected) << c.what;
    }
}

}  // namespace
