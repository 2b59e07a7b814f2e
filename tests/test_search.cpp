#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <regex>

#include "eval.h"
#include "search_support.h"
#include "utils.h"

using namespace support;

namespace {

constexpr const char* KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
// Forced mates, checked by exhaustive search: none is shorter.
constexpr const char* MATE_IN_2 = "6k1/4rppp/8/8/8/8/5PPP/R2R2K1 w - - 0 1";
constexpr const char* MATE_IN_3 = "r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1";
constexpr const char* MATED_IN_2 = "3R2k1/4rppp/8/8/8/8/5PPP/R5K1 b - - 0 1";

// The globals a direct call of the node procedures expects, as the driver sets them.
void prepareNodeCall(Board* board, int ply)
{
    freshTables();
    searchAborted = 0;
    abortNodes = 0;
    followPV = fractalExtensions = 0;
    globalNodes = globalQNodes = nullTried = hashCuts = 0;
    timerSearchStart = timer();
    maxTimeAllowed = INT64_MAX / 4;
    board->ply = std::uint32_t(ply);
    board->hashMove = NO_MOVE;
}

std::string quietSearch(Board* board, Move* result, std::int32_t budget, std::int32_t hardCap = 0)
{
    testing::internal::CaptureStdout();
    search(board, result, budget, hardCap);
    return testing::internal::GetCapturedStdout();
}

TEST(Repetition, FirstRecurrenceOfAGamePositionIsADraw)
{
    struct Case {
        const char* moves;
        int expected;
    };
    constexpr Case cases[] = {
        {"", 0}, {"g1f3", 0},
        {"g1f3 g8f6 f3g1 f6g8", 0},       // the set-up position is not in the history
        {"g1f3 g8f6 f3g1 f6g8 g1f3", 1},  // the position after 1. Nf3 recurs
        {"e2e4 e7e5 g1f3 g8f6", 0},
    };
    for (const Case& c : cases) {
        auto board = boardFrom(initialPosition);
        ASSERT_TRUE(play(board.get(), c.moves));
        EXPECT_EQ(checkDraw(board.get()), c.expected) << c.moves;
    }
}

TEST(Repetition, RecurrenceScoresZeroBelowTheRootOnly)
{
    auto board = boardFrom("4k1n1/8/8/8/8/8/8/Q3K1N1 w - - 0 1");  // white a queen up
    ASSERT_TRUE(play(board.get(), "g1f3 g8f6 f3g1 f6g8 g1f3"));
    PvLine line;
    line.length = 7;
    prepareNodeCall(board.get(), 1);
    EXPECT_EQ(alphaBeta(board.get(), -32000, 32000, 3, &line, 1), 0);
    EXPECT_EQ(line.length, 0u);
    prepareNodeCall(board.get(), 1);
    EXPECT_EQ(qSearch(board.get(), -32000, 32000, 0), 0);
    ASSERT_TRUE(play(board.get(), "g8f6"));  // a recurring root is searched all the same
    prepareNodeCall(board.get(), 0);
    EXPECT_GT(alphaBeta(board.get(), -32000, 32000, 2, &line, 0), 500);
    // The side a queen down steers into the repetition.
    board = boardFrom("q3k1n1/8/8/8/8/8/8/4K1N1 w - - 0 1");
    ASSERT_TRUE(play(board.get(), "g1f3 g8f6 f3g1 f6g8"));
    freshTables();
    Move best;
    EXPECT_EQ(searchDepth(board.get(), &best, 4), 0);
    EXPECT_EQ(text(best), "g1f3");
}

TEST(Terminal, MateCountsPliesFromTheRootAndStalemateIsZero)
{
    struct Case {
        const char* fen;
        int ply, expected;
    };
    constexpr const char* mated = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
    constexpr const char* stalemate = "k7/8/1Q6/8/8/8/8/7K b - - 0 1";
    constexpr Case cases[] = {{mated, 0, -32000}, {mated, 3, -31997}, {mated, 7, -31993},
                              {stalemate, 0, 0},  {stalemate, 2, 0}};
    for (const Case& c : cases) {
        auto board = boardFrom(c.fen);
        PvLine line;
        line.length = 9;
        prepareNodeCall(board.get(), c.ply);
        EXPECT_EQ(alphaBeta(board.get(), -32000, 32000, 2, &line, 1), c.expected) << c.fen;
        EXPECT_EQ(line.length, 0u);
        if (board->inCheck) {
            prepareNodeCall(board.get(), c.ply);
            EXPECT_EQ(qSearch(board.get(), -32000, 32000, 0), c.expected);
        }
    }
    auto board = boardFrom(stalemate);  // nothing to play: no move is invented
    freshTables();
    Move best;
    quietSearch(board.get(), &best, 100);
    EXPECT_EQ(best.from, NO_SQUARE);
}

TEST(Terminal, ForcedMatesFoundWithExactScores)
{
    struct Case {
        const char* fen;
        int depth, expected;
    };
    constexpr Case cases[] = {{MATE_IN_2, 4, 31997}, {MATE_IN_2, 6, 31997}, {MATE_IN_3, 5, 31995},
                              {MATE_IN_3, 6, 31995}, {MATED_IN_2, 3, -31998}};
    for (const Case& c : cases) {
        auto board = boardFrom(c.fen);
        freshTables();
        Move best;
        EXPECT_EQ(searchDepth(board.get(), &best, c.depth), c.expected) << c.fen << " " << c.depth;
        ASSERT_TRUE(isLegal(board.get(), best));
        if (c.expected < 0) continue;
        ASSERT_TRUE(play(board.get(), text(best)));  // the defender is then mated one move sooner
        freshTables();
        EXPECT_EQ(searchDepth(board.get(), &best, c.depth - 1), -(c.expected + 1)) << c.fen;
    }
}

TEST(Node, RootFailLowReturnsAlphaAndKeepsTheLine)
{
    auto board = boardFrom(initialPosition);
    prepareNodeCall(board.get(), 0);
    PvLine line;
    line.length = 1;
    line.moves[0] = legalMove(board.get(), "d2d3");
    EXPECT_EQ(alphaBeta(board.get(), 500, 600, 3, &line, 0), 500);
    EXPECT_EQ(line.length, 1u);
    EXPECT_EQ(text(line.moves[0]), "d2d3");
}

TEST(Node, TableScoreCutsOnlyOutsidePvNodes)
{
    auto board = boardFrom(initialPosition);
    const Move e4 = legalMove(board.get(), "e2e4");
    for (bool pv : {false, true}) {
        prepareNodeCall(board.get(), 0);
        recordHashtable(board.get(), 9, 777, 0, &e4);
        PvLine line;
        line.length = 4;
        const int s = pv ? alphaBeta(board.get(), -1000, 1000, 2, &line, 1)
                         : alphaBeta(board.get(), 0, 1, 3, &line, 1);
        EXPECT_EQ(s == 777, !pv);
        if (!pv) {
            EXPECT_EQ(hashCuts, 1);  // below a PV root, children may cut on the table
        }
        EXPECT_EQ(globalNodes > 0, pv);
    }
}

TEST(Node, NullMoveOnlyWhereItsConditionsHold)
{
    struct Case {
        const char* fen;
        int ply, alpha, beta, depth;
        std::uint8_t nullAllowed;
        bool upperBound;
        std::int64_t tries;
        const char* why;
    };
    const Case cases[] = {
        {initialPosition, 1, -101, -100, 2, 1, false, 1, "all conditions hold"},
        {initialPosition, 1, -101, -100, 2, 0, false, 0, "right after another null move"},
        {initialPosition, 1, -100, 100, 2, 1, false, 0, "PV node"},
        {initialPosition, 0, -101, -100, 2, 1, false, 0, "root"},
        {initialPosition, 1, -101, -100, 1, 1, false, 0, "depth 1"},
        {initialPosition, 1, -20001, -20000, 2, 1, false, 0, "alpha below -20000"},
        {initialPosition, 1, 99, 100, 2, 1, false, 0, "static evaluation below beta"},
        {initialPosition, 1, -101, -100, 2, 1, true, 0, "table upper bound below beta"},
        {"4k3/8/8/8/8/8/8/r3K3 w - - 0 1", 1, -20000, -19999, 2, 1, false, 0, "in check"},
    };
    for (const Case& c : cases) {
        auto board = boardFrom(c.fen);
        prepareNodeCall(board.get(), c.ply);
        if (c.upperBound) recordHashtable(board.get(), 0, c.beta - 1, 1, &NO_MOVE);
        PvLine line;
        alphaBeta(board.get(), c.alpha, c.beta, c.depth, &line, c.nullAllowed);
        EXPECT_EQ(nullTried, c.tries) << c.why;
    }
}

TEST(Node, PawnPushToTheSeventhExtendsOnlyWhenSafe)
{
    struct Case {
        const char* fen;
        const char* move;
        int expected;
    };
    constexpr Case cases[] = {
        {"k7/8/4P3/8/8/8/8/4K3 w - - 0 1", "e6e7", 1},
        {"4k3/8/4P3/8/8/8/8/K7 w - - 0 1", "e6e7", 0},   // the king takes it
        {"k7/3r4/3BP3/8/8/8/8/4K3 w - - 0 1", "e6e7", 1}, // defended: the exchange holds
        {"k7/8/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6", 0},    // the sixth rank only
        {"4k3/8/8/8/8/4p3/8/K7 b - - 0 1", "e3e2", 1},
        {"4k3/8/8/8/8/4p3/8/K3R3 b - - 0 1", "e3e2", 0},
    };
    for (const Case& c : cases) {
        auto board = boardFrom(c.fen);
        Move m = legalMove(board.get(), c.move);
        extPawn = 0;
        EXPECT_EQ(isPawnPush(board.get(), &m), c.expected) << c.fen;
        EXPECT_EQ(extPawn, c.expected) << c.fen;
    }
}

TEST(Node, DeepLinesStopBeforeThePerPlyStorageRunsOut)
{
    // Started near the limit late in a long game, with checks and captures all around.
    auto board = boardFrom("r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 7");
    board->gamePly = MAX_GAME_PLY;
    board->hashHistory[board->gamePly] = board->hashKey;
    for (int start : {MAX_SEARCH_PLY - 6, MAX_SEARCH_PLY}) {
        prepareNodeCall(board.get(), start);
        board->maxPly = 0;
        PvLine line;
        const int s = alphaBeta(board.get(), -32000, 32000, 12, &line, 1);
        EXPECT_LT(std::abs(s), 32000);
        EXPECT_LE(board->maxPly, std::uint32_t(MAX_SEARCH_PLY));
        EXPECT_EQ(board->ply, std::uint32_t(start));
        EXPECT_LE(line.length, std::uint32_t(MAX_SEARCH_PLY - start + 1));
    }
    prepareNodeCall(board.get(), MAX_SEARCH_PLY);
    EXPECT_EQ(qSearch(board.get(), -32000, 32000, 0), eval(board.get()));
    PvLine line;
    line.length = MAX_PLY + 40;  // a corrupt length never writes past the stored line
    storePv(board.get(), &line);
    EXPECT_EQ(board->pv[MAX_PLY - 1].from, NO_SQUARE);
}

TEST(Driver, ThinkingLinesKeepTheirFormatAndNeverGoBack)
{
    const std::regex format(R"(^(\d+) (-?\d+) (\d+) (\d+) ((?:[a-h][1-8][a-h][1-8][qrbn]? )*)$)");
    for (const char* fen : {KIWIPETE, "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", MATE_IN_3}) {
        auto board = boardFrom(fen);
        freshTables();
        Move best;
        std::istringstream out(quietSearch(board.get(), &best, 150));
        long long lastDepth = 0, lastNodes = 0;
        std::string line, first;
        while (std::getline(out, line)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, format)) << "'" << line << "'";
            EXPECT_GE(std::stoll(m[1]), std::max(lastDepth, 1LL)) << line;
            EXPECT_GE(std::stoll(m[4]), lastNodes) << line;
            lastDepth = std::stoll(m[1]);
            lastNodes = std::stoll(m[4]);
            auto replay = boardFrom(fen);  // each move legal in turn, promotions with their letter
            ASSERT_TRUE(play(replay.get(), m[5].str())) << line;
            first = m[5].str().substr(0, m[5].str().find(' '));
        }
        EXPECT_GE(lastDepth, 1);
        EXPECT_EQ(text(best), first) << fen;
    }
}

