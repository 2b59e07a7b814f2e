#include <gtest/gtest.h>

#include <climits>

#include "search_support.h"

using namespace support;

namespace {

class TableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        freshTables();
        board = boardFrom("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
        ASSERT_NE(board, nullptr);
        stored = legalMove(board.get(), "f1b5");
        ASSERT_NE(stored.from, NO_SQUARE);
    }

    // Probe with a window; the table move and the null-move permission come back too.
    int probe(int alpha, int beta, int depth)
    {
        tableMove = NO_MOVE;
        nullAllowed = 1;
        return probeHashtable(board.get(), &alpha, &beta, &nullAllowed, depth, &tableMove);
    }

    HashEntry* bucket() { return &hashtable[board->hashKey2 & std::uint64_t(hashSize - 1)]; }

    std::unique_ptr<Board> board;
    Move stored{};
    Move tableMove{};
    std::uint8_t nullAllowed = 1;
};

TEST_F(TableTest, EmptyTableGivesNoScoreAndTouchesNothing)
{
    int alpha = -100, beta = 100;
    Move m = stored;
    std::uint8_t allowed = 1;
    EXPECT_EQ(probeHashtable(board.get(), &alpha, &beta, &allowed, 0, &m), HASH_NO_SCORE);
    EXPECT_EQ(text(m), "f1b5");
    EXPECT_EQ(allowed, 1);
    EXPECT_EQ(alpha, -100);
    EXPECT_EQ(beta, 100);
}

TEST_F(TableTest, ExactScoreUsableOnlyUpToItsDepthButMoveAlwaysReturned)
{
    recordHashtable(board.get(), 5, 42, 0, &stored);
    struct Case {
        int depth;
        int expected;
    };
    constexpr Case cases[] = {{5, 42}, {4, 42}, {0, 42}, {6, HASH_NO_SCORE}, {20, HASH_NO_SCORE}};
    for (const Case& c : cases) {
        EXPECT_EQ(probe(-1000, 1000, c.depth), c.expected) << "requested depth " << c.depth;
        EXPECT_EQ(text(tableMove), "f1b5") << "requested depth " << c.depth;
    }
}

TEST_F(TableTest, BoundsAreUsedOnlyOnTheirSideOfTheWindow)
{
    struct Case {
        std::uint8_t type;
        int score, alpha, beta, expected;
    };
    constexpr Case cases[] = {
        {2, 300, 200, 300, 300},              // lower bound reaches beta
        {2, 300, 200, 250, 300},
        {2, 300, 200, 301, HASH_NO_SCORE},    // lower bound short of beta
        {1, -50, -50, 100, -50},              // upper bound at alpha
        {1, -50, 0, 100, -50},                // upper bound below alpha
        {1, -50, -51, 100, HASH_NO_SCORE},    // upper bound above alpha
        {0, 999, 0, 1, 999},                  // exact: whatever the window
        {7, 10, -1000, 1000, HASH_NO_SCORE},  // unknown bound types are never used
    };
    for (const Case& c : cases) {
        clearHashtable(hashSize);
        recordHashtable(board.get(), 3, c.score, c.type, &stored);
        EXPECT_EQ(probe(c.alpha, c.beta, 3), c.expected)
            << "type " << int(c.type) << " score " << c.score << " window " << c.alpha << ","
            << c.beta;
    }
}

TEST_F(TableTest, MateScoresKeepTheirDistanceAcrossPlies)
{
    struct Case {
        int score, storePly, rawStored, probePly, probed;
    };
    constexpr Case cases[] = {
        {31995, 3, 31998, 2, 31996},     // mate found deeper comes back nearer the root
        {-31995, 3, -31998, 5, -31993},  // being mated, probed further from the root
        {20000, 7, 20000, 1, 20000},     // the edge itself is no mate score
        {-20000, 7, -20000, 1, -20000},
        {20001, 4, 20005, 0, 20005},
        {0, 9, 0, 2, 0},
    };
    for (const Case& c : cases) {
        clearHashtable(hashSize);
        board->ply = std::uint32_t(c.storePly);
        recordHashtable(board.get(), 4, c.score, 0, &stored);
        const HashEntry* e = bucket();
        int slot = -1;
        for (int i = 0; i < 4; ++i)
            if (e->key[i] == board->hashKey) slot = i;
        ASSERT_GE(slot, 0);
        EXPECT_EQ(e->score[slot], c.rawStored) << "score " << c.score;
        board->ply = std::uint32_t(c.probePly);
        EXPECT_EQ(probe(-32000, 32000, 4), c.probed) << "score " << c.score;
    }
    board->ply = 0;
}

