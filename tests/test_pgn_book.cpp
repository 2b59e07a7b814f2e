#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "hash.h"
#include "movegen.h"
#include "san.h"

namespace {

const std::string samplePgn = std::string(QUILLMAREN_SOURCE_DIR) + "/tests/data/sample.pgn";

struct GameSeen {
    int setUp;
    int unterminated;
    int error;
    int errorPly;
    std::string moves;  // from and to squares, back to back
    std::string white;
    std::vector<Move> records;
};

std::string squares(const Move& m)
{
    return std::string(sqString[m.from].data()) + sqString[m.to].data();
}

std::vector<GameSeen> readGames(const std::string& text, int maxPlies = 16)
{
    initZobrist();
    static std::unique_ptr<Board> board(newBoard());
    std::vector<GameSeen> games;
    // fmemopen will not open an empty buffer everywhere: give it one byte it may not read.
    std::string buffer = text.empty() ? std::string(" ") : text;
    std::FILE* in = fmemopen(buffer.data(), buffer.size(), "r");
    EXPECT_NE(in, nullptr);
    if (!in) return games;
    auto game = std::make_unique<PgnGame>();
    PgnReader reader;
    pgnStart(&reader, in);
    while (pgnNextGame(&reader, board.get(), maxPlies, game.get())) {
        GameSeen seen{
            game->setUp, game->unterminated, game->error, game->errorPly, "", game->white, {}};
        for (int i = 0; i < game->plies; ++i) seen.moves += squares(game->moves[i]);
        seen.records.assign(game->moves, game->moves + game->plies);
        games.push_back(seen);
        if (games.size() > 100000) break;
    }
    std::fclose(in);
    return games;
}

// Plays a book line through coordinate matching against the legal moves, as the engine's
// book does; the number of moves that matched.
int replay(const std::string& line)
{
    initZobrist();
    // One board for every call: a Board is megabytes, and the random test calls this often.
    static std::unique_ptr<Board> board(newBoard());
    setupFen(board.get(), initialPosition);
    int played = 0;
    for (std::size_t i = 0; i + 4 <= line.size(); i += 4, ++played) {
        Move moves[MAX_MOVES];
        const int n = generateMoves(board.get(), moves, 1);
        int found = -1;
        for (int k = 0; k < n && found < 0; ++k)
            if (!(moves[k].flags & FLAG_PROMOTION) && squares(moves[k]) == line.substr(i, 4))
                found = k;
        if (found < 0) break;
        makeMove(board.get(), &moves[found]);
    }
    return played;
}

// Whether the moves, promotions included, are a legal line from the start position.
bool legalFromStart(const std::vector<Move>& line)
{
    static std::unique_ptr<Board> board(newBoard());
    setupFen(board.get(), initialPosition);
    for (const Move& wanted : line) {
        Move moves[MAX_MOVES];
        const int n = generateMoves(board.get(), moves, 1);
        int found = -1;
        for (int k = 0; k < n && found < 0; ++k)
            if (moves[k].from == wanted.from && moves[k].to == wanted.to
                && moves[k].promotion == wanted.promotion && moves[k].flags == wanted.flags)
                found = k;
        if (found < 0) return false;
        makeMove(board.get(), &moves[found]);
    }
    return true;
}

struct ReaderCase {
    const char* fault;
    const char* text;
    std::vector<std::string> lines;  // moves of each game, "setup" for a skipped one
};

const ReaderCase readerCases[] = {
    {"move numbers glued to moves", "1.e4 e5 2.Nf3 1-0", {"e2e4e7e5g1f3"}},
    {"black's move numbers", "1. e4 1... e5 2. Nf3 2...Nc6 *", {"e2e4e7e5g1f3b8c6"}},
    {"nested variations", "1. e4 (1. d4 d5 (1... Nf6 2. c4) 2. c4) e5 *", {"e2e4e7e5"}},
    {"parenthesis inside a comment", "1. e4 {(not a variation} e5 *", {"e2e4e7e5"}},
    {"brace inside a semicolon comment", "1. e4 ; {\n e5 *", {"e2e4e7e5"}},
    {"NAGs and stand-alone glyphs", "1. e4 $1 e5 !? 2. Nf3 $32 ?? *", {"e2e4e7e5g1f3"}},
    {"NAG glued to the move", "1. e4$1 e5 *", {"e2e4e7e5"}},
    {"percent escape line", "%ignored e4 line\n1. d4 *", {"d2d4"}},
    {"CR LF line ends", "[White \"a\"]\r\n\r\n1. e4 e5\r\n*\r\n", {"e2e4e7e5"}},
    {"byte-order mark", "\xEF\xBB\xBF[White \"a\"]\n1. e4 *", {"e2e4"}},
    {"missing result before the next tags", "1. e4 e5\n[White \"b\"]\n1. d4 *",
        {"e2e4e7e5", "d2d4"}},
    {"missing result at the end", "1. e4 e5", {"e2e4e7e5"}},
    {"results of every kind", "1. e4 1/2-1/2 1. d4 0-1 1. c4 1-0 1. Nf3 *",
        {"e2e4", "d2d4", "c2c4", "g1f3"}},
    {"unterminated comment runs into the next tags", "1. e4 {open\n[White \"b\"]\n1. d4 *",
        {"e2e4", "d2d4"}},
    {"unterminated variation runs into the next tags", "1. e4 (1. d4\n[White \"b\"]\n1. c4 *",
        {"e2e4", "c2c4"}},
    {"unterminated comment at the end", "1. e4 { never closed", {"e2e4"}},
    {"en passant note", "1. e4 a6 2. e5 d5 3. exd6 e.p. Nf6 *", {"e2e4a7a6e4e5d7d5e5d6g8f6"}},
    {"set-up position", "[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n1. e3 *",
        {"setup"}},
    {"SetUp without a FEN", "[SetUp \"1\"]\n1. e4 *", {"setup"}},
    {"FEN of the usual start",
        "[FEN \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\"]\n1. e4 *", {"e2e4"}},
    {"other variants", "[Variant \"Crazyhouse\"]\n1. e4 *", {"setup"}},
    {"standard variant named", "[Variant \"Standard\"]\n1. e4 *", {"e2e4"}},
    {"no games at all", "{a comment} ; another\n", {}},
};

TEST(PgnReader, PassesOverCommentsVariationsNagsAndFindsGameBoundaries)
{
    for (const ReaderCase& c : readerCases) {
        const auto games = readGames(c.text);
        std::vector<std::string> lines;
        for (const GameSeen& g : games) lines.push_back(g.setUp ? "setup" : g.moves);
        EXPECT_EQ(lines, c.lines) << c.fault;
    }
}

TEST(PgnReader, UnterminatedCommentsAndVariationsAreFlagged)
{
    for (const char* text : {"1. e4 {open\n[White \"b\"]\n1. d4 *",
             "1. e4 (1. d4\n[White \"b\"]\n1. c4 *", "1. e4 { never closed", "1. e4 (1. d4"}) {
        const auto games = readGames(text);
        ASSERT_FALSE(games.empty()) << text;
        EXPECT_EQ(games[0].unterminated, 1) << text;
        if (games.size() > 1) {
            EXPECT_EQ(games[1].unterminated, 0) << text;
        }
    }
    EXPECT_EQ(readGames("1. e4 {closed} (1. d4) *")[0].unterminated, 0);
}

TEST(PgnReader, IllegalMoveKeepsTheMovesBeforeIt)
{
    const auto games = readGames("1. e4 e5 2. Ke3 Nf6 3. d4 * 1. d4 *");
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].error, 1);
    EXPECT_EQ(games[0].errorPly, 2);
    EXPECT_EQ(games[0].moves, "e2e4e7e5");
    EXPECT_EQ(games[1].error, 0) << "the error leaked into the next game";
    EXPECT_EQ(games[1].moves, "d2d4");
}

