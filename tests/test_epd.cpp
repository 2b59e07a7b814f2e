#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "attack.h"
#include "board.h"
#include "hash.h"
#include "movegen.h"
#include "san.h"

namespace {

const std::string dataDir = std::string(QUILLMAREN_SOURCE_DIR) + "/tests/data/";

struct ParseCase {
    const char* fault;
    const char* line;
    const char* fen;
    const char* id;
    std::vector<std::string> best;
    std::vector<std::string> avoid;
};

const ParseCase parseCases[] = {
    {"plain record", "6k1/5ppp/8/8/8/8/8/R5K1 w - - bm Ra8#; id \"m1\";",
        "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "m1", {"Ra8#"}, {}},
    {"several moves and both operations",
        "4k3/8/8/8/8/8/8/R3K2R w KQ - bm O-O Ra8+; am Kd1 Kf1; id \"x\";",
        "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "x", {"O-O", "Ra8+"}, {"Kd1", "Kf1"}},
    {"semicolon inside a quoted id", "8/8/8/8/8/8/8/K6k w - - id \"a;b c\"; bm Kb1;",
        "8/8/8/8/8/8/8/K6k w - - 0 1", "a;b c", {"Kb1"}, {}},
    {"move counters of a FEN line",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 bm e4;",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "", {"e4"}, {}},
    {"other operations ignored",
        "8/8/8/8/8/8/8/K6k w - e3 c0 \"bm Qa1; nonsense\"; acd 12; bm Ka2;",
        "8/8/8/8/8/8/8/K6k w - e3 0 1", "", {"Ka2"}, {}},
    {"tabs and extra blanks", "  8/8/8/8/8/8/8/K6k\tw  -  -   bm\tKb2  ;  ",
        "8/8/8/8/8/8/8/K6k w - - 0 1", "", {"Kb2"}, {}},
};

TEST(EpdParse, ReadsPositionFieldsIdBestAndAvoidMoves)
{
    for (const ParseCase& c : parseCases) {
        auto record = std::make_unique<EpdRecord>();
        const char* why = nullptr;
        ASSERT_EQ(epdParse(c.line, record.get(), &why), 1) << c.fault << ": " << why;
        EXPECT_STREQ(record->fen, c.fen) << c.fault;
        EXPECT_STREQ(record->id, c.id) << c.fault;
        std::vector<std::string> best(record->best, record->best + record->bestCount);
        std::vector<std::string> avoid(record->avoid, record->avoid + record->avoidCount);
        EXPECT_EQ(best, c.best) << c.fault;
        EXPECT_EQ(avoid, c.avoid) << c.fault;
    }
}

TEST(EpdParse, RefusesBrokenLinesWithAReason)
{
    std::string manyMoves = "8/8/8/8/8/8/8/K6k w - - bm";
    for (int i = 0; i <= EPD_MAX_MOVES; ++i) manyMoves += " Kb1";
    manyMoves += ";";
    const std::string longMove = "8/8/8/8/8/8/8/K6k w - - bm " + std::string(40, 'K') + ";";
    const std::string longField = std::string(200, '8') + " w - - bm Kb1;";
    const char* lines[] = {
        "8/8/8/8/8/8/8/K6k w -",
        "8/8/8/8/8/8/8/K6k x - - bm Kb1;",
        "8/8/8/8/8/8/8/K6k w KX - bm Kb1;",
        "8/8/8/8/8/8/8/K6k w - e4 bm Kb1;",
        "8/8/8/8/8/8/8/K6k w KQkqK - bm Kb1;",
        manyMoves.c_str(),
        longMove.c_str(),
        longField.c_str(),
    };
    for (const char* line : lines) {
        auto record = std::make_unique<EpdRecord>();
        const char* why = nullptr;
        EXPECT_EQ(epdParse(line, record.get(), &why), 0) << line;
        EXPECT_NE(why, nullptr) << line;
    }
}

TEST(EpdParse, BlankAndCommentLinesHoldNoPosition)
{
    for (const char* line : {"", "\n", "   \t\r\n", "# a comment", "  # indented"})
        EXPECT_EQ(epdLineIsEmpty(line), 1) << line;
    EXPECT_EQ(epdLineIsEmpty("8/8/8/8/8/8/8/K6k w - -"), 0);
}

// The fixture's answers, checked by brute force so that a wrong fixture cannot pass for
// a weak engine.

bool sideToMoveInCheck(Board* board)
{
    const int side = board->sideToMove;
    return isAttackedSimple(board, board->kingSquare[side], side ^ 1);
}

// Whether the side to move mates within `moves` of its own moves.
bool matesWithin(Board* board, int moves, const Move* only = nullptr)
{
    Move list[MAX_MOVES];
    const int n = only ? 1 : generateMoves(board, list, 1);
    for (int i = 0; i < n; ++i) {
        Move m = only ? *only : list[i];
        makeMove(board, &m);
        Move replies[MAX_MOVES];
        const int r = generateMoves(board, replies, 1);
        bool mates = r == 0 ? sideToMoveInCheck(board) : moves > 1;
        for (int k = 0; k < r && mates; ++k) {
            makeMove(board, &replies[k]);
            mates = matesWithin(board, moves - 1);
            unmakeMove(board, &replies[k]);
        }
        unmakeMove(board, &m);
        if (mates) return true;
    }
    return false;
}

struct Fixture {
    std::unique_ptr<Board> board;
    std::unique_ptr<EpdRecord> record;
};

std::vector<Fixture> loadFixture(const char* name)
{
    initZobrist();
    std::vector<Fixture> positions;
    std::ifstream file(dataDir + name);
    for (std::string line; std::getline(file, line);) {
        if (epdLineIsEmpty(line.c_str())) continue;
        Fixture f{std::unique_ptr<Board>(newBoard()), std::make_unique<EpdRecord>()};
        const char* why = nullptr;
        EXPECT_EQ(epdParse(line.c_str(), f.record.get(), &why), 1) << line;
        EXPECT_EQ(setupFen(f.board.get(), f.record->fen), 1) << line;
        positions.push_back(std::move(f));
    }
    return positions;
}

TEST(EpdFixture, EveryAnswerOfTheMateSuiteIsRightAndTheOnlyOne)
{
    const auto positions = loadFixture("mates.epd");
    ASSERT_EQ(positions.size(), 5u);
    for (const Fixture& f : positions) {
        Board* board = f.board.get();
        const EpdRecord* r = f.record.get();
        const std::string id = r->id;
        Move bm = NO_MOVE, am = NO_MOVE;
        if (r->bestCount) {
            ASSERT_EQ(sanToMove(board, r->best[0], &bm, nullptr), 1) << id;
        }
        if (r->avoidCount) {
            ASSERT_EQ(sanToMove(board, r->avoid[0], &am, nullptr), 1) << id;
        }
        Move moves[MAX_MOVES];
        const int n = generateMoves(board, moves, 1);
        if (id.rfind("mate-in-", 0) == 0) {
            const int depth = id.rfind("mate-in-one", 0) == 0 ? 1 : 2;
            EXPECT_TRUE(matesWithin(board, depth, &bm)) << id;
            for (int i = 0; i < n; ++i) {
                if (moves[i].from == bm.from && moves[i].to == bm.to) continue;
                EXPECT_FALSE(matesWithin(board, depth, &moves[i])) << id << ": a second answer";
            }
        } else if (id.rfind("won-queen", 0) == 0) {
            // The move checks, and after every reply the queen can be taken.
            makeMove(board, &bm);
            EXPECT_TRUE(sideToMoveInCheck(board)) << id;
            Move replies[MAX_MOVES];
            const int replyCount = generateMoves(board, replies, 1);
            ASSERT_GT(replyCount, 0);
            for (int k = 0; k < replyCount; ++k) {
                makeMove(board, &replies[k]);
                Move captures[MAX_MOVES];
                const int c = generateMoves(board, captures, 1);
                bool takesQueen = false;
                for (int j = 0; j < c; ++j) takesQueen |= captures[j].captured == BLACK_QUEEN;
                EXPECT_TRUE(takesQueen) << id;
                unmakeMove(board, &replies[k]);
            }
            unmakeMove(board, &bm);
        } else {
            // The move to avoid gives the queen away for a pawn.
            makeMove(board, &am);
            Move replies[MAX_MOVES];
            const int replyCount = generateMoves(board, replies, 1);
            bool queenLost = false;
            for (int k = 0; k < replyCount; ++k) queenLost |= replies[k].captured == WHITE_QUEEN;
            EXPECT_TRUE(queenLost) << id;
            unmakeMove(board, &am);
        }
    }
}

// The tool itself.

std::string run(const std::string& command, int* status)
{
    std::string output;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int raw = pclose(pipe);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string runSuite(const char* name, int milliseconds, int* status)
{
    return run(std::string("'") + QUILLMAREN_TOOL + "' epd '" + dataDir + name + "' "
                   + std::to_string(milliseconds) + " 2>&1",
               status);
}

// The tool's own line for a position, among the search's thinking lines.
std::string positionLine(const std::string& output, const std::string& id)
{
    for (const std::string& line : splitLines(output))
        if (line.rfind("position ", 0) == 0 && line.find("id \"" + id + "\"") != std::string::npos)
            return line;
    return "";
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(EpdCommand, BrokenPositionsAndAWrongBmCountAsUnsolved)
{
    int status = -1;
    const std::string out = runSuite("broken.epd", 50, &status);
    EXPECT_EQ(status, 0);
    const auto lines = splitLines(out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "solved 0 of 8");
    EXPECT_NE(positionLine(out, "nine-ranks").find("refused"), std::string::npos) << out;
    EXPECT_TRUE(endsWith(positionLine(out, "wrong-bm"), " unsolved")) << out;
    EXPECT_NE(positionLine(out, "wrong-bm").find("expected bm Ra7 found"), std::string::npos)
        << out;
    EXPECT_NE(positionLine(out, "unreadable-bm").find("Ra9"), std::string::npos) << out;
    EXPECT_NE(positionLine(out, "illegal-bm").find("Rb8"), std::string::npos) << out;
    EXPECT_NE(positionLine(out, "nothing-to-check").find("refused"), std::string::npos) << out;
    EXPECT_NE(positionLine(out, "checkmated").find("no legal move"), std::string::npos) << out;
    EXPECT_NE(out.find("line 7 refused"), std::string::npos) << out;
}

TEST(EpdCommand, EveryPositionGetsOneLineAndTheCountComesLast)
{
    int status = -1;
    const std::string out = runSuite("mates.epd", 50, &status);
    EXPECT_EQ(status, 0);
    const auto lines = splitLines(out);
    ASSERT_FALSE(lines.empty());
    int own = 0;
    for (const std::string& line : lines) own += line.rfind("position ", 0) == 0;
    EXPECT_EQ(own, 5);
    EXPECT_EQ(lines.back().rfind("solved ", 0), 0u);
    EXPECT_TRUE(endsWith(lines.back(), " of 5")) << lines.back();
}

TEST(EpdCommand, BadArgumentsAreRefused)
{
    const std::string tool = std::string("'") + QUILLMAREN_TOOL + "' epd ";
    const std::string suite = "'" + dataDir + "mates.epd' ";
    for (const std::string& args :
        {std::string(""), suite, suite + "0", suite + "-5", suite + "12x", suite + "10 11"}) {
        int status = -1;
        run(tool + args + " 2>/dev/null", &status);
        EXPECT_EQ(status, 2) << args;
    }
    int status = -1;
    run(tool + "/nonexistent/suite.epd 100 2>/dev/null", &status);
    EXPECT_EQ(status, 1);
}

TEST(EpdCommand, MatesInOneSolvedWithinFiftyMillisecondsNeedsRealSearch)
{
    int status = -1;
    const std::string out = runSuite("mates.epd", 50, &status);
    EXPECT_TRUE(endsWith(positionLine(out, "mate-in-one.white"), " solved")) << out;
    EXPECT_TRUE(endsWith(positionLine(out, "mate-in-one.black"), " solved")) << out;
}

TEST(EpdCommand, WholeMateSuiteSolvedNeedsRealSearch)
{
    int status = -1;
    const std::string out = runSuite("mates.epd", 500, &status);
    const auto lines = splitLines(out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "solved 5 of 5") << out;
}

}  // namespace
