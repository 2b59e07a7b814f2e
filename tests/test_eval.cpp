#include <gtest/gtest.h>

#include "eval.h"
#include "test_support.h"

namespace {

EvalTerms termsOf(const char* fen)
{
    auto board = boardFromFen(fen);
    EvalTerms terms;
    eval(board.get(), &terms);
    return terms;
}

// Whole scores worked out by hand, term by term, from the rules.
struct ScoreCase {
    const char* fen;
    int score;
    const char* what;
};

const ScoreCase scoreCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0, "initial position"},
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", 0, "initial position, Black"},
    {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0, "bare kings"},
    {"4k3/8/8/8/8/8/8/4KN2 w - - 0 1", 0, "knight against king"},
    {"4k3/8/8/8/8/8/8/4KN2 b - - 0 1", 0, "knight against king, Black to move"},
    {"4k3/8/8/8/8/8/8/2B1K3 b - - 0 1", 0, "bishop against king"},
    {"4kb2/8/8/8/8/8/8/4K3 w - - 0 1", 0, "Black bishop against king"},
    {"4k1n1/8/8/8/8/8/8/4K3 b - - 0 1", 0, "Black knight against king"},
    // 100 material, isolated -29, passed 11 (first case, not doubled), kings cancel.
    {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 82, "king and pawn against king"},
    {"4k3/8/8/8/8/8/4P3/4K3 b - - 0 1", -82, "king and pawn against king, Black"},
    // Both pawns isolated and passed in the second case, so doubled in the endgame:
    // e6 11 x 6 x 2 = 132, d4 11 x 5 x 2 = 110; placement and squares cancel.
    {"4k3/8/4P3/8/3p4/8/8/4K3 w - - 0 1", 22, "two passed pawns, endgame"},
    // Material 30, balance 61, mobility 19 - 14, open files for the rooks 40, king term
    // 3 + 11 + 27 + 15 + 32 = 88 halved to 44 (White, favoured, has no queen).
    {"3qk3/5ppp/8/8/8/8/5PPP/2RR2K1 w - - 0 1", 180, "rooks against queen, king term halved"},
    {"3qk3/5ppp/8/8/8/8/5PPP/2RR2K1 b - - 0 1", -180, "the same, Black to move"},
};

TEST(Eval, ScoresWorkedOutByHand)
{
    for (const ScoreCase& c : scoreCases) {
        auto board = boardFromFen(c.fen);
        EXPECT_EQ(eval(board.get()), c.score) << c.what << ": " << c.fen;
    }
}

// A term pinned to a hand-worked amount, White's and Black's share.
struct TermCase {
    const char* fen;
    EvalTerm term;
    int white;
    int black;
    const char* what;
};