TEST(PgnReader, MovesBeyondThePlyLimitAreNotReadNorJudged)
{
    const auto games = readGames("1. e4 e5 2. Nf3 Zz9 3. d4 *", 3);
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].error, 0);
    EXPECT_EQ(games[0].moves, "e2e4e7e5g1f3");
}

TEST(PgnReader, LongGameStopsAtTheLimitAndTheNextGameIsRead)
{
    std::string text = "[White \"long\"]\n";
    for (int i = 0; i < 300; ++i) text += "Nf3 Nf6 Ng1 Ng8 ";
    text += "1/2-1/2\n[White \"next\"]\n1. e4 *\n";
    const auto games = readGames(text, PGN_MAX_PLIES);
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].moves.size(), std::size_t(4 * PGN_MAX_PLIES));
    EXPECT_EQ(games[0].error, 0);
    EXPECT_EQ(games[1].white, "next");
    EXPECT_EQ(games[1].moves, "e2e4");
}

TEST(PgnReader, OverlongTokenIsAnErrorNotATruncatedMove)
{
    const auto games = readGames("1. e4 " + std::string(200, '!') + "x e5 *");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].error, 1);
    EXPECT_EQ(games[0].moves, "e2e4");
}

TEST(PgnReader, TagValuesKeepEscapesAndLoseControlCharacters)
{
    const auto games = readGames("[White \"A \\\"quoted\\\" name\\\\\"]\n[Black \"x\"]\n1. e4 *\n"
                                 "[White \"esc\x1b[2Jape\"]\n1. d4 *");
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].white, "A \"quoted\" name\\");
    EXPECT_EQ(games[1].white, "esc?[2Jape");
}

