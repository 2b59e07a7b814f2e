#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "eval.h"
#include "search_support.h"
#include "utils.h"

using namespace support;

namespace {

constexpr const char* KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
// Forced mates, checked by exhaustive search: no shorter mate exists.
constexpr const char* MATE_IN_2 = "6k1/4rppp/8/8/8/8/5PPP/R2R2K1 w - - 0 1";
constexpr const char* MATE_IN_3 = "r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1";
constexpr const char* MATED_IN_2 = "3R2k1/4rppp/8/8/8/8/5PPP/R5K1 b - - 0 1";
constexpr const char* WHITE_MATED = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
constexpr const char* STALEMATE = "k7/8/1Q6/8/8/8/8/7K b - - 0 1";

// Globals a direct call of the node procedures expects, as the driver leaves them.
void prepareNodeCall(Board* board, int ply)
{
    freshTables();
    searchAborted = 0;
    abortNodes = 0;
    followPV = 0;
    fractalExtensions = 0;
    globalNodes = globalQNodes = maxQNodes = 0;
    nullTried = 0;
    hashCuts = 0;
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

std::vector<std::string> linesOf(const std::string& out)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        lines.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Repetition ----------------------------------------------------------------------------

TEST(Repetition, FirstRecurrenceOfAGamePositionIsADraw)
{
    struct Case {
        const char* moves;
        int expected;
    };
    constexpr Case cases[] = {
        {"", 0},                             // nothing played: no history at all
        {"g1f3", 0},                         // one entry only
        {"g1f3 g8f6 f3g1 f6g8", 0},          // back at the start, which is not in the history
        {"g1f3 g8f6 f3g1 f6g8 g1f3", 1},     // the position after 1. Nf3 recurs
        {"g1f3 g8f6 f3g1 f6g8 g1f3 g8f6", 1},
        {"e2e4 e7e5 g1f3 g8f6", 0},
    };
    for (const Case& c : cases) {
        auto board = boardFrom(initialPosition);
        ASSERT_TRUE(play(board.get(), c.moves)) << c.moves;
        const std::uint64_t key = board->hashKey;
        EXPECT_EQ(checkDraw(board.get()), c.expected) << c.moves;
        EXPECT_EQ(board->hashKey, key);
    }
}

TEST(Repetition, RepeatedPositionScoresZeroBelowTheRootOnly)
{
    // White is a queen up; the knights have shuffled so that the position recurs.
    auto board = boardFrom("4k1n1/8/8/8/8/8/8/Q3K1N1 w - - 0 1");
    ASSERT_TRUE(play(board.get(), "g1f3 g8f6 f3g1 f6g8 g1f3"));
    PvLine line;
    line.length = 7;
    prepareNodeCall(board.get(), 1);
    EXPECT_EQ(alphaBeta(board.get(), -32000, 32000, 3, &line, 1), 0);
    EXPECT_EQ(line.length, 0u);
    prepareNodeCall(board.get(), 1);
    EXPECT_EQ(qSearch(board.get(), -32000, 32000, 0), 0);
    // At the root a recurring position is searched: white keeps its extra queen.
    ASSERT_TRUE(play(board.get(), "g8f6"));
    ASSERT_EQ(checkDraw(board.get()), 1);
    prepareNodeCall(board.get(), 0);
    EXPECT_GT(alphaBeta(board.get(), -32000, 32000, 2, &line, 0), 500);
}

TEST(Repetition, LosingSideSearchesIntoTheRepetition)
{
    // Black is a queen up; white's knight can bring back the position after 1. Nf3.
    auto board = boardFrom("q3k1n1/8/8/8/8/8/8/4K1N1 w - - 0 1");
    ASSERT_TRUE(play(board.get(), "g1f3 g8f6 f3g1 f6g8"));
    freshTables();
    Move best;
    EXPECT_EQ(searchDepth(board.get(), &best, 4), 0);
    EXPECT_EQ(text(best), "g1f3");
}

// Mate and stalemate ---------------------------------------------------------------------

TEST(Terminal, MateScoresCountPliesFromTheRoot)
{
    auto board = boardFrom(WHITE_MATED);
    ASSERT_EQ(board->inCheck, 1);
    for (int ply : {0, 1, 3, 7}) {
        PvLine line;
        line.length = 9;
        prepareNodeCall(board.get(), ply);
        EXPECT_EQ(alphaBeta(board.get(), -32000, 32000, 2, &line, 1), ply - 32000) << "ply " << ply;
        EXPECT_EQ(line.length, 0u);
        prepareNodeCall(board.get(), ply);
        EXPECT_EQ(qSearch(board.get(), -32000, 32000, 0), ply - 32000) << "ply " << ply;
    }
}

TEST(Terminal, StalemateScoresZero)
{
    auto board = boardFrom(STALEMATE);
    for (int ply : {0, 2}) {
        PvLine line;
        line.length = 9;
        prepareNodeCall(board.get(), ply);
        EXPECT_EQ(alphaBeta(board.get(), -32000, 32000, 3, &line, 1), 0) << "ply " << ply;
        EXPECT_EQ(line.length, 0u);
    }
    // Nothing to play: the search says so instead of inventing a move.
    freshTables();
    Move best;
    quietSearch(board.get(), &best, 100);
    EXPECT_EQ(best.from, NO_SQUARE);
}

TEST(Terminal, ForcedMatesFoundWithExactScores)
{
    struct Case {
        const char* fen;
        int depth;
        int expected;
    };
    constexpr Case cases[] = {
        {MATE_IN_2, 4, 32000 - 3},
        {MATE_IN_2, 6, 32000 - 3},
        {MATE_IN_3, 5, 32000 - 5},
        {MATE_IN_3, 6, 32000 - 5},
        {MATED_IN_2, 3, 2 - 32000},
    };
    for (const Case& c : cases) {
        auto board = boardFrom(c.fen);
        freshTables();
        Move best;
        EXPECT_EQ(searchDepth(board.get(), &best, c.depth), c.expected) << c.fen << " depth " << c.depth;
        ASSERT_TRUE(isLegal(board.get(), best));
        if (c.expected < 0) continue;
        // After the chosen move the defender is mated one move sooner.
        ASSERT_TRUE(play(board.get(), text(best)));
        freshTables();
        Move reply;
        EXPECT_EQ(searchDepth(board.get(), &reply, c.depth - 1), -(c.expected + 1)) << c.fen;
    }
}

// Node procedure -------------------------------------------------------------------------

TEST(Node, RootFailLowReturnsAlphaAndKeepsTheLine)
{
    auto board = boardFrom(initialPosition);
    prepareNodeCall(board.get(), 0);
    PvLine line;
    line.length = 2;
    line.moves[0] = legalMove(board.get(), "d2d4");
    line.moves[1] = legalMove(board.get(), "d2d3");
    EXPECT_EQ(alphaBeta(board.get(), 500, 600, 3, &line, 0), 500);
    EXPECT_EQ(line.length, 2u);
    EXPECT_EQ(text(line.moves[0]), "d2d4");
}

TEST(Node, TableScoreCutsOnlyOutsidePvNodes)
{
    auto board = boardFrom(initialPosition);
    prepareNodeCall(board.get(), 0);
    const Move e4 = legalMove(board.get(), "e2e4");
    recordHashtable(board.get(), 9, 777, 0, &e4);
    PvLine line;
    line.length = 4;
    EXPECT_EQ(alphaBeta(board.get(), 0, 1, 3, &line, 1), 777);
    EXPECT_EQ(line.length, 0u);
    EXPECT_EQ(hashCuts, 1);
    EXPECT_EQ(globalNodes, 0);
    // A PV node searches anyway, and tries the table move first.
    prepareNodeCall(board.get(), 0);
    recordHashtable(board.get(), 9, 777, 0, &e4);
    const int s = alphaBeta(board.get(), -1000, 1000, 2, &line, 1);
    EXPECT_NE(s, 777);
    EXPECT_GT(globalNodes, 0);
    EXPECT_EQ(hashCuts, 0);
}

TEST(Node, NullMoveOnlyWhereItsConditionsHold)
{
    struct Case {
        const char* fen;
        int ply, alpha, beta, depth;
        std::uint8_t nullAllowed;
        bool storeUpperBound;
        int expectedTries;
        const char* why;
    };
    const Case cases[] = {
        {initialPosition, 1, -101, -100, 2, 1, false, 1, "all conditions hold"},
        {initialPosition, 1, -101, -100, 2, 0, false, 0, "directly after another null move"},
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
        if (c.storeUpperBound) recordHashtable(board.get(), 0, c.beta - 1, 1, &NO_MOVE);
        PvLine line;
        alphaBeta(board.get(), c.alpha, c.beta, c.depth, &line, c.nullAllowed);
        EXPECT_EQ(nullTried, c.expectedTries) << c.why;
    }
}

TEST(Node, RootMoveNodeCountsAddUpToTheSearch)
{
    auto board = boardFrom(KIWIPETE);
    freshTables();
    Move best;
    searchDepth(board.get(), &best, 1);
    Move moves[MAX_MOVES];
    const int n = generateMoves(board.get(), moves, 1);
    std::int64_t sum = 0;
    for (int i = 0; i < n; ++i) {
        EXPECT_GE(board->rootMoveNodes[i], 1) << text(moves[i]);
        sum += board->rootMoveNodes[i];
    }
    EXPECT_EQ(sum, globalNodes);
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
        {"4k3/8/4P3/8/8/8/8/K7 w - - 0 1", "e6e7", 0},      // the king takes it for nothing
        {"k7/3r4/4P3/8/8/8/8/4K3 w - - 0 1", "e6e7", 0},    // so does the rook
        {"k7/3r4/3BP3/8/8/8/8/4K3 w - - 0 1", "e6e7", 1},   // defended: the exchange holds
        {"4k3/8/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6", 0},     // only the sixth rank
        {"4k3/8/8/8/8/4p3/8/K7 b - - 0 1", "e3e2", 1},
        {"4k3/8/8/8/8/4p3/8/K3R3 b - - 0 1", "e3e2", 0},
        {"1k6/8/8/8/8/8/8/4K2N w - - 0 1", "h1g3", 0},      // not a pawn
    };
    for (const Case& c : cases) {
        auto board = boardFrom(c.fen);
        ASSERT_NE(board, nullptr) << c.fen;
        Move m = legalMove(board.get(), c.move);
        ASSERT_NE(m.from, NO_SQUARE) << c.fen;
        extPawn = 0;
        EXPECT_EQ(isPawnPush(board.get(), &m), c.expected) << c.fen;
        EXPECT_EQ(extPawn, c.expected) << c.fen;
    }
}

TEST(Node, DeepLinesStopBeforeThePerPlyStorageRunsOut)
{
    // Started near the limit and late in a long game, with checks and captures all around.
    auto board = boardFrom("r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 7");
    board->gamePly = MAX_GAME_PLY;
    board->hashHistory[board->gamePly] = board->hashKey;
    for (int start : {MAX_SEARCH_PLY - 6, MAX_SEARCH_PLY - 1, MAX_SEARCH_PLY}) {
        prepareNodeCall(board.get(), start);
        board->maxPly = 0;
        PvLine line;
        const int s = alphaBeta(board.get(), -32000, 32000, 12, &line, 1);
        EXPECT_GT(s, -32000);
        EXPECT_LT(s, 32000);
        EXPECT_LE(board->maxPly, std::uint32_t(MAX_SEARCH_PLY));
        EXPECT_EQ(board->ply, std::uint32_t(start));
        EXPECT_EQ(board->gamePly, std::uint32_t(MAX_GAME_PLY));
        EXPECT_LE(line.length, std::uint32_t(MAX_SEARCH_PLY - start + 1));
    }
    prepareNodeCall(board.get(), MAX_SEARCH_PLY);
    EXPECT_EQ(qSearch(board.get(), -32000, 32000, 0), eval(board.get()));
    EXPECT_EQ(globalNodes, 0);
}

TEST(Node, StorePvEndsTheLineAndFitsTheTable)
{
    auto board = boardFrom(initialPosition);
    PvLine line;
    line.length = 2;
    line.moves[0] = legalMove(board.get(), "e2e4");
    line.moves[1] = legalMove(board.get(), "e2e3");
    board->pv[2] = line.moves[0];
    storePv(board.get(), &line);
    EXPECT_EQ(text(board->pv[0]), "e2e4");
    EXPECT_EQ(text(board->pv[1]), "e2e3");
    EXPECT_EQ(board->pv[2].from, NO_SQUARE);
    line.length = MAX_PLY + 40;  // a corrupt length never writes past the table
    storePv(board.get(), &line);
    EXPECT_EQ(board->pv[MAX_PLY - 1].from, NO_SQUARE);
}

// Driver ---------------------------------------------------------------------------------

TEST(Driver, ThinkingLinesKeepTheirFormatAndNeverGoBack)
{
    const std::regex format(R"(^(\d+) (-?\d+) (\d+) (\d+) ((?:[a-h][1-8][a-h][1-8][qrbn]? )*)$)");
    for (const char* fen : {KIWIPETE, "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", MATE_IN_3}) {
        auto board = boardFrom(fen);
        freshTables();
        Move best;
        const std::vector<std::string> lines = linesOf(quietSearch(board.get(), &best, 150));
        ASSERT_FALSE(lines.empty()) << fen;
        long long lastDepth = 0, lastNodes = 0;
        std::string lastFirst;
        for (const std::string& l : lines) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(l, m, format)) << "'" << l << "'";
            const long long depth = std::stoll(m[1]), nodes = std::stoll(m[4]);
            EXPECT_GE(depth, lastDepth) << l;
            EXPECT_GE(nodes, lastNodes) << l;
            EXPECT_GE(depth, 1);
            EXPECT_LE(depth, MAX_DEPTH);
            lastDepth = depth;
            lastNodes = nodes;
            // Every move of the line is legal in turn, promotions with their letter.
            auto replay = boardFrom(fen);
            std::istringstream moves(m[5].str());
            std::string word;
            bool first = true;
            while (moves >> word) {
                if (first) lastFirst = word;
                first = false;
                ASSERT_TRUE(play(replay.get(), word)) << word << " in '" << l << "'";
            }
        }
        EXPECT_TRUE(isLegal(board.get(), best));
        EXPECT_EQ(text(best), lastFirst) << fen;
    }
}