TEST(Driver, AlwaysReturnsALegalMoveWhateverTheBudget)
{
    constexpr std::int32_t budgets[][2] = {{0, 0},        {1, 0},           {-1, 0}, {-400, 0},
                                           {INT32_MIN, 0}, {INT32_MAX, 60}, {40, 0}, {5000, 30}};
    // The queens make even the first iteration long: with no time it is cut off past the
    // node count at which the driver keeps an aborted call, and no earlier line exists.
    for (const char* fen : {initialPosition, KIWIPETE, MATE_IN_3, "4k3/8/8/8/8/8/8/r3K3 w - - 0 1",
                            "k6R/8/8/8/8/8/1R6/K7 b - - 0 1", "qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ w - - 0 1"}) {
        for (const auto& b : budgets) {
            auto board = boardFrom(fen);
            freshTables();
            Move best = NO_MOVE;
            best.from = 0;  // a stale record must not survive
            quietSearch(board.get(), &best, b[0], b[1]);
            EXPECT_TRUE(isLegal(board.get(), best)) << fen << " " << b[0] << " " << b[1];
            EXPECT_EQ(board->ply, 0u);
        }
    }
}

TEST(Driver, LimitsComputedWithoutOverflowAndCapped)
{
    auto board = boardFrom(initialPosition);
    constexpr std::int64_t cases[][3] = {
        {INT32_MAX, 0, 5LL * INT32_MAX}, {INT32_MAX, 700, 700}, {100, 30, 30}, {100, 0, 500}};
    for (const auto& c : cases) {
        freshTables();
        const SearchLimits limits = {c[0], c[1], 1, true, false};
        Move best;
        searchWithLimits(board.get(), &best, &limits);
        EXPECT_EQ(maxTimeAllowed, c[2]) << c[0] << " cap " << c[1];
    }
}

