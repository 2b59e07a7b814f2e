// SPDX-License-Identifier: GPL-3.0-or-later
#include "eval.h"
#include "test_support.h"

namespace {

// Every position here has White to move and no castling or en-passant rights.
BoardPtr whiteToMove(const char* rows) { return boardFromFen(rows + std::string(" w - - 0 1")); }

EvalTerms termsOf(const char* placement)
{
    auto board = whiteToMove(placement);
    EvalTerms terms;
    eval(board.get(), &terms);
    return terms;
}

// Whole scores worked out by hand, term by term, with White to move; Black to move must
// give the negation.
const struct { const char* placement; int score; const char* what; } scoreCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", 0, "initial position"},
    {"4k3/8/8/8/8/8/8/4K3", 0, "bare kings"},
    {"4k3/8/8/8/8/8/8/4KN2", 0, "knight against king"},
    {"4k3/8/8/8/8/8/8/2B1K3", 0, "bishop against king"},
    {"4k1n1/8/8/8/8/8/8/4K3", 0, "Black knight against king"},
    // 100 material, isolated -29, passed 11 (first case, not doubled), kings cancel.
    {"4k3/8/8/8/8/8/4P3/4K3", 82, "king and pawn against king"},
    // Both pawns isolated and passed in the second case, so doubled in the endgame:
    // e6 11 x 6 x 2 = 132, d4 11 x 5 x 2 = 110; placement and squares cancel.
    {"4k3/8/4P3/8/3p4/8/8/4K3", 22, "two passed pawns, endgame"},
    // Material 30, balance 61, mobility 19 - 14, open files for the rooks 40, king term
    // 3 + 11 + 27 + 15 + 32 = 88 halved to 44 (White, favoured, has no queen).
    {"3qk3/5ppp/8/8/8/8/5PPP/2RR2K1", 180, "rooks against queen, king term halved"},
};

TEST(Eval, ScoresWorkedOutByHandForEitherSideToMove)
{
    for (const auto& c : scoreCases) {
        auto board = whiteToMove(c.placement);
        EXPECT_EQ(eval(board.get()), c.score) << c.what;
        board->sideToMove ^= 1;
        EXPECT_EQ(eval(board.get()), -c.score) << c.what << ", Black to move";
    }
    // The halving of the last case needs the favoured side without a queen.
    EXPECT_EQ(termsOf("3qk3/5ppp/8/8/8/8/5PPP/2RR2K1").kingHalving, -44);
    EXPECT_EQ(termsOf("3qk3/5ppp/8/8/8/8/Q4PPP/2RR2K1").kingHalving, 0);
}