const TermCase termCases[] = {
    // Passed pawn: doubled in the endgame only when the enemy has a pawn beside it.
    {"4k3/8/4P3/8/3p4/8/8/4K3 w - - 0 1", TERM_PASSED, 132, 110, "second case, endgame"},
    {"3qk3/8/4P3/8/3p4/8/8/3QK3 w - - 0 1", TERM_PASSED, 66, 55, "second case, middlegame"},
    {"4k3/p7/4P3/8/8/8/8/4K3 w - - 0 1", TERM_PASSED, 66, 11, "first case, endgame"},
    {"3qk3/p7/4P3/8/8/8/8/3QK3 w - - 0 1", TERM_PASSED, 66, 11, "first case, middlegame"},
    {"4k3/8/8/3P4/8/4p3/8/4K3 w - - 0 1", TERM_PASSED, 110, 132, "both passed, endgame"},
    {"4k3/4p3/4P3/8/8/8/8/4K3 w - - 0 1", TERM_PASSED, 0, 0, "rammed pawns are not passed"},
    {"4k3/5p2/4P3/8/8/8/8/4K3 w - - 0 1", TERM_PASSED, 0, 0, "a guard ahead on a neighbour file"},
    // Doubled pawns: 32 per extra pawn, the isolated amount once per file.
    {"4k3/8/8/8/8/4P3/4P3/4K3 w - - 0 1", TERM_DOUBLED, -32, 0, "two on a file"},
    {"4k3/8/8/8/4P3/4P3/4P3/4K3 w - - 0 1", TERM_DOUBLED, -64, 0, "three on a file"},
    {"4k3/8/8/8/4P3/4P3/4P3/4K3 w - - 0 1", TERM_ISOLATED, -29, 0, "isolated once per file"},
    {"4k3/8/8/8/8/8/P7/4K3 w - - 0 1", TERM_ISOLATED, -14, 0, "isolated on the a-file"},
    // Backward: both neighbours' rear pawns ahead of it.
    {"4k3/8/8/2P1P3/8/3P4/8/4K3 w - - 0 1", TERM_BACKWARD, -27, 0,
        "backward, no enemy pawn on the file"},
    {"4k3/8/3p4/2P1P3/8/3P4/8/4K3 w - - 0 1", TERM_BACKWARD, -23, 0,
        "backward on a half-open file"},
    {"4k3/8/8/1P6/8/P7/8/4K3 w - - 0 1", TERM_BACKWARD, 0, 0, "an a-pawn is never backward"},
    {"4k3/8/3p4/8/2p1p3/8/8/4K3 w - - 0 1", TERM_BACKWARD, 0, -27, "Black backward pawn"},
    // Rooks on files without own pawns.
    {"4k3/8/8/8/8/8/8/4K2R w - - 0 1", TERM_ROOK_FILES, 20, 0, "one rook on an open file"},
    {"4k3/8/8/8/8/8/7R/4K2R w - - 0 1", TERM_ROOK_FILES, 40, 0, "two rooks on an open file"},
    {"4k3/7p/8/8/8/8/7R/4K2R w - - 0 1", TERM_ROOK_FILES, 12, 0, "two rooks on a half-open file"},
    {"4k2r/8/8/8/8/8/8/4K3 w - - 0 1", TERM_ROOK_FILES, 0, 20, "Black rook on an open file"},
    // Bishop mobility with every diagonal square taken: at home it costs nothing.
    {"4k3/8/8/8/8/8/1P1P4/2B1K3 w - - 0 1", TERM_MOBILITY, 0, 0, "shut-in bishop on c1"},
    {"4k3/8/8/8/2P1P3/3B4/2P1P3/4K3 w - - 0 1", TERM_MOBILITY, -12, 0, "shut-in bishop on d3"},
    // The pawn threat count is the last pawn's (list order runs from a8 to h1), not a sum.
    {"4k3/8/8/3n1n2/4P3/8/8/4K3 w - - 0 1", TERM_PAWN_THREATS, 36, 0, "one pawn forking"},
    {"4k3/8/8/3n1n2/4P3/8/7P/4K3 w - - 0 1", TERM_PAWN_THREATS, 0, 0,
        "a later pawn threatens nothing"},
    {"4k3/8/8/3n1n2/2P1P3/8/8/4K3 w - - 0 1", TERM_PAWN_THREATS, 18, 0, "d5 already counted by c4"},
    // Castling: Black long castling costs 24 (not 15) against queen, rook and no a-pawn;
    // the open file is judged by the attacker's pawns.
    {"2kr3q/7p/8/8/8/8/8/Q4RK1 w - - 0 1", TERM_CASTLING, 27, 19 - 24, "Black castled long"},
    {"q4rk1/8/8/8/8/8/7P/2KR3Q w - - 0 1", TERM_CASTLING, 19 - 15, 27, "White castled long"},
    {"q4rk1/8/8/8/8/8/8/5RKQ w - - 0 1", TERM_CASTLING, 27 - 24, 27 - 24, "both short, no h-pawns"},
    {"q4rk1/7p/8/8/8/8/8/5RKQ w - - 0 1", TERM_CASTLING, 27, 27 - 24,
        "Black's h-pawn spares White"},
    {"q4rk1/8/8/8/8/8/7P/5RKQ w - - 0 1", TERM_CASTLING, 27 - 24, 27,
        "White's h-pawn spares Black"},
    {"r3k3/8/8/8/8/8/8/4K2R w - - 0 1", TERM_CASTLING, 0, 0, "no castling term in the endgame"},
    // Near-king attackers: a Black knight counts up to distance 2, a White one up to 3.
    {"6k1/8/3B4/3N4/q7/8/8/Q5K1 w - - 0 1", TERM_KING_ATTACKERS, 12, 0,
        "White knight at distance 3"},
    {"6k1/8/3B4/3N4/q7/8/8/Q5K1 w - - 0 1", TERM_KING_OUTNUMBERED, 30, 0,
        "two attackers, no defender"},
    {"q5k1/8/8/8/3n4/3b4/8/Q5K1 w - - 0 1", TERM_KING_ATTACKERS, 0, 0,
        "Black knight at distance 3"},
    {"q5k1/8/8/8/3n4/3b4/8/Q5K1 w - - 0 1", TERM_KING_OUTNUMBERED, 0, 0, "one Black attacker only"},
    {"q5k1/8/8/8/8/3bn3/8/Q5K1 w - - 0 1", TERM_KING_ATTACKERS, 0, 20,
        "Black knight at distance 2"},
    // Shelter holes in front of a castled king, 19 each from two on.
    {"q3k3/8/8/8/8/8/5P1P/Q5K1 w - - 0 1", TERM_SHELTER_HOLES, -38, 0, "g2 missing"},
    {"q3k3/8/8/8/8/8/5PBP/Q5K1 w - - 0 1", TERM_SHELTER_HOLES, 0, 0, "bishop on g2"},
    // Knight outposts: no enemy pawn on a neighbour file can chase it.
    {"4k3/8/8/3N4/4P3/8/8/4K3 w - - 0 1", TERM_OUTPOSTS, 17, 0, "supported outpost"},
    {"4k3/7p/8/3N4/8/8/8/4K3 w - - 0 1", TERM_OUTPOSTS, 13, 0, "unsupported outpost"},
    {"4k3/2p5/8/3N4/8/8/8/4K3 w - - 0 1", TERM_OUTPOSTS, 0, 0, "a pawn on c7 can chase it"},
    {"4k3/8/8/2pN4/8/8/8/4K3 w - - 0 1", TERM_OUTPOSTS, 13, 0, "the c-pawn is already level"},
    {"4k3/8/8/4p3/3n4/8/8/4K3 w - - 0 1", TERM_OUTPOSTS, 0, 17, "Black supported outpost"},
};

