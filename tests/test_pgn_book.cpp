// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "san.h"
#include "test_support.h"

namespace {

const std::string samplePgn = std::string(QUILLMAREN_SOURCE_DIR) + "/tests/data/sample.pgn";

// Each game the reader hands back: its moves in coordinates back to back, then what it
// flagged and the White tag.
std::vector<std::string> readGames(std::string text, int maxPlies = 16)
{
    static BoardPtr board = boardFromFen(initialPosition);
    static auto game = std::make_unique<PgnGame>();
    std::vector<std::string> games;
    // fmemopen will not open an empty buffer everywhere: give it one byte it may not read.
    if (text.empty()) text = " ";
    std::FILE* in = fmemopen(text.data(), text.size(), "r");
    PgnReader reader;
    pgnStart(&reader, in);
    while (in && games.size() < 100000 && pgnNextGame(&reader, board.get(), maxPlies, game.get())) {
        std::string seen;
        char move[8];
        for (int i = 0; i < game->plies; ++i) seen += moveToString(&game->moves[i], move);
        if (game->setUp) seen += " setup";
        if (game->error) seen += " error " + std::to_string(game->errorPly);
        if (game->unterminated) seen += " unterminated";
        if (game->white[0]) seen += std::string(" [") + game->white + "]";
        games.push_back(seen);
    }
    if (in) std::fclose(in);
    return games;
}

// How many moves of the line (coordinates back to back) play legally one after another
// from the start; -1 when one does not.
int legalPlies(const std::string& line)
{
    static BoardPtr board = boardFromFen(initialPosition);
    setupFen(board.get(), initialPosition);
    int plies = 0;
    return play(board.get(), line, &plies) ? plies : -1;
}

// Texts and each game the reader should find in them.
const std::pair<std::string, std::vector<std::string>> readerCases[] = {
    // Byte-order mark, CR LF, black's move numbers.
    {"\xEF\xBB\xBF[White \"a\"]\r\n\r\n1. e4 1... e5\r\n*\r\n", {"e2e4e7e5 [a]"}},
    // Percent line, NAG glued to a move, parenthesis in a comment.
    {"%e4 d4\n1. e4$1 {(not a variation} e5 *", {"e2e4e7e5"}},
    // An unterminated variation runs into the next tags; a comment into the end.
    {"1. e4 (1. d4\n[White \"b\"]\n1. c4 *", {"e2e4 unterminated", "c2c4 [b]"}},
    {"1. e4 { never closed", {"e2e4 unterminated"}},
    // En passant note; results of every kind.
    {"1. e4 a6 2. e5 d5 3. exd6 e.p. Nf6 1/2-1/2 1. d4 0-1", {"e2e4a7a6e4e5d7d5e5d6g8f6", "d2d4"}},
    // SetUp without a FEN; the standard variant named.
    {"[SetUp \"1\"]\n1. e4 *\n[Variant \"Standard\"]\n1. e4 *", {" setup", "e2e4"}},
    // An overlong token is an error, not a truncated move.
    {"1. e4 " + std::string(200, '!') + "x e5 *", {"e2e4 error 1"}},
    // Tag escapes kept, control characters replaced.
    {"[White \"A \\\"q\\\" b\\\\\"]\n1. e4 *\n[White \"esc\x1b[2J\"]\n1. d4 *",
     {"e2e4 [A \"q\" b\\]", "d2d4 [esc?[2J]"}},
    // No games at all.
    {"{a comment} ; another\n", {}},
};

TEST(PgnReader, PassesOverCommentsVariationsAndNagsAndFlagsWhatItCannotRead)
{
    for (const auto& [text, games] : readerCases) EXPECT_EQ(readGames(text), games) << text;
    // Moves past the limit are neither kept, beyond the array, nor judged.
    std::string text, kept;
    for (int i = 0; i < 100; ++i) text += "Nf3 Nf6 Ng1 Ng8 ";
    for (int i = 0; i < PGN_MAX_PLIES; ++i) kept += std::string("g1f3g8f6f3g1f6g8", 4 * (i % 4), 4);
    const std::vector<std::string> expected = {kept, "e2e4 [next]"};
    EXPECT_EQ(readGames(text + "Zz9 *\n[White \"next\"]\n1. e4 *", 1000), expected);
}

// Random bytes, biased towards PGN's own characters, and the sample games with random
// edits: the reader always ends, and every game it hands back is a legal line.
TEST(PgnReader, RandomAndMangledInputNeverBreaksTheReader)
{
    std::ifstream file(samplePgn, std::ios::binary);
    const std::string sample(std::istreambuf_iterator<char>(file), {});
    ASSERT_FALSE(sample.empty());
    std::mt19937 random(20240101);
    const std::string alphabet = "[]{}()$;%.\"\n 0123456789abcdefghNBRQKOx-+#=!?*/\\";
    auto someChar = [&] {
        return random() % 4 ? alphabet[random() % alphabet.size()] : char(random());
    };
    int moves = 0;
    for (int round = 0; round < 400; ++round) {
        std::string text = sample;
        if (round % 2)
            for (char& c : text) c = someChar();
        for (int edits = int(random() % 20); edits >= 0; --edits) {
            const std::size_t at = random() % text.size();
            if (random() % 2) text[at] = someChar();
            else text.insert(at, 1, someChar());
        }
        text.resize(random() % 4 ? text.size() : random() % text.size());
        for (const std::string& game : readGames(text)) {
            const int plies = legalPlies(game.substr(0, game.find(' ')));
            ASSERT_TRUE(plies >= 0 && plies <= 16) << game;
            moves += plies;
        }
    }
    // The input must reach the move reader, or the test proves little.
    EXPECT_GT(moves, 2000);
}

const std::string book = std::string("'") + QUILLMAREN_TOOL + "' book ";

const std::string temp = ::testing::TempDir() + "quillmaren-" + std::to_string(getpid()) + "-";

// Read by hand from the fixture: every game from the usual start position, up to the
// first promotion or unreadable move.
const std::vector<std::string> sampleBook = {
    " e2e4e7e5g1f3b8c6f1b5a7a6b5a4g8f6e1g1f8e7f1e1b7b5a4b3d7d6c2c3e8g8"
    "h2h3c6b8d2d4b8d7b1d2c8b7b3c2f8e8",
    " d2d4d7d5c2c4e7e6",
    " g1f3g8f6g2g3g7g6f1g2f8g7e1g1e8g8d2d3d7d6",
    " e2e4d7d5e4d5c7c6d5c6g8f6c6b7b8d7",
    " c2c4e7e5",
    " e2e4c7c5g1f3d7d6",
    " e2e4e7e5f1c4b8c6d1h5g8f6h5f7",
};

TEST(BookCommand, SampleGamesBecomeLegalBookLinesWithWarningsAndASummary)
{
    const std::string out = temp + "book.bk";
    std::string printed;
    EXPECT_EQ(runCommand(book + "--plies 255 --out '" + out + "' '" + samplePgn + "' 2>&1", &printed), 0);
    for (const char* expected : {"game 3 (Carter, Ann - Doyle, Ben, round 3): move 3. Bxe6",
                                 "game 6 (Gray, Hal - Hill, Ida, round 6): unterminated",
                                 "games read 9, lines written 7, skipped 2"})
        EXPECT_NE(printed.find(expected), std::string::npos) << printed;
    std::ifstream file(out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line); lines.push_back(line))
        EXPECT_EQ(legalPlies(line.substr(line.empty() ? 0 : 1)) * 4 + 1, int(line.size())) << line;
    EXPECT_EQ(lines, sampleBook);
    std::remove(out.c_str());
}

TEST(BookCommand, OutputFileThatIsAnInputIsRefusedUntouched)
{
    const std::string games = temp + "games.pgn";
    std::ofstream(games) << "1. e4 e5 *\n";
    EXPECT_EQ(runTool("book --out '" + games + "' '" + games + "'", nullptr), 2);
    std::ifstream file(games);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "1. e4 e5 *\n");
    std::remove(games.c_str());
}

}  // namespace