TEST(Driver, AlwaysReturnsALegalMoveWhateverTheBudget)
{
    struct Case {
        std::int32_t budget, hardCap;
    };
    constexpr Case budgets[] = {{0, 0}, {1, 0}, {-1, 0}, {-400, 0}, {INT32_MIN, 0},
                                {INT32_MAX, 60}, {40, 0}, {5000, 30}};
    const char* fens[] = {initialPosition, KIWIPETE, MATE_IN_3, "4k3/8/8/8/8/8/8/r3K3 w - - 0 1",
                          "k7/8/8/8/8/8/1R6/K6R b - - 0 1", "k6R/8/8/8/8/8/1R6/K7 b - - 0 1"};
    for (const char* fen : fens) {
        for (const Case& c : budgets) {
            auto board = boardFrom(fen);
            freshTables();
            Move best = NO_MOVE;
            best.from = 0;  // a stale record must not survive
            quietSearch(board.get(), &best, c.budget, c.hardCap);
            EXPECT_TRUE(isLegal(board.get(), best))
                << fen << " budget " << c.budget << " cap " << c.hardCap << ": " << text(best);
            EXPECT_EQ(board->ply, 0u);
            EXPECT_EQ(board->gamePly, 0u);
        }
    }
}

TEST(Driver, LimitsComputedWithoutOverflow)
{
    auto board = boardFrom(initialPosition);
    struct Case {
        std::int64_t timeLimit, hardCap, expectedHard;
    };
    constexpr Case cases[] = {
        {INT32_MAX, 0, 5LL * INT32_MAX},
        {INT32_MAX, 700, 700},
        {100, 30, 30},
        {100, 0, 500},
        {100, 5000, 500},
    };
    for (const Case& c : cases) {
        freshTables();
        const SearchLimits limits = {c.timeLimit, c.hardCap, 1, true, false};
        Move best;
        searchWithLimits(board.get(), &best, &limits);
        EXPECT_EQ(maxTimeAllowed, c.expectedHard) << c.timeLimit << " cap " << c.hardCap;
        EXPECT_TRUE(isLegal(board.get(), best));
    }
}