TEST(Eval, TermsWorkedOutByHand)
{
    for (const TermCase& c : termCases) {
        const EvalTerms terms = termsOf(c.fen);
        EXPECT_EQ(terms.white[c.term], c.white) << c.what << ": " << c.fen;
        EXPECT_EQ(terms.black[c.term], c.black) << c.what << ": " << c.fen;
    }
}

TEST(Eval, KingTermHalvedOnlyWhenTheFavouredSideLacksAQueen)
{
    // White favoured without a queen: 88 becomes 44.
    EXPECT_EQ(termsOf("3qk3/5ppp/8/8/8/8/5PPP/2RR2K1 w - - 0 1").kingHalving, -44);
    // The same with a White queen added on a2 is not halved.
    EXPECT_EQ(termsOf("3qk3/5ppp/8/8/8/8/Q4PPP/2RR2K1 w - - 0 1").kingHalving, 0);
    // Endgame: no halving whatever the queens.
    const EvalTerms endgame = termsOf("4k3/8/8/8/8/8/8/4K2R w - - 0 1");
    EXPECT_EQ(endgame.endgame, 1);
    EXPECT_EQ(endgame.kingHalving, 0);
}

TEST(Eval, EveryAmountAddsUpToTheScore)
{
    const char* fens[] = {
        "r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 8",
        "3qk3/5ppp/8/8/8/8/5PPP/2RR2K1 b - - 0 1",
        "4k3/8/4P3/8/3p4/8/8/4K3 w - - 0 1",
    };
    for (const char* fen : fens) {
        auto board = boardFromFen(fen);
        EvalTerms terms;
        const int score = eval(board.get(), &terms);
        int total = terms.material + terms.kingHalving;
        for (int t = 0; t < TERM_COUNT; ++t) total += terms.white[t] - terms.black[t];
        EXPECT_EQ(total, terms.total) << fen;
        EXPECT_EQ(board->sideToMove ? -total : total, score) << fen;
        EXPECT_EQ(eval(board.get()), score) << "plain and traced evaluations differ: " << fen;
    }
}