// A term pinned to a hand-worked amount, White's and Black's share. The pawn-file terms
// (doubled, isolated, passed, backward, rook files) are held to a file-by-file count over
// played positions in test_eval_reference.cpp.
const struct { const char* placement; EvalTerm term; int white, black; const char* what; } termCases[] = {
    // Bishop mobility with every diagonal square taken: at home it costs nothing.
    {"4k3/8/8/8/8/8/1P1P4/2B1K3", TERM_MOBILITY, 0, 0, "shut-in bishop on c1"},
    {"4k3/8/8/8/2P1P3/3B4/2P1P3/4K3", TERM_MOBILITY, -12, 0, "shut-in bishop on d3"},
    // The pawn threat count is the last pawn's (list order runs from a8 to h1), not a sum.
    {"4k3/8/8/3n1n2/4P3/8/8/4K3", TERM_PAWN_THREATS, 36, 0, "one pawn forking"},
    {"4k3/8/8/3n1n2/4P3/8/7P/4K3", TERM_PAWN_THREATS, 0, 0, "a later pawn threatens nothing"},
    {"4k3/8/8/3n1n2/2P1P3/8/8/4K3", TERM_PAWN_THREATS, 18, 0, "d5 already counted by c4"},
    // Castling: Black long castling costs 24 (not 15) against queen, rook and no a-pawn;
    // the open file is judged by the attacker's pawns.
    {"2kr3q/7p/8/8/8/8/8/Q4RK1", TERM_CASTLING, 27, 19 - 24, "Black castled long"},
    {"q4rk1/8/8/8/8/8/7P/2KR3Q", TERM_CASTLING, 19 - 15, 27, "White castled long"},
    {"q4rk1/8/8/8/8/8/8/5RKQ", TERM_CASTLING, 27 - 24, 27 - 24, "both short, no h-pawns"},
    {"q4rk1/7p/8/8/8/8/8/5RKQ", TERM_CASTLING, 27, 27 - 24, "Black's h-pawn spares White"},
    {"r3k3/8/8/8/8/8/8/4K2R", TERM_CASTLING, 0, 0, "no castling term in the endgame"},
    // Near-king attackers: a Black knight counts up to distance 2, a White one up to 3.
    {"6k1/8/3B4/3N4/q7/8/8/Q5K1", TERM_KING_ATTACKERS, 12, 0, "White knight at 3"},
    {"6k1/8/3B4/3N4/q7/8/8/Q5K1", TERM_KING_OUTNUMBERED, 30, 0, "two attackers alone"},
    {"q5k1/8/8/8/3n4/3b4/8/Q5K1", TERM_KING_ATTACKERS, 0, 0, "Black knight at 3"},
    {"q5k1/8/8/8/8/3bn3/8/Q5K1", TERM_KING_ATTACKERS, 0, 20, "Black knight at 2"},
    // Shelter holes in front of a castled king, 19 each from two on.
    {"q3k3/8/8/8/8/8/5P1P/Q5K1", TERM_SHELTER_HOLES, -38, 0, "g2 missing"},
    {"q3k3/8/8/8/8/8/5PBP/Q5K1", TERM_SHELTER_HOLES, 0, 0, "bishop on g2"},
    // Knight outposts: no enemy pawn on a neighbour file can chase it.
    {"4k3/8/8/3N4/4P3/8/8/4K3", TERM_OUTPOSTS, 17, 0, "supported outpost"},
    {"4k3/2p5/8/3N4/8/8/8/4K3", TERM_OUTPOSTS, 0, 0, "a pawn on c7 can chase it"},
    {"4k3/8/8/2pN4/8/8/8/4K3", TERM_OUTPOSTS, 13, 0, "the c-pawn is already level"},
    {"4k3/8/8/4p3/3n4/8/8/4K3", TERM_OUTPOSTS, 0, 17, "Black supported outpost"},
};

TEST(Eval, TermsWorkedOutByHand)
{
    for (const auto& c : termCases) {
        const EvalTerms terms = termsOf(c.placement);
        EXPECT_EQ(terms.white[c.term], c.white) << c.what << ": " << c.placement;
        EXPECT_EQ(terms.black[c.term], c.black) << c.what << ": " << c.placement;
    }
}

// Games of every phase, then pieces on every edge and in every corner with pawns right
// under the enemy pieces, so the walks and one-square looks (s - 16, king + 16 ...) reach
// the border from all sides: under the sanitizer build a read beyond the 128 squares
// aborts. No king is in check, so either side may move.
TEST(Eval, NegatedForBlackAddsUpAndStaysOnTheBoard)
{
    const char* positions[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r2q1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/2KR1B1R w - - 3 10",
        "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "RNBQ1BNR/pppppppp/8/k7/7K/8/PPPPPPPP/rnbq1bnr w - - 0 1",
        "Q6q/1p4P1/8/4k3/8/8/1P4p1/q2K3Q w - - 0 1",
        "B6b/P6P/8/4k3/8/8/p6p/b2K3B w - - 0 1",
        "N6n/P6p/8/3k4/8/3K4/p6P/n6N w - - 0 1",
        "7K/6P1/8/8/8/8/1p6/k7 w - - 0 1",
        "qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ w - - 0 1",
        "n1n1k1n1/1n1n1n1n/8/8/8/8/N1N1N1N1/1N1NK1N1 w - - 0 1",
        "b1b1kbbb/bbbb1bbb/8/8/8/8/BBBBBBBB/BBBBKBBB w - - 0 1",
        // Pawns forking: an evaluation starts with no piece marked as threatened.
        "4k3/8/8/3n1n2/4P3/8/8/4K3 w - - 0 1", "4k3/8/8/4p3/3N1N2/8/8/4K3 w - - 0 1",
    };
    for (const char* fen : positions) {
        auto board = boardFromFen(fen);
        EvalTerms terms;
        const int score = eval(board.get(), &terms);
        int total = terms.material + terms.kingHalving;
        for (int t = 0; t < TERM_COUNT; ++t) total += terms.white[t] - terms.black[t];
        EXPECT_EQ(total, terms.total) << fen;
        EXPECT_EQ(board->sideToMove ? -total : total, score) << fen;
        EXPECT_EQ(eval(board.get()), score) << "plain and traced evaluations differ: " << fen;
        board->sideToMove ^= 1;
        EXPECT_EQ(eval(board.get()), -score) << fen;
    }
}

