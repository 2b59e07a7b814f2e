#include <gtest/gtest.h>

#include <iterator>
#include <utility>
#include <vector>

#include "eval.h"
#include "test_support.h"

namespace {

// A few squares per grid, read off the printed grids: a row or a column slipped in
// transcription, or a grid read rank 1 first, moves these values. Where a Black table is
// the White one mirrored rank for rank, any square that is not (bar the two bishop squares
// printed that way) is a slip in one of the two.
struct TableCase {
    const SquareTable* table;
    const SquareTable* black;  // the Black counterpart, if any
    std::vector<std::pair<int, int>> pins;  // square, value
    std::vector<int> notMirrored;
};

// clang-format off
const TableCase tableCases[] = {
    {&castlingFlagsWhite, &castlingFlagsBlack, {{C1, 1}, {B2, 1}, {C2, 0}, {H2, 2}}, {}},
    {&castlingFlagsBlack, nullptr, {{C8, 1}, {B7, 1}, {C7, 0}, {G7, 2}, {G2, 0}}, {}},
    {&centre, nullptr, {{D4, 2}, {E5, 2}, {C3, 1}, {F6, 1}, {B4, 0}, {E7, 0}}, {}},
    {&advancedCentre, nullptr, {{C7, 1}, {D7, 0}, {F2, 1}, {D5, 4}, {C4, 3}, {E6, 3}}, {}},
    {&border, nullptr, {{A1, 3}, {H8, 3}, {B2, 1}, {C3, 0}, {A4, 2}, {G5, 1}}, {}},
    {&outpostKnightWhite, &outpostKnightBlack, {{B6, 1}, {B4, 0}, {G5, 1}, {H5, 0}}, {}},
    {&outpostKnightBlack, nullptr, {{B3, 1}, {B5, 0}, {C6, 1}, {D2, 0}}, {}},
    {&importantSqPawnWhite, &importantSqPawnBlack, {{G4, 1}, {D8, 5}, {B7, 3}, {A8, 0}}, {}},
    {&importantSqPawnBlack, nullptr, {{G5, 1}, {D1, 5}, {B3, 1}, {C4, 3}}, {}},
    {&importantSqKnightWhite, &importantSqKnightBlack, {{F5, 5}, {C5, 3}, {D7, 2}, {C2, 0}}, {}},
    {&importantSqKnightBlack, nullptr, {{F4, 5}, {C4, 3}, {D2, 2}, {C7, 0}, {G6, 1}}, {}},
    {&importantSqBishopWhite, &importantSqBishopBlack, {{A8, 1}, {F7, 2}, {F5, 1}}, {F5, F7}},
    {&importantSqBishopBlack, nullptr, {{F4, 2}, {F2, 1}, {B3, 0}, {C1, 1}, {F7, 0}}, {}},
    {&importantSqRookWhite, &importantSqRookBlack, {{D8, 1}, {D7, 4}, {B6, 0}, {C7, 3}}, {}},
    {&importantSqRookBlack, nullptr, {{D1, 1}, {D2, 4}, {A5, 1}, {B3, 0}}, {}},
    {&importantSqQueenWhite, &importantSqQueenBlack, {{G7, 2}, {A2, 1}, {B2, 0}, {D5, 2}}, {}},
    {&importantSqQueenBlack, nullptr, {{G2, 2}, {A7, 1}, {B7, 0}, {C8, 1}, {E4, 2}}, {}},
};
// clang-format on

TEST(EvalTables, GridsTranscribedWithOffBoardZeroAndTheirColourAsymmetries)
{
    for (std::size_t i = 0; i < std::size(tableCases); ++i) {
        const TableCase& c = tableCases[i];
        for (const auto& [sq, value] : c.pins)
            EXPECT_EQ((*c.table)[sq], value) << "table " << i << ", " << squareName(sq);
        std::vector<int> notMirrored;
        for (int sq = 0; sq < 128; ++sq) {
            if (!onBoard(sq)) {
                EXPECT_EQ((*c.table)[sq], 0) << "table " << i << ", index " << sq;
            } else if (c.black && (*c.table)[sq] != (*c.black)[sq ^ 0x70]) {
                notMirrored.push_back(sq);
            }
        }
        EXPECT_EQ(notMirrored, c.notMirrored) << "table " << i;
    }
}

TEST(EvalTables, SmallTablesHoldTheirValues)
{
    using Nine = std::array<std::int32_t, 9>;
    EXPECT_EQ(passedPawnTable, (Nine{0, 1, 1, 1, 1, 5, 6, 8, 10}));
    EXPECT_EQ(bonusRankPawnW, (Nine{0, 0, 0, 1, 4, 6, 8, 10, 14}));
    EXPECT_EQ(bonusRankPawnB, (Nine{0, 14, 10, 8, 6, 4, 1, 0, 0}));
    EXPECT_EQ(malusNearToKing, (std::array<std::int32_t, 8>{-15, -10, -5, -3, -2, 0, 0, 0}));
    const int threat[15] = {0, 3, 15, 20, 25, 30, 45, 60, 65, 70, 75, 80, 85, 90, 95};
    for (int i = 0; i < 256; ++i) EXPECT_EQ(bonusKingThreat[i], i < 15 ? threat[i] : 100) << i;
}

}  // namespace
