// SPDX-License-Identifier: GPL-3.0-or-later
#include "search_support.h"

namespace {

constexpr int NONE = HASH_NO_SCORE;

std::uint8_t nullAllowed;  // as the last probe left them
Move found;

// A probe of the board's position, with the null move allowed before it.
int probe(Board* board, int alpha, int beta, int depth)
{
    nullAllowed = 1;
    found = NO_MOVE;
    return probeHashtable(board, &alpha, &beta, &nullAllowed, depth, &found);
}

TEST(Table, ScoreUsedOnlyDeepEnoughOnItsSideOfTheWindowAndMatesKeepTheirDistance)
{
    freshTables();
    auto board = boardFromFen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    const Move bb5 = legalMove(board.get(), "f1b5");
    // bound type, depth, score and ply stored; alpha, beta, depth and ply probed; the
    // result, and whether a null move is still allowed
    constexpr int cases[][10] = {
        {0, 5, 42, 0, -1000, 1000, 5, 0, 42, 1},  {0, 5, 42, 0, -1000, 1000, 4, 0, 42, 1},
        {0, 5, 42, 0, -1000, 1000, 6, 0, NONE, 1},  // stored too shallow
        {2, 5, 300, 0, 200, 300, 5, 0, 300, 1},   {2, 5, 300, 0, 200, 301, 5, 0, NONE, 1},
        {1, 5, -50, 0, -50, 100, 5, 0, -50, 0},   {1, 5, -50, 0, -51, 100, 5, 0, NONE, 0},
        {7, 5, 10, 0, -1000, 1000, 5, 0, NONE, 1},  // unknown bound types are never used
        // A fail-low below beta, however shallow, says a null move would fail too.
        {1, 1, -20, 0, -100, 0, 8, 0, NONE, 0},   {1, 1, -20, 0, -100, -20, 8, 0, NONE, 1},
        {2, 1, -20, 0, -100, 0, 8, 0, NONE, 1},
        {0, 4, 31995, 3, 0, 1, 4, 2, 31996, 1},   {0, 4, -31995, 3, 0, 1, 4, 5, -31993, 1},
        {0, 4, 20000, 7, 0, 1, 4, 1, 20000, 1},  // not yet a mate score
        {0, 4, 20001, 4, 0, 1, 4, 0, 20005, 1},
    };
    for (const auto& c : cases) {
        clearHashtable(hashSize);
        board->ply = std::uint32_t(c[3]);
        recordHashtable(board.get(), c[1], c[2], std::uint8_t(c[0]), &bb5);
        board->ply = std::uint32_t(c[7]);
        EXPECT_EQ(probe(board.get(), c[4], c[5], c[6]), c[8]) << "case " << &c - cases;
        EXPECT_EQ(nullAllowed, c[9]) << "case " << &c - cases;
        EXPECT_EQ(moveText(found), "f1b5");  // the move comes back whatever the score
    }
}

TEST(Table, ReplacementKeepsDeeperResultsAndTakesTheShallowestLastSlot)
{
    // depths of the four slots, the slot holding this position (-1: none), the depth stored,
    // the slot it lands in (-1: nothing stored)
    constexpr int cases[][7] = {
        {3, 1, 1, 2, -1, 1, 2},  {-1, 5, -1, 7, -1, 1, 2},  {9, 9, 9, 9, -1, 1, 3},
        {300, 300, 257, 300, -1, 1, -1},
        {6, 1, 1, 1, 0, 2, 3},  // a shallower result never overwrites a deeper one
        {6, 1, 1, 1, 0, 6, 0},  // as deep: replaced in place
        {1, 2, 3, 4, 2, 5, 2},  // its own slot before the shallowest
    };
    freshTables();
    auto board = boardFromFen(initialPosition);
    for (const auto& c : cases) {
        HashEntry* e = currentBucket(board.get());
        for (int i = 0; i < 4; ++i)
            writeSlot(e, i, i == c[4] ? board->hashKey : 0x1234567ULL + i, c[i], 0, 0, &NO_MOVE);
        recordHashtable(board.get(), c[5], 77, 0, &NO_MOVE);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(slotKey(e, i), i == c[6] || i == c[4] ? board->hashKey : 0x1234567ULL + i);
            EXPECT_EQ(slotDepth(e, i), i == c[6] ? c[5] : c[i]) << &c - cases << " slot " << i;
        }
    }
}

TEST(TableSize, AnySizeIndexesStoresAndClearsWithinTheTable)
{
    auto board = boardFromFen(initialPosition);
    // Not a power of two (the remainder picks the bucket), none at all, and about 270 GB:
    // more than the machine has, unless the system promises memory it may not have.
    for (std::int32_t size : {1000, 0, INT32_MAX}) {
        if (size == INT32_MAX && sanitizedRun()) continue;  // the sanitizer aborts instead
        initHashtable(size);
        clearHashtable(INT32_MAX);
        const bool powerOfTwo = hashSize > 0 && (hashSize & (hashSize - 1)) == 0;
        EXPECT_TRUE(hashSize == size || (size == INT32_MAX && powerOfTwo)) << hashSize;
        recordHashtable(board.get(), 3, 5, 0, &NO_MOVE);  // only the bucket used is touched
        EXPECT_EQ(probe(board.get(), -100, 100, 3), hashSize ? 5 : NONE);
        clearHashtable(hashSize);
        EXPECT_EQ(probe(board.get(), -100, 100, 3), NONE);
    }
    initHashtable(TEST_BUCKETS);
}

}  // namespace
