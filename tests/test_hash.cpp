#include <gtest/gtest.h>

#include <climits>

#include "search_support.h"

using namespace support;

namespace {

class Table : public ::testing::Test {
protected:
    void SetUp() override
    {
        freshTables();
        board = boardFrom("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
        ASSERT_NE(board, nullptr);
        bb5 = legalMove(board.get(), "f1b5");
        d4 = legalMove(board.get(), "d2d4");
    }
    int probe(int alpha, int beta, int depth)
    {
        found = NO_MOVE;
        nullAllowed = 1;
        return probeHashtable(board.get(), &alpha, &beta, &nullAllowed, depth, &found);
    }
    HashEntry* bucket() { return currentBucket(board.get()); }
    void setSlot(int i, std::uint64_t key, int depth, int score, std::uint8_t type, const Move& m)
    {
        HashEntry* e = bucket();
        e->key[i] = key;
        e->depth[i] = depth;
        e->score[i] = score;
        e->type[i] = type;
        e->move[i] = m;
    }

    std::unique_ptr<Board> board;
    Move bb5{}, d4{}, found{};
    std::uint8_t nullAllowed = 1;
};

TEST_F(Table, EmptyTableGivesNothingAndTouchesNothing)
{
    found = bb5;
    int alpha = -100, beta = 100;
    EXPECT_EQ(probeHashtable(board.get(), &alpha, &beta, &nullAllowed, 0, &found), HASH_NO_SCORE);
    EXPECT_EQ(text(found), "f1b5");
    EXPECT_EQ(nullAllowed, 1);
}

TEST_F(Table, ScoreUsedOnlyAtItsDepthAndOnItsSideOfTheWindow)
{
    struct Case {
        std::uint8_t type;
        int score, alpha, beta, depth, expected;
    };
    constexpr Case cases[] = {
        {0, 42, -1000, 1000, 5, 42},  {0, 42, -1000, 1000, 4, 42},
        {0, 42, -1000, 1000, 6, HASH_NO_SCORE},  // stored too shallow
        {2, 300, 200, 300, 5, 300},   {2, 300, 200, 301, 5, HASH_NO_SCORE},
        {1, -50, -50, 100, 5, -50},   {1, -50, -51, 100, 5, HASH_NO_SCORE},
        {7, 10, -1000, 1000, 5, HASH_NO_SCORE},  // unknown bound types are never used
    };
    for (const Case& c : cases) {
        clearHashtable(hashSize);
        recordHashtable(board.get(), 5, c.score, c.type, &bb5);
        EXPECT_EQ(probe(c.alpha, c.beta, c.depth), c.expected)
            << int(c.type) << " " << c.score << " (" << c.alpha << "," << c.beta << ") " << c.depth;
        EXPECT_EQ(text(found), "f1b5");  // the move comes back whatever the score
    }
}

TEST_F(Table, MateScoresKeepTheirDistanceAcrossPlies)
{
    struct Case {
        int score, storePly, rawStored, probePly, probed;
    };
    constexpr Case cases[] = {
        {31995, 3, 31998, 2, 31996},   {-31995, 3, -31998, 5, -31993},
        {20000, 7, 20000, 1, 20000},   {-20000, 7, -20000, 1, -20000},  // not yet mate scores
        {20001, 4, 20005, 0, 20005},
    };
    for (const Case& c : cases) {
        clearHashtable(hashSize);
        board->ply = std::uint32_t(c.storePly);
        recordHashtable(board.get(), 4, c.score, 0, &bb5);
        EXPECT_EQ(bucket()->score[3], c.rawStored) << c.score;
        board->ply = std::uint32_t(c.probePly);
        EXPECT_EQ(probe(-32000, 32000, 4), c.probed) << c.score;
    }
}

TEST_F(Table, UpperBoundBelowBetaVetoesNullMoveEvenWhenTooShallow)
{
    struct Case {
        std::uint8_t type;
        int beta;
        std::uint8_t allowed;
    };
    constexpr Case cases[] = {{1, 0, 0}, {1, -20, 1}, {2, 0, 1}};
    for (const Case& c : cases) {
        clearHashtable(hashSize);
        recordHashtable(board.get(), 1, -20, c.type, &bb5);
        EXPECT_EQ(probe(-100, c.beta, 8), HASH_NO_SCORE);
        EXPECT_EQ(nullAllowed, c.allowed) << int(c.type) << " beta " << c.beta;
    }
}

TEST_F(Table, MoveComesFromTheDeepestMatchingSlotSeenBeforeTheScore)
{
    setSlot(0, board->hashKey, 6, 10, 2, bb5);  // deep, its bound does not fit
    setSlot(1, board->hashKey, 2, 20, 0, d4);   // shallow and exact
    EXPECT_EQ(probe(-1000, 1000, 2), 20);
    EXPECT_EQ(text(found), "f1b5");
    bucket()->depth[1] = 6;  // as deep: the later slot's move
    EXPECT_EQ(probe(-1000, 1000, 2), 20);
    EXPECT_EQ(text(found), "d2d4");
}

TEST_F(Table, ReplacementTakesTheShallowestLastSlot)
{
    struct Case {
        int depths[4], victim;  // -1: nothing stored
    };
    const Case cases[] = {
        {{3, 1, 1, 2}, 2}, {{-1, 5, -1, 7}, 2}, {{9, 9, 9, 9}, 3}, {{300, 300, 257, 300}, -1}};
    for (const Case& c : cases) {
        for (int i = 0; i < 4; ++i) setSlot(i, 0x1234567ULL + i, c.depths[i], 0, 0, NO_MOVE);
        recordHashtable(board.get(), 1, 77, 0, &bb5);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(bucket()->key[i] == board->hashKey, i == c.victim) << "slot " << i;
            if (i != c.victim) {
                EXPECT_EQ(bucket()->depth[i], c.depths[i]) << "slot " << i;
            }
        }
    }
}

TEST_F(Table, ShallowerResultNeverOverwritesADeeperOneOfTheSamePosition)
{
    setSlot(0, board->hashKey, 6, 111, 0, bb5);
    recordHashtable(board.get(), 2, 222, 0, &d4);
    EXPECT_EQ(bucket()->score[0], 111);
    EXPECT_EQ(bucket()->key[3], board->hashKey);
    EXPECT_EQ(bucket()->score[3], 222);
    recordHashtable(board.get(), 6, 333, 0, &d4);  // as deep: replaced in place
    EXPECT_EQ(bucket()->score[0], 333);
    EXPECT_EQ(text(bucket()->move[0]), "d2d4");
}

void roundTrip(std::int32_t expectedSize)
{
    auto board = boardFrom(initialPosition);
    Move m = legalMove(board.get(), "e2e4"), got = NO_MOVE;
    recordHashtable(board.get(), 3, 5, 0, &m);
    int alpha = -100, beta = 100;
    std::uint8_t allowed = 1;
    EXPECT_EQ(probeHashtable(board.get(), &alpha, &beta, &allowed, 3, &got),
              expectedSize ? 5 : HASH_NO_SCORE);
    EXPECT_EQ(hashSize, expectedSize);
}

TEST(TableSize, AnySizeIndexesAndClearsWithinTheTable)
{
    initZobrist();
    initHashtable(1000);  // not a power of two: the remainder picks the bucket
    clearHashtable(INT32_MAX);
    roundTrip(1000);
    initHashtable(0);  // no table at all: nothing found, nothing stored, no crash
    clearHashtable(HASH_DEFAULT_BUCKETS);
    roundTrip(0);
    initHashtable(TEST_BUCKETS);
}

TEST(TableSize, UnobtainableSizeFallsBackToAPowerOfTwo)
{
    if (std::getenv("QUILLMAREN_SANITIZED")) GTEST_SKIP() << "the sanitizer aborts instead";
    initZobrist();
    initHashtable(INT32_MAX);  // about 270 GB: more than the machine has
    ASSERT_NE(hashtable, nullptr);
    EXPECT_GT(hashSize, 0);
    // All of it, where the system promises memory it may not have, or a power of two.
    EXPECT_TRUE(hashSize == INT32_MAX || (hashSize & (hashSize - 1)) == 0) << hashSize;
    auto board = boardFrom(initialPosition);  // only the bucket used is ever touched
    currentBucket(board.get());
    roundTrip(hashSize);
    initHashtable(TEST_BUCKETS);
}

}  // namespace
