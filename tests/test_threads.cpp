// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel search in-process: helpers search beside the main thread, share its table and
// its node count, and stop with it. Run under ThreadSanitizer by scripts/run-tsan.sh.
#include <gtest/gtest.h>

#include "search_support.h"
#include "threads.h"

namespace {

int pollsLeft;
bool stopAfterSomePolls() { return --pollsLeft <= 0; }

}  // namespace

TEST(Threads, HelpersSearchTheRootShareTheNodesAndStopWithTheMainThread)
{
    auto board = boardFromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    setSearchThreads(3);
    ASSERT_EQ(searchThreadCount(), 3);
    // Deep enough from an empty table that the helpers are awake before the main thread ends.
    SearchLimits limits = {0, 0, 8, false, nullptr, 0, 0, 1, false};
    for (int search = 0; search < 2; ++search) {  // the same threads, woken twice
        freshTables();
        Move best = NO_MOVE;
        parallelSearch(board.get(), &best, &limits);
        waitForHelpers();
        EXPECT_EQ(moveText(legalMove(board.get(), moveText(best))), moveText(best));
        EXPECT_GT(helperNodes(), 0) << "the helpers searched";
        EXPECT_EQ(board->ply, 0u);
    }

    // A node limit counts every thread's nodes.
    limits = {0, 0, MAX_DEPTH, false, nullptr, 200000, 0, 1, false};
    Move best = NO_MOVE;
    parallelSearch(board.get(), &best, &limits);
    waitForHelpers();
    EXPECT_GE(globalNodes + helperNodes(), 200000);
    EXPECT_LT(globalNodes, 200000) << "the helpers' nodes count towards the limit";

    // The input tells the main thread to stop: every thread ends, with a legal move.
    limits = {0, 0, MAX_DEPTH, false, nullptr, 0, 0, 1, false};
    pollsLeft = 30;
    searchPoll = stopAfterSomePolls;
    parallelSearch(board.get(), &best, &limits);
    waitForHelpers();
    searchPoll = nullptr;
    EXPECT_LE(pollsLeft, 0);
    EXPECT_EQ(moveText(legalMove(board.get(), moveText(best))), moveText(best));

    setSearchThreads(1);  // back to one (through UCI, node for node: test_uci.cpp)
    EXPECT_EQ(helperNodes(), 0);
}