TEST_F(TableTest, UpperBoundBelowBetaVetoesNullMoveEvenWhenTooShallow)
{
    recordHashtable(board.get(), 1, -20, 1, &stored);
    EXPECT_EQ(probe(-100, 0, 8), HASH_NO_SCORE);
    EXPECT_EQ(nullAllowed, 0);
    // At or above beta it says nothing against the null move.
    EXPECT_EQ(probe(-100, -20, 8), HASH_NO_SCORE);
    EXPECT_EQ(nullAllowed, 1);
    // A lower bound never vetoes it.
    clearHashtable(hashSize);
    recordHashtable(board.get(), 1, -20, 2, &stored);
    probe(-100, 0, 8);
    EXPECT_EQ(nullAllowed, 1);
}

TEST_F(TableTest, DeepestMatchingSlotGivesTheMoveEvenWhenAnotherGivesTheScore)
{
    // Slot 0 deep with a bound that does not fit the window, slot 1 shallow and exact.
    HashEntry* e = bucket();
    const Move other = legalMove(board.get(), "d2d4");
    const std::int32_t depths[2] = {6, 2}, scores[2] = {10, 20};
    const std::uint8_t types[2] = {2, 0};
    const Move moves[2] = {stored, other};
    for (int i = 0; i < 2; ++i) {
        e->key[i] = board->hashKey;
        e->depth[i] = depths[i];
        e->score[i] = scores[i];
        e->type[i] = types[i];
        e->move[i] = moves[i];
    }
    EXPECT_EQ(probe(-1000, 1000, 2), 20);
    EXPECT_EQ(text(tableMove), "f1b5");
    // A later slot as deep as the best so far gives its move instead.
    e->depth[1] = 6;
    EXPECT_EQ(probe(-1000, 1000, 2), 20);
    EXPECT_EQ(text(tableMove), "d2d4");
}

// Fills the bucket of the board's position with foreign keys at the given depths.
void fillBucket(HashEntry* e, const int (&depths)[4])
{
    for (int i = 0; i < 4; ++i) {
        e->key[i] = 0x1234567ULL + std::uint64_t(i);
        e->depth[i] = depths[i];
        e->score[i] = 0;
        e->type[i] = 0;
        e->move[i] = NO_MOVE;
    }
}

TEST_F(TableTest, ReplacementTakesTheShallowestLastSlot)
{
    struct Case {
        int depths[4];
        int newDepth;
        int victim;  // -1: nothing stored
    };
    const Case cases[] = {
        {{3, 1, 1, 2}, 4, 2},    // the last of the two shallowest
        {{-1, 5, -1, 7}, 1, 2},  // empty slots first, the last of them
        {{9, 9, 9, 9}, 1, 3},    // all equal: the last
        {{300, 300, 257, 300}, 1, -1},  // every slot deeper than 256: kept
    };
    for (const Case& c : cases) {
        HashEntry* e = bucket();
        fillBucket(e, c.depths);
        recordHashtable(board.get(), c.newDepth, 77, 0, &stored);
        for (int i = 0; i < 4; ++i) {
            const bool written = e->key[i] == board->hashKey;
            EXPECT_EQ(written, i == c.victim) << "slot " << i;
            if (i != c.victim) {
                EXPECT_EQ(e->depth[i], c.depths[i]) << "slot " << i;
            }
        }
    }
}