// The castled and shelter probes beyond the castling and shelter term cases above.
const struct { const char* placement; int (*probe)(const Board*); int expected; const char* what; }
    kingProbeCases[] = {
    {"4k3/8/8/8/8/8/8/6KR", kingHasCastledWhite, 0, "g1 with the rook still on h1"},
    {"4k3/8/8/8/8/8/7K/8", kingHasCastledWhite, 2, "walked to h2"},
    {"4k3/8/8/8/8/8/8/RK6", kingHasCastledWhite, 0, "b1 with the rook on a1"},
    {"6kr/8/8/8/8/8/8/4K3", kingHasCastledBlack, 0, "g8 with the rook on h8"},
    {"8/1k6/8/8/8/8/8/4K3", kingHasCastledBlack, 1, "walked to b7"},
    {"4k3/8/8/8/8/8/5PPP/6K1", getPawnShelterKingWhite, 0, "f2 g2 h2 in place"},
    {"4k3/8/8/8/8/8/5P2/6K1", getPawnShelterKingWhite, 3, "g2 and h2 missing"},
    {"7K/8/8/8/8/8/8/4k3", getPawnShelterKingWhite, 0, "nothing in front of h8"},
    {"6k1/5p1p/8/8/8/8/8/4K3", getPawnShelterKingBlack, 2, "g7 missing"},
    {"6k1/5pbp/8/8/8/8/8/4K3", getPawnShelterKingBlack, 0, "Black bishop on g7"},
    {"6k1/7p/8/8/8/8/8/4K3", getPawnShelterKingBlack, 3, "f7 and g7 missing"},
};

TEST(Eval, CastledKingsShelterHolesAndTrappedBishops)
{
    for (const auto& c : kingProbeCases) {
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

// A row or column slipped in transcribing a grid breaks its mirror image: the Black tables
// are the White ones turned rank for rank (bar the two bishop squares printed that way).
// No table scores a square off the board, which the padded reads land on.
TEST(Eval, BlackTablesMirrorWhiteAndOffBoardScoresNothing)
{
    const struct { const SquareTable *white, *black; std::vector<int> notMirrored; } tables[] = {
        {&castlingFlagsWhite, &castlingFlagsBlack, {}}, {&outpostKnightWhite, &outpostKnightBlack, {}},
        {&importantSqPawnWhite, &importantSqPawnBlack, {}},
        {&importantSqKnightWhite, &importantSqKnightBlack, {}},
        {&importantSqBishopWhite, &importantSqBishopBlack, {F5, F7}},
        {&importantSqRookWhite, &importantSqRookBlack, {}},
        {&importantSqQueenWhite, &importantSqQueenBlack, {}},
        {&centre, &centre, {}}, {&advancedCentre, &advancedCentre, {}}, {&border, &border, {}},
    };
    for (const auto& t : tables) {
        std::vector<int> notMirrored;
        for (int sq = 0; sq < 128; ++sq) {
            EXPECT_TRUE(onBoard(sq) || ((*t.white)[sq] == 0 && (*t.black)[sq] == 0)) << &t - tables;
            if (onBoard(sq) && (*t.white)[sq] != (*t.black)[sq ^ 0x70]) notMirrored.push_back(sq);
        }
        EXPECT_EQ(notMirrored, t.notMirrored) << "table " << &t - tables;
    }
}

}  // namespace
