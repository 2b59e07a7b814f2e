#include <gtest/gtest.h>

#include <vector>

#include "eval.h"
#include "test_support.h"

namespace {

struct NamedTable {
    const char* name;
    const SquareTable* table;
};

const NamedTable squareTables[] = {
    {"castlingFlagsWhite", &castlingFlagsWhite},
    {"castlingFlagsBlack", &castlingFlagsBlack},
    {"centre", &centre},
    {"advancedCentre", &advancedCentre},
    {"border", &border},
    {"outpostKnightWhite", &outpostKnightWhite},
    {"outpostKnightBlack", &outpostKnightBlack},
    {"importantSqPawnWhite", &importantSqPawnWhite},
    {"importantSqPawnBlack", &importantSqPawnBlack},
    {"importantSqKnightWhite", &importantSqKnightWhite},
    {"importantSqKnightBlack", &importantSqKnightBlack},
    {"importantSqBishopWhite", &importantSqBishopWhite},
    {"importantSqBishopBlack", &importantSqBishopBlack},
    {"importantSqRookWhite", &importantSqRookWhite},
    {"importantSqRookBlack", &importantSqRookBlack},
    {"importantSqQueenWhite", &importantSqQueenWhite},
    {"importantSqQueenBlack", &importantSqQueenBlack},
};

TEST(EvalTables, OffBoardIndicesAddNothing)
{
    for (const NamedTable& t : squareTables)
        for (int sq = 0; sq < 128; ++sq)
            if (!onBoard(sq)) {
                EXPECT_EQ((*t.table)[sq], 0) << t.name << " index " << sq;
            }
}

// A few squares per grid, read off the printed grids: a row or a column slipped in
// transcription, or the grid read rank 1 first, moves these values.
struct SquareCase {
    const SquareTable* table;
    int square;
    int value;
};

// clang-format off
const SquareCase squareCases[] = {
    {&castlingFlagsWhite, C1, 1}, {&castlingFlagsWhite, B2, 1}, {&castlingFlagsWhite, C2, 0},
    {&castlingFlagsWhite, D1, 0}, {&castlingFlagsWhite, H2, 2}, {&castlingFlagsWhite, G1, 2},
    {&castlingFlagsBlack, C8, 1}, {&castlingFlagsBlack, B7, 1}, {&castlingFlagsBlack, C7, 0},
    {&castlingFlagsBlack, G7, 2}, {&castlingFlagsBlack, E8, 0}, {&castlingFlagsBlack, G2, 0},
    {&centre, D4, 2}, {&centre, E5, 2}, {&centre, C3, 1}, {&centre, F6, 1}, {&centre, B4, 0},
    {&centre, E7, 0},
    {&advancedCentre, C7, 1}, {&advancedCentre, D7, 0}, {&advancedCentre, F2, 1},
    {&advancedCentre, D5, 4}, {&advancedCentre, C4, 3}, {&advancedCentre, E6, 3},
    {&border, A1, 3}, {&border, H8, 3}, {&border, B2, 1}, {&border, C3, 0}, {&border, A4, 2},
    {&border, G5, 1},
    {&outpostKnightWhite, B6, 1}, {&outpostKnightWhite, B4, 0}, {&outpostKnightWhite, C3, 1},
    {&outpostKnightWhite, G5, 1}, {&outpostKnightWhite, H5, 0}, {&outpostKnightWhite, D7, 0},
    {&outpostKnightBlack, B3, 1}, {&outpostKnightBlack, B5, 0}, {&outpostKnightBlack, C6, 1},
    {&outpostKnightBlack, G4, 1}, {&outpostKnightBlack, D2, 0},
    {&importantSqPawnWhite, G4, 1}, {&importantSqPawnWhite, B4, 0}, {&importantSqPawnWhite, D8, 5},
    {&importantSqPawnWhite, B6, 1}, {&importantSqPawnWhite, B7, 3}, {&importantSqPawnWhite, A8, 0},
    {&importantSqPawnBlack, G5, 1}, {&importantSqPawnBlack, B5, 0}, {&importantSqPawnBlack, D1, 5},
    {&importantSqPawnBlack, B3, 1}, {&importantSqPawnBlack, C4, 3},
    {&importantSqKnightWhite, F5, 5}, {&importantSqKnightWhite, C5, 3},
    {&importantSqKnightWhite, D7, 2}, {&importantSqKnightWhite, C2, 0},
    {&importantSqKnightWhite, D2, 1}, {&importantSqKnightWhite, B3, 1},
    {&importantSqKnightBlack, F4, 5}, {&importantSqKnightBlack, C4, 3},
    {&importantSqKnightBlack, D2, 2}, {&importantSqKnightBlack, C7, 0},
    {&importantSqKnightBlack, G6, 1},
    {&importantSqBishopWhite, A8, 1}, {&importantSqBishopWhite, F7, 2},
    {&importantSqBishopWhite, B6, 0}, {&importantSqBishopWhite, H1, 1},
    {&importantSqBishopWhite, E6, 2}, {&importantSqBishopWhite, D7, 0},
    {&importantSqBishopBlack, F4, 2}, {&importantSqBishopBlack, B3, 0},
    {&importantSqBishopBlack, C1, 1}, {&importantSqBishopBlack, H2, 1},
    {&importantSqBishopBlack, F7, 0}, {&importantSqBishopBlack, G5, 1},
    {&importantSqRookWhite, D8, 1}, {&importantSqRookWhite, D7, 4}, {&importantSqRookWhite, A4, 1},
    {&importantSqRookWhite, H4, 1}, {&importantSqRookWhite, G6, 1}, {&importantSqRookWhite, B6, 0},
    {&importantSqRookWhite, C7, 3},
    {&importantSqRookBlack, D1, 1}, {&importantSqRookBlack, D2, 4}, {&importantSqRookBlack, A5, 1},
    {&importantSqRookBlack, G3, 1}, {&importantSqRookBlack, B3, 0},
    {&importantSqQueenWhite, G7, 2}, {&importantSqQueenWhite, H7, 2},
    {&importantSqQueenWhite, A2, 1}, {&importantSqQueenWhite, B2, 0},
    {&importantSqQueenWhite, D5, 2}, {&importantSqQueenWhite, A8, 0},
    {&importantSqQueenBlack, G2, 2}, {&importantSqQueenBlack, A7, 1},
    {&importantSqQueenBlack, B7, 0}, {&importantSqQueenBlack, C8, 1},
    {&importantSqQueenBlack, E4, 2},
};
// clang-format on

TEST(EvalTables, SquaresReadOffThePrintedGrids)
{
    for (const SquareCase& c : squareCases)
        EXPECT_EQ((*c.table)[c.square], c.value) << "square " << squareName(c.square);
}

// Where a Black table is the White one mirrored rank for rank, and the only squares where
// it is not: a mirror-made Black table, or a slip in one of the two, breaks this.
struct MirrorCase {
    const SquareTable* white;
    const SquareTable* black;
    std::vector<int> whiteSquaresDiffering;
};

TEST(EvalTables, BlackTablesMirrorWhiteExceptTheBishopSquares)
{
    const MirrorCase cases[] = {
        {&castlingFlagsWhite, &castlingFlagsBlack, {}},
        {&outpostKnightWhite, &outpostKnightBlack, {}},
        {&importantSqPawnWhite, &importantSqPawnBlack, {}},
        {&importantSqKnightWhite, &importantSqKnightBlack, {}},
        {&importantSqBishopWhite, &importantSqBishopBlack, {F5, F7}},
        {&importantSqRookWhite, &importantSqRookBlack, {}},
        {&importantSqQueenWhite, &importantSqQueenBlack, {}},
    };
    for (const MirrorCase& c : cases) {
        std::vector<int> differing;
        for (int sq = 0; sq < 128; ++sq)
            if (onBoard(sq) && (*c.white)[sq] != (*c.black)[sq ^ 0x70]) differing.push_back(sq);
        EXPECT_EQ(differing, c.whiteSquaresDiffering);
    }
    EXPECT_EQ(importantSqBishopWhite[F7], 2);
    EXPECT_EQ(importantSqBishopBlack[F2], 1);
    EXPECT_EQ(importantSqBishopWhite[F5], 1);
    EXPECT_EQ(importantSqBishopBlack[F4], 2);
}

TEST(EvalTables, SmallTablesHoldTheirValues)
{
    const int passed[9] = {0, 1, 1, 1, 1, 5, 6, 8, 10};
    const int rankW[9] = {0, 0, 0, 1, 4, 6, 8, 10, 14};
    const int rankB[9] = {0, 14, 10, 8, 6, 4, 1, 0, 0};
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(passedPawnTable[i], passed[i]) << i;
        EXPECT_EQ(bonusRankPawnW[i], rankW[i]) << i;
        EXPECT_EQ(bonusRankPawnB[i], rankB[i]) << i;
    }
    const int malus[8] = {-15, -10, -5, -3, -2, 0, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(malusNearToKing[i], malus[i]) << i;
    const int threat[15] = {0, 3, 15, 20, 25, 30, 45, 60, 65, 70, 75, 80, 85, 90, 95};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(bonusKingThreat[i], threat[i]) << i;
    for (int i = 15; i < 256; ++i) EXPECT_EQ(bonusKingThreat[i], 100) << i;
}

}  // namespace