TEST_F(TableTest, ShallowerResultNeverOverwritesDeeperOneOfSamePosition)
{
    recordHashtable(board.get(), 6, 111, 0, &stored);
    HashEntry* e = bucket();
    ASSERT_EQ(e->key[3], board->hashKey);  // the last empty slot took it
    // Move it to slot 0 as the case describes: slot 0 deep, the others empty.
    e->key[0] = e->key[3];
    e->depth[0] = 6;
    e->score[0] = 111;
    e->move[0] = stored;
    e->key[3] = 0;
    e->depth[3] = -1;
    Move other = legalMove(board.get(), "d2d4");
    recordHashtable(board.get(), 2, 222, 0, &other);
    EXPECT_EQ(e->depth[0], 6);
    EXPECT_EQ(e->score[0], 111);
    EXPECT_EQ(e->key[3], board->hashKey);
    EXPECT_EQ(e->depth[3], 2);
    EXPECT_EQ(e->score[3], 222);
    // The same or a deeper result replaces its own slot in place.
    recordHashtable(board.get(), 6, 333, 0, &other);
    EXPECT_EQ(e->score[0], 333);
    EXPECT_EQ(text(e->move[0]), "d2d4");
}

TEST_F(TableTest, ClearEmptiesEverySlot)
{
    recordHashtable(board.get(), 5, 42, 0, &stored);
    clearHashtable(hashSize);
    for (std::int32_t b = 0; b < hashSize; ++b)
        for (int i = 0; i < 4; ++i) {
            ASSERT_EQ(hashtable[b].depth[i], -1);
            ASSERT_EQ(hashtable[b].score[i], HASH_NO_SCORE);
            ASSERT_EQ(hashtable[b].move[i].from, NO_SQUARE);
            ASSERT_EQ(hashtable[b].key[i], 0u);
        }
}

TEST(TableSize, ClearNeverWritesPastTheTable)
{
    initZobrist();
    initHashtable(1000);  // not a power of two: the bucket comes from the remainder
    ASSERT_EQ(hashSize, 1000);
    clearHashtable(INT32_MAX);  // clamped to the table
    auto board = boardFrom(initialPosition);
    Move m = legalMove(board.get(), "e2e4");
    recordHashtable(board.get(), 3, 5, 0, &m);
    int alpha = -100, beta = 100;
    std::uint8_t allowed = 1;
    Move got = NO_MOVE;
    EXPECT_EQ(probeHashtable(board.get(), &alpha, &beta, &allowed, 3, &got), 5);
    EXPECT_EQ(text(got), "e2e4");
    initHashtable(TEST_BUCKETS);
}

TEST(TableSize, NoTableMeansNoScoresAndNoCrash)
{
    initZobrist();
    initHashtable(0);
    EXPECT_EQ(hashSize, 0);
    EXPECT_EQ(hashtable, nullptr);
    clearHashtable(HASH_DEFAULT_BUCKETS);
    auto board = boardFrom(initialPosition);
    Move m = legalMove(board.get(), "e2e4");
    recordHashtable(board.get(), 3, 5, 0, &m);
    int alpha = -100, beta = 100;
    std::uint8_t allowed = 1;
    Move got = NO_MOVE;
    EXPECT_EQ(probeHashtable(board.get(), &alpha, &beta, &allowed, 0, &got), HASH_NO_SCORE);
    // A search still finds its move without a table.
    Move best = NO_MOVE;
    clearHistoryHeuristic();
    clearKillerMove();
    searchDepth(board.get(), &best, 3);
    EXPECT_TRUE(isLegal(board.get(), best));
    initHashtable(TEST_BUCKETS);
}

TEST(TableSize, UnobtainableSizeFallsBackToAPowerOfTwo)
{
    if (sanitized()) GTEST_SKIP() << "the sanitizer's allocator aborts on such a request";
    initZobrist();
    initHashtable(INT32_MAX);  // about 220 GB of buckets: more than the machine has
    ASSERT_NE(hashtable, nullptr);
    EXPECT_GT(hashSize, 0);
    EXPECT_EQ(hashSize & (hashSize - 1), 0);
    // Only the bucket used is touched: the rest of the block is never written.
    auto board = boardFrom(initialPosition);
    HashEntry* e = &hashtable[board->hashKey2 & std::uint64_t(hashSize - 1)];
    const int depths[4] = {-1, -1, -1, -1};
    fillBucket(e, depths);
    Move m = legalMove(board.get(), "e2e4");
    recordHashtable(board.get(), 3, 5, 0, &m);
    int alpha = -100, beta = 100;
    std::uint8_t allowed = 1;
    Move got = NO_MOVE;
    EXPECT_EQ(probeHashtable(board.get(), &alpha, &beta, &allowed, 3, &got), 5);
    initHashtable(TEST_BUCKETS);
}

}  // namespace