// Random bytes, biased towards PGN's own characters, and the sample collection with
// random edits: the reader always ends, and every game it hands back is a legal line
// from the start position.
TEST(PgnReader, RandomAndMangledInputNeverBreaksTheReader)
{
    std::ifstream file(samplePgn, std::ios::binary);
    const std::string sample(
        (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(sample.empty());
    std::mt19937 random(20240101);
    const std::string alphabet = "[]{}()$;%.\"\n 0123456789abcdefghNBRQKOx-+#=!?*/\\";
    auto someChar = [&] {
        return random() % 4 ? alphabet[random() % alphabet.size()] : char(random() % 256);
    };
    int games = 0, moves = 0;
    for (int round = 0; round < 400; ++round) {
        std::string text;
        if (round % 2) {
            text.assign(std::size_t(random() % 3000), ' ');
            for (char& c : text) c = someChar();
        } else {
            text = sample;
            for (int edits = int(random() % 20); edits >= 0; --edits) {
                const std::size_t at = random() % text.size();
                switch (random() % 4) {
                case 0: text[at] = someChar(); break;
                case 1: text.insert(at, 1, someChar()); break;
                case 2: text.erase(at, 1); break;
                default: if (random() % 8 == 0) text.resize(at + 1); break;
                }
            }
        }
        for (const GameSeen& g : readGames(text)) {
            ++games;
            moves += int(g.moves.size() / 4);
            ASSERT_LE(g.moves.size(), std::size_t(4 * 16));
            ASSERT_TRUE(legalFromStart(g.records)) << g.moves;
        }
    }
    // The input must reach the move reader, or the test proves little.
    EXPECT_GT(moves, 2000);
    std::printf("random input: %d games, %d moves read\n", games, moves);
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

std::string tool() { return std::string("'") + QUILLMAREN_TOOL + "'"; }

std::string tempPath(const char* name)
{
    return std::string(::testing::TempDir()) + "quillmaren-" + std::to_string(getpid()) + "-"
        + name;
}

// Read by hand from the fixture: the first 16 moves of each game that starts from the
// usual position, up to the first promotion or unreadable move.
const std::vector<std::string> sampleBook = {
    " e2e4e7e5g1f3b8c6f1b5a7a6b5a4g8f6e1g1f8e7f1e1b7b5a4b3d7d6c2c3e8g8",
    " d2d4d7d5c2c4e7e6",
    " g1f3g8f6g2g3g7g6f1g2f8g7e1g1e8g8d2d3d7d6",
    " e2e4d7d5e4d5c7c6d5c6g8f6c6b7b8d7",
    " c2c4e7e5",
    " e2e4c7c5g1f3d7d6",
    " e2e4e7e5f1c4b8c6d1h5g8f6h5f7",
};

TEST(BookCommand, SampleGamesBecomeTheExpectedBookLines)
{
    int status = -1;
    const auto lines = splitLines(run(tool() + " book '" + samplePgn + "' 2>/dev/null", &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lines, sampleBook);
}

TEST(BookCommand, WarningsNameTheGameAndTheSummaryCountsEverything)
{
    int status = -1;
    const std::string errors = run(tool() + " book '" + samplePgn + "' 2>&1 >/dev/null", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(
        errors.find("game 3 (Carter, Ann - Doyle, Ben, round 3): move 3. Bxe6"), std::string::npos)
        << errors;
    EXPECT_NE(
        errors.find("game 6 (Gray, Hal - Hill, Ida, round 6): unterminated"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("games read 9, lines written 7, skipped 2"), std::string::npos) << errors;
}

TEST(BookCommand, BookLinesReplayThroughCoordinateMatching)
{
    int status = -1;
    const auto lines =
        splitLines(run(tool() + " book --plies 255 '" + samplePgn + "' 2>/dev/null", &status));
    ASSERT_FALSE(lines.empty());
    for (const std::string& line : lines) {
        ASSERT_EQ(line[0], ' ');
        const std::string moves = line.substr(1);
        EXPECT_EQ(moves.size() % 4, 0u) << line;
        EXPECT_EQ(replay(moves), int(moves.size() / 4)) << line;
    }
}

TEST(BookCommand, OutOptionAndPliesLimitTheFileAndPutTheSummaryOnStandardOutput)
{
    const std::string out = tempPath("book.bk");
    int status = -1;
    const std::string printed = run(
        tool() + " book --plies 4 --out '" + out + "' '" + samplePgn + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(printed.find("games read 9"), std::string::npos) << printed;
    std::ifstream file(out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    std::vector<std::string> expected;
    for (const std::string& line : sampleBook) expected.push_back(line.substr(0, 1 + 4 * 4));
    EXPECT_EQ(lines, expected);
    std::remove(out.c_str());
}

TEST(BookCommand, OutputFileThatIsAnInputIsRefusedUntouched)
{
    const std::string copy = tempPath("games.pgn");
    {
        std::ofstream file(copy);
        file << "1. e4 e5 *\n";
    }
    int status = -1;
    run(tool() + " book --out '" + copy + "' '" + copy + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 2);
    std::ifstream file(copy);
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "1. e4 e5 *\n");
    std::remove(copy.c_str());
}

TEST(BookCommand, BadArgumentsAreRefused)
{
    for (const char* args :
        {"", "--plies 0 x.pgn", "--plies 256 x.pgn", "--plies", "--out", "--bogus x.pgn"}) {
        int status = -1;
        run(tool() + " book " + args + " 2>/dev/null", &status);
        EXPECT_EQ(status, 2) << args;
    }
    int status = -1;
    run(tool() + " book /nonexistent/games.pgn 2>/dev/null", &status);
    EXPECT_EQ(status, 1);
}

}  // namespace