// Positions where no king is in check, so either side may be to move.
const char* symmetryPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r2q1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/2KR1B1R w - - 3 10",
    "2kr3r/pp1q1ppp/2n1bn2/2bpp3/4P3/2NP1N2/PPPBBPPP/R2Q1RK1 b - - 4 9",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "8/8/1p2k3/p1p5/P1P1K3/1P6/8/8 w - - 0 1",
    "4k3/8/8/8/8/8/8/4KN2 w - - 0 1",
    "8/8/8/3k4/8/8/8/3K4 w - - 0 1",
};

TEST(Eval, BlackToMoveNegatesTheScore)
{
    for (const char* fen : symmetryPositions) {
        auto board = boardFromFen(fen);
        const int score = eval(board.get());
        board->sideToMove ^= 1;
        EXPECT_EQ(eval(board.get()), -score) << fen;
    }
}

// Pieces on every edge and in every corner, pawns on ranks 2 and 7 right under the enemy
// pieces: the walks and the one-square looks (s - 16, s + 17, king + 16 ...) run up to
// the border from all sides, and so do the probes run from every square. Under the
// sanitizer build any read beyond the 128 squares aborts; everywhere the scores must still
// obey the side-to-move negation.
TEST(Eval, EdgesAndCornersStayOnTheBoard)
{
    const char* crowded[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",
        "RNBQ1BNR/pppppppp/8/k7/7K/8/PPPPPPPP/rnbq1bnr w - - 0 1",
        "Q6q/1p4P1/8/4k3/8/8/1P4p1/q2K3Q w - - 0 1",
        "B6b/P6P/8/4k3/8/8/p6p/b2K3B w - - 0 1",
        "N6n/P6p/8/3k4/8/3K4/p6P/n6N w - - 0 1",
        "Rn2k2r/1P4p1/8/8/8/8/1p4P1/rN2K2R w - - 0 1",
        "k7/8/8/8/8/8/8/7K w - - 0 1",
        "K7/8/8/8/8/8/8/7k w - - 0 1",
        "7K/6P1/8/8/8/8/1p6/k7 w - - 0 1",
        "qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ w - - 0 1",
        "n1n1k1n1/1n1n1n1n/8/8/8/8/N1N1N1N1/1N1NK1N1 w - - 0 1",
        "b1b1kbbb/bbbb1bbb/8/8/8/8/BBBBBBBB/BBBBKBBB w - - 0 1",
    };
    for (const char* fen : crowded) {
        auto board = boardFromFen(fen);
        const int score = eval(board.get());
        board->sideToMove ^= 1;
        EXPECT_EQ(eval(board.get()), -score) << fen;
        // Every probe from every square, for both colours.
        for (int sq = 0; sq < 128; ++sq) {
            for (int black = 0; onBoard(sq) && black <= 1; ++black) {
                std::uint8_t count = 0, zone = 0;
                getImportantPawnSquares(board.get(), sq, &count, black);
                getImportantKnightSquares(board.get(), sq, &zone, black);
                getImportantBishopSquares(board.get(), sq, &zone, black);
                getImportantRookSquares(board.get(), sq, &zone, black);
                getImportantQueenSquares(board.get(), sq, &zone, black);
                EXPECT_LE(count, 2) << squareName(sq);
                EXPECT_LE(bishopIsTrapped(board.get(), sq, black), 1);
            }
        }
    }
}

}  // namespace