TEST(Driver, SameSearchTwiceGivesTheSameTree)
{
    for (const char* fen : {KIWIPETE, MATE_IN_3, "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"}) {
        auto board = boardFrom(fen);
        freshTables();
        Move first, second;
        const int s1 = searchDepth(board.get(), &first, 6);
        const std::int64_t n1 = globalNodes;
        freshTables();
        const int s2 = searchDepth(board.get(), &second, 6);
        EXPECT_EQ(globalNodes, n1) << fen;
        EXPECT_EQ(s1, s2) << fen;
        EXPECT_EQ(text(first), text(second)) << fen;
    }
}

TEST(Driver, RecaptureRuleAtTheRootSeesTheGamesLastMove)
{
    // The last game move took on d5, and white can take back there.
    auto board = boardFrom("rnbqkbnr/ppp1pppp/8/3p4/2P1P3/8/PP1P1PPP/RNBQKBNR b KQkq - 0 2");
    ASSERT_TRUE(play(board.get(), "d5e4 d2d3 e4d3"));
    ASSERT_EQ(board->lastCaptureSquare, D3);
    freshTables();
    Move first, second;
    searchDepth(board.get(), &first, 7);
    const std::int64_t nodes = globalNodes;
    EXPECT_EQ(board->lastCaptureSquare, D3);
    EXPECT_EQ(board->lastCapturedPiece, WHITE_PAWN);
    // Whatever the first search made last, the second one starts from the game.
    freshTables();
    searchDepth(board.get(), &second, 7);
    EXPECT_EQ(globalNodes, nodes);
    EXPECT_EQ(text(first), text(second));
}

std::string benchTotal(int depth)
{
    const std::string command = std::string(QUILLMAREN_TOOL) + " bench " + std::to_string(depth);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) out += buf;
    pclose(pipe);
    const std::vector<std::string> lines = linesOf(out);
    if (lines.empty()) return "";
    const std::string last = lines.back();
    return last.substr(0, last.find(" nps"));
}

TEST(Driver, BenchTotalIsTheSameOnEveryRun)
{
    const std::regex format(R"(^nodes [1-9]\d*$)");
    const std::string first = benchTotal(4), second = benchTotal(4);
    EXPECT_TRUE(std::regex_match(first, format)) << first;
    EXPECT_EQ(first, second);
}

}  // namespace
