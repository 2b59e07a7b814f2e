// SPDX-License-Identifier: GPL-3.0-or-later
#include <regex>
#include <tuple>

#include "search_support.h"
#include "utils.h"

namespace {

constexpr auto KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
// Forced mates, checked by exhaustive search: none is shorter.
constexpr const char* MATE_IN_2 = "6k1/4rppp/8/8/8/8/5PPP/R2R2K1 w - - 0 1";
constexpr const char* MATE_IN_3 = "r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1";
constexpr const char* STALEMATE = "k7/8/1Q6/8/8/8/8/7K b - - 0 1";

PvLine nodeLine;  // the last node's line, made long before each node to show it is reset

// A node at the given ply, with the globals the driver sets; the tables are left as they are.
int node(Board* board, int ply, int alpha, int beta, int depth, std::uint8_t nullAllowed = 1)
{
    globalNodes = globalQNodes = nullTried = abortNodes = searchAborted = followPV = 0;
    fractalExtensions = 0;
    timerSearchStart = timer();
    maxTimeAllowed = INT64_MAX / 4;
    board->ply = std::uint32_t(ply);
    board->hashMove = NO_MOVE;
    nodeLine.length = 9;
    return alphaBeta(board, alpha, beta, depth, &nodeLine, nullAllowed);
}

TEST(Repetition, RecurrenceInsideTheLineScoresZeroButARecurringRootIsSearched)
{
    auto board = boardFromFen("4k1n1/8/8/8/8/8/8/Q3K1N1 w - - 0 1");  // white a queen up
    ASSERT_TRUE(play(board.get(), "g1f3 g8f6 f3g1 f6g8"));
    EXPECT_EQ(checkDraw(board.get()), 0);  // the set-up position is not in the history
    ASSERT_TRUE(play(board.get(), "g1f3"));
    EXPECT_EQ(checkDraw(board.get()), 1);
    freshTables();
    EXPECT_EQ(node(board.get(), 1, -32000, 32000, 3), 0);
    EXPECT_EQ(qSearch(board.get(), -32000, 32000, 0), 0);
    ASSERT_TRUE(play(board.get(), "g8f6"));
    EXPECT_GT(node(board.get(), 0, -32000, 32000, 2, 0), 500);
    // The side a queen down steers into the repetition.
    board = boardFromFen("q3k1n1/8/8/8/8/8/8/4K1N1 w - - 0 1");
    ASSERT_TRUE(play(board.get(), "g1f3 g8f6 f3g1 f6g8"));
    Move best;
    freshTables();
    EXPECT_EQ(searchDepth(board.get(), &best, 4), 0);
    EXPECT_EQ(moveText(best), "g1f3");
}

TEST(Terminal, MateCountsPliesFromTheRootAndStalemateIsZero)
{
    constexpr const char* mated = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
    const std::tuple<const char*, int, int> cases[] = {
        {mated, 0, -32000}, {mated, 7, -31993}, {STALEMATE, 0, 0}, {STALEMATE, 2, 0},
        {"k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", 0, -32000}};
    for (const auto& [fen, ply, expected] : cases) {
        auto board = boardFromFen(fen);
        EXPECT_EQ(node(board.get(), ply, -32000, 32000, 2), expected) << fen;
        EXPECT_EQ(nodeLine.length, 0u);
        // In check, the quiescence search sees the mate too.
        EXPECT_EQ(board->inCheck ? qSearch(board.get(), -32000, 32000, 0) : expected, expected);
        // The driver has nothing to deepen: it returns at once, with no move.
        Move best = {};  // from a1: a stale record must not survive
        if (ply != 0) continue;
        EXPECT_EQ(searchDepth(board.get(), &best, 5), expected) << fen;
        EXPECT_EQ(best.from, NO_SQUARE) << fen;
    }
}

TEST(Terminal, ForcedMatesFoundWithExactScores)
{
    const std::tuple<const char*, int, int> cases[] = {
        {MATE_IN_2, 4, 31997}, {MATE_IN_3, 5, 31995}, {MATE_IN_3, 6, 31995}};
    for (const auto& [fen, depth, expected] : cases) {
        auto board = boardFromFen(fen);
        Move best;
        freshTables();
        EXPECT_EQ(searchDepth(board.get(), &best, depth), expected) << fen << " " << depth;
        ASSERT_TRUE(play(board.get(), moveText(best)));  // the defender is then mated one move sooner
        freshTables();
        EXPECT_EQ(searchDepth(board.get(), &best, depth - 1), -(expected + 1)) << fen;
    }
}

TEST(Node, TableCutsAndNullMovesOnlyWhereTheirConditionsHold)
{
    // in check, ply, alpha, beta, depth, null move allowed, an upper bound below beta in the
    // table; null moves tried
    constexpr int cases[][8] = {
        {0, 1, -101, -100, 2, 1, 0, 1},     {0, 1, -101, -100, 2, 0, 0, 0},  // right after one
        {0, 1, -100, 100, 2, 1, 0, 0},      {0, 0, -101, -100, 2, 1, 0, 0},  // PV node, root
        {0, 1, -101, -100, 1, 1, 0, 0},     {0, 1, -20001, -20000, 2, 1, 0, 0},  // depth, mated
        {0, 1, 99, 100, 2, 1, 0, 0},        {0, 1, -101, -100, 2, 1, 1, 0},  // evaluation, table
        {1, 1, -20000, -19999, 2, 1, 0, 0},
    };
    for (const auto& c : cases) {
        auto board = boardFromFen(c[0] ? "4k3/8/8/8/8/8/8/r3K3 w - - 0 1" : initialPosition);
        freshTables();
        if (c[6]) recordHashtable(board.get(), 0, c[3] - 1, 1, &NO_MOVE);
        node(board.get(), c[1], c[2], c[3], c[4], std::uint8_t(c[5]));
        EXPECT_EQ(nullTried, c[7]) << "case " << &c - cases;
    }
    auto board = boardFromFen(initialPosition);  // a table score ends only a non-PV node
    freshTables();
    recordHashtable(board.get(), 9, 777, 0, &NO_MOVE);
    EXPECT_EQ(node(board.get(), 1, 0, 1, 3), 777);
    EXPECT_LT(node(board.get(), 1, -1000, 1000, 2), 777);
}

TEST(Node, DeepLinesStopBeforeThePerPlyStorageRunsOut)
{
    // Started near the limit late in a long game, with checks and captures all around.
    auto board = boardFromFen("r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 7");
    board->gamePly = MAX_GAME_PLY;
    board->hashHistory[board->gamePly] = board->hashKey;
    freshTables();
    EXPECT_LT(std::abs(node(board.get(), MAX_SEARCH_PLY - 6, -32000, 32000, 12)), 32000);
    EXPECT_GT(globalNodes, 0);  // searched below the start, not cut short there
    EXPECT_LE(board->maxPly, std::uint32_t(MAX_SEARCH_PLY));
    EXPECT_LE(nodeLine.length, 7u);
}

TEST(Driver, ThinkingLinesKeepTheirFormatAndTheMoveIsLegalWhateverTheBudget)
{
    const std::regex format(R"(^(\d+) (-?\d+) (\d+) (\d+) ((?:[a-h][1-8][a-h][1-8][qrbn]? )*)$)");
    constexpr std::int32_t budgets[][2] = {{0, 0}, {1, 0}, {-1, 0}, {INT32_MIN, 0}, {INT32_MAX, 9}};
    // The queens make even the first iteration long: with no time it is cut off past the
    // node count at which the driver keeps an aborted call, and no earlier line exists.
    for (const char* fen : {KIWIPETE, "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1",
                            "4k3/8/8/8/8/8/8/r3K3 w - - 0 1",
                            "qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ w - - 0 1", STALEMATE}) {
        for (const auto& b : budgets) {
            auto board = boardFromFen(fen);
            Move best = NO_MOVE;
            best.from = 0;  // a stale record must not survive
            freshTables();
            testing::internal::CaptureStdout();
            search(board.get(), &best, b[0], b[1]);
            std::istringstream out(testing::internal::GetCapturedStdout());
            long long lastDepth = 1, lastNodes = 0;
            std::string line, first = moveText(best);
            for (std::smatch m; std::getline(out, line);) {
                ASSERT_TRUE(std::regex_match(line, m, format)) << "'" << line << "'";
                EXPECT_GE(std::stoll(m[1]), lastDepth) << line;
                EXPECT_GE(std::stoll(m[4]), lastNodes) << line;
                lastDepth = std::stoll(m[1]);
                lastNodes = std::stoll(m[4]);
                auto replay = boardFromFen(fen);  // each move legal in turn, promotions lettered
                ASSERT_TRUE(play(replay.get(), m[5].str())) << line;
                if (m[5].length()) first = m[5].str().substr(0, m[5].str().find(' '));
            }
            const Move legal = legalMove(board.get(), moveText(best));
            // No move only when there is none: none is invented either.
            EXPECT_EQ(legal.from == NO_SQUARE, fen == STALEMATE) << fen << " " << b[0];
            EXPECT_EQ(legal.flags, best.flags);
            EXPECT_EQ(moveText(best), first) << fen << " " << b[0];  // the last line's first move
            EXPECT_EQ(board->ply, 0u);
        }
    }
    // The hard limit is five times the budget, never overflowing, and capped.
    auto board = boardFromFen(initialPosition);
    constexpr std::int64_t limits[][3] = {{INT32_MAX, 0, 5LL * INT32_MAX}, {100, 30, 30}};
    for (const auto& c : limits) {
        const SearchLimits l = {c[0], c[1], 1, true, nullptr, 0, 0, 1, false};
        Move best;
        searchWithLimits(board.get(), &best, &l);
        EXPECT_EQ(maxTimeAllowed, c[2]) << c[0] << " cap " << c[1];
    }
}

TEST(Driver, SameSearchGivesTheSameTreeWhateverWasMadeBefore)
{
    // The last game move took on d3, and white can take back there: the root's recapture
    // rule must read the game's last move in every search and iteration.
    auto board = boardFromFen("rnbqkbnr/ppp1pppp/8/3p4/2P1P3/8/PP1P1PPP/RNBQKBNR b KQkq - 0 2");
    ASSERT_TRUE(play(board.get(), "d5e4 d2d3 e4d3"));
    auto run = [](Board* b) {
        Move best;
        freshTables();
        searchDepth(b, &best, 7);
        return std::to_string(globalNodes) + " nodes, " + moveText(best);
    };
    auto other = boardFromFen(KIWIPETE);
    for (Board* b : {board.get(), other.get()}) EXPECT_EQ(run(b), run(b));
    EXPECT_EQ(board->lastCaptureSquare, D3);
}

}  // namespace