TEST(Driver, SameSearchGivesTheSameTreeWhateverWasMadeBefore)
{
    // The last game move took on d3, and white can take back there: the root's recapture
    // rule must read the game's last move in every search and iteration.
    auto board = boardFrom("rnbqkbnr/ppp1pppp/8/3p4/2P1P3/8/PP1P1PPP/RNBQKBNR b KQkq - 0 2");
    ASSERT_TRUE(play(board.get(), "d5e4 d2d3 e4d3"));
    auto other = boardFrom(KIWIPETE);
    for (Board* b : {board.get(), other.get()}) {
        Move first, second;
        freshTables();
        searchDepth(b, &first, 7);
        const std::int64_t nodes = globalNodes;
        freshTables();
        searchDepth(b, &second, 7);
        EXPECT_EQ(globalNodes, nodes);
        EXPECT_EQ(text(first), text(second));
    }
    EXPECT_EQ(board->lastCaptureSquare, D3);
}

std::string benchTotal()
{
    FILE* pipe = popen((std::string(QUILLMAREN_TOOL) + " bench 4").c_str(), "r");
    if (!pipe) return "";
    std::string last;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) last = buf;
    pclose(pipe);
    return last.substr(0, last.find(" nps"));
}

TEST(Driver, BenchTotalIsTheSameOnEveryRun)
{
    const std::string first = benchTotal();
    EXPECT_TRUE(std::regex_match(first, std::regex(R"(^nodes [1-9]\d*$)"))) << first;
    EXPECT_EQ(first, benchTotal());
}

}  // namespace
