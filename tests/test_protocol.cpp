// SPDX-License-Identifier: GPL-3.0-or-later
// The engine binary fed through pipes, as a GUI feeds it: a few long transcripts.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <sys/wait.h>

#include "game.h"
#include "movegen.h"
#include "test_support.h"

namespace {

using Lines = std::vector<std::string>;
const std::string START = initialPosition;
const Lines REFUSED = {"tellusererror Illegal position"};

// Runs the engine to the end of its input in a scratch directory (with a book when one is
// given) on the chunks, each followed by "xboard". Input is handled in order, so the
// replies split the output into what each chunk printed. The run starts with the two
// feature lines, printed before any input is read, and ends with status 0.
std::vector<Lines> run(const std::vector<std::string>& chunks, const std::string& book = "")
{
    char name[] = "/tmp/quillmaren-gui-XXXXXX";
    const std::string dir = mkdtemp(name) ? name : "/nonexistent";
    if (!book.empty()) std::ofstream(dir + "/quillmaren.bk") << book;
    std::ofstream input(dir + "/input");
    for (const std::string& chunk : chunks) input << chunk << "xboard\n";
    input.close();
    FILE* p = popen(("cd " + dir + " && timeout 300 " QUILLMAREN_BIN " <input").c_str(), "r");
    Lines lines;
    char buf[8192];
    while (p && std::fgets(buf, sizeof buf, p)) lines.emplace_back(buf, std::strcspn(buf, "\n"));
    EXPECT_EQ(p ? WEXITSTATUS(pclose(p)) : -1, 0);
    std::filesystem::remove_all(dir);

    const Lines greeting = {
        "feature done=0 time=1 draw=0 analyze=1 ping=1 setboard=1 memory=1 smp=1 "
        "variants=\"normal,fischerandom\" myname=\"Quillmaren v0.1g\"",
        "feature option=\"Skill Level -spin 20 0 20\"", "feature option=\"UCI_LimitStrength -check 0\"",
        "feature option=\"UCI_Elo -spin 1850 1000 1850\"", "feature option=\"Skill Seed -spin 0 0 1000000000\"",
        "feature done=1"};
    const Lines reply = {
        "", "feature done=0",
        "feature setboard=1 time=1 analyze=1 ping=1 memory=1 smp=1 myname=\"Quillmaren v0.1g\"",
        "feature variants=\"normal,fischerandom\"", greeting[1], greeting[2], greeting[3], greeting[4],
        "feature done=1"};
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + std::min(greeting.size(), lines.size())), greeting);
    std::vector<Lines> out(1);
    for (std::size_t i = greeting.size(); i < lines.size(); ++i) {
        if (!lines[i].empty()) {
            out.back().push_back(lines[i]);
            continue;
        }
        EXPECT_EQ(Lines(lines.begin() + i, lines.begin() + std::min(i + reply.size(), lines.size())),
                  reply);
        out.emplace_back();
        i += reply.size() - 1;
    }
    out.resize(chunks.size() + 1);
    return out;
}

// The move of the output's last line, or of the one before the result line when one is
// given; before it come thinking lines only, none from the book.
std::string searched(Lines out, const std::string& result = "")
{
    if (!result.empty() && !out.empty()) {
        EXPECT_EQ(out.back(), result);
        out.pop_back();
    }
    for (std::size_t i = 0; i + 1 < out.size(); ++i)
        EXPECT_TRUE((std::isdigit(static_cast<unsigned char>(out[i][0])) || out[i][0] == '-')
                    && out[i].find("(Book)") == std::string::npos)
            << out[i];
    if (!out.empty() && out.back().rfind("move ", 0) == 0) return out.back().substr(5);
    ADD_FAILURE() << "no move line";
    return "";
}

// True when every move is legal in turn from the position.
bool legal(const std::string& fen, const Lines& moves)
{
    std::string line;
    for (const std::string& move : moves) line += move + " ";
    return play(boardFromFen(fen).get(), line);
}

}  // namespace

TEST(Protocol, BookGameThroughForceUndoSetboardClocksAndQuit)
{
    EXPECT_EQ(run({}), std::vector<Lines>(1)) << "the feature lines alone, and status 0";
    const std::vector<Lines> out = run(
        {"new\ntime 100\ngo\n", "e7e5\n", "b8c6\n",
         // Illegal and malformed moves, and the tail of an overlong line, are ignored silently.
         "force\ne7e5\ne2e4\nz9z9\nd7\nD7D5\ne8g8\n\n d7d5\nblah blah\n"
             + std::string(255, 'a') + "d7d5\n",
         "undo\nundo\ngo\n", "f1c4\n",  // "go" leaves force mode
         "new\nsetboard " + START + "\n",  // "new" turns the book on, setboard off
         // However short or odd the clock, a legal move comes.
         "go\n", "force\nst 1\ngo\n", "force\ntime 0\ngo\n", "force\ntime -500\ngo\n",
         "quit\nnew\ngo\n"},
        " e2e4e7e5g1f3\n");
    EXPECT_EQ(out[0], (Lines{"0 0 0 0 e2e4 (Book)", "move e2e4"}));
    EXPECT_EQ(out[1], (Lines{"0 0 0 0 g1f3 (Book)", "move g1f3"})) << "answered without go";
    EXPECT_TRUE(legal(START, {"e2e4", "e7e5", "g1f3", "b8c6", searched(out[2])}));
    EXPECT_EQ(out[3], Lines{});
    EXPECT_TRUE(legal(START, {"e2e4", "e7e5", "g1f3", searched(out[4]), "f1c4", searched(out[5])}));
    EXPECT_EQ(out[6], Lines{}) << "no move before go";
    EXPECT_TRUE(legal(START, {searched(out[7]), searched(out[8]), searched(out[9]),
                              searched(out[10])}));
    EXPECT_EQ(out[11], Lines{});
}

TEST(Protocol, ResultsAndRefusalsWithoutABook)
{
    const std::vector<Lines> out = run(
        {"new\ntime 100\ne2e4\n",
         "force\nsetboard 8/8/8 w - - 0 1\nsetboard\nsetboard garbage\n"
         "setboard 8/8/8/8/8/8/8/8 w - - 0 1\n"
         "setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1\n",
         "go\n", "new\nforce\nf2f3\ne7e5\ng2g4\nd8h4\n", "go\n",
         "new\nforce\ng1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\nf6g8\n", "g1f3\n",
         "new\nsetboard k7/8/8/1Q6/8/8/8/K7 w - - 0 1\nb5b6\n",
         "setboard 6k1/5ppp/8/8/8/8/8/K3R3 w - - 0 1\ne1e8\n"});
    EXPECT_EQ(out[1], Lines(5, REFUSED[0]));
    EXPECT_TRUE(legal(START, {"e2e4", searched(out[0]), searched(out[2])})) << "the game goes on";
    EXPECT_EQ(out[3], Lines{"0-1 {Black mates}"});
    EXPECT_EQ(out[4], Lines{"0-1 {Black mates}"}) << "no move in a finished game";
    EXPECT_EQ(out[5], Lines{}) << "the start position's third time is not counted";
    EXPECT_EQ(out[6], Lines{"1/2-1/2 {Draw by repetition}"});
    EXPECT_EQ(out[7], Lines{"1/2-1/2 {Stalemate}"});
    EXPECT_EQ(out[8], Lines{"1-0 {White mates}"});
}

TEST(Protocol, PromotionsEditModeAndGarbage)
{
    // The opponent's promotion needs its letter, in either case. Then the engine's own, the
    // only legal moves, of which the queen or rook mates: the move carries its letter.
    const std::string promoting = "k7/4P3/8/8/8/8/8/K7 w - - 0 1";
    const std::string mates[] = {"7k/2P3pp/8/8/8/p1n5/8/K7 w - - 0 1",
                                 "k7/8/P1N5/8/8/8/2p3PP/7K b - - 0 1"};
    const std::string results[] = {"1-0 {White mates}", "0-1 {Black mates}"};
    std::string bytes;
    for (int i = 1; i < 256; ++i) bytes += char(i);
    const std::vector<Lines> out = run(
        {"new\ntime 100\nsetboard " + promoting + "\ne7e8\n", "e7e8N\n",
         "setboard " + promoting + "\ne7e8q\n", "setboard " + mates[0] + "\ngo\n",
         "setboard " + mates[1] + "\ngo\n",
         // Edit mode as cutechess-cli uses it: a dummy move hands black the move.
         "new\nforce\nb2b3\nedit\n#\nKe1\nRa1\nPe4\nc\nKe8\nRh8\nPe5\n.\ngo\n",
         "force\nedit\n#\nKe1\n.\n",
         "new\nforce\n" + std::string(300, 'b') + "quit\n" + std::string(5000, 'x') + "\n" + bytes
             + "\n" + bytes + bytes + "\nsetboard " + std::string(500, '8') + "\ngo\n"});
    EXPECT_EQ(out[0], Lines{});
    EXPECT_TRUE(legal(promoting, {"e7e8n", searched(out[1])}));
    EXPECT_TRUE(legal(promoting, {"e7e8q", searched(out[2])}));
    for (int i = 0; i < 2; ++i) {
        const std::string move = searched(out[3 + i], results[i]);
        EXPECT_TRUE(move.size() == 5 && std::string("qr").find(move[4]) != std::string::npos
                    && legal(mates[i], {move}))
            << move;
    }
    EXPECT_TRUE(legal("4k2r/8/8/4p3/4P3/8/8/R3K3 b Qk - 0 1", {searched(out[5])}));
    EXPECT_EQ(out[6], REFUSED);
    EXPECT_TRUE(legal(START, {searched(out[7])})) << "still the start position, white to move";
}

TEST(Protocol, EngineMatesInOneAndAnnouncesItNeedsRealSearch)
{
    const std::vector<Lines> out = run({"st 1\nsetboard 6k1/5ppp/8/8/8/8/5PPP/K3R3 w - - 0 1\ngo\n",
                                        "setboard 4r1k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1\ngo\n"});
    EXPECT_EQ(searched(out[0], "1-0 {White mates}"), "e1e8");
    EXPECT_EQ(searched(out[1], "0-1 {Black mates}"), "e8e1");
}

namespace {

// The thinking lines of an output: depth, then the line's moves.
std::vector<std::pair<int, Lines>> thinking(const Lines& out)
{
    std::vector<std::pair<int, Lines>> lines;
    for (const std::string& line : out) {
        if (line.empty() || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
        std::istringstream in(line);
        int depth = 0;
        std::string word;
        in >> depth >> word >> word >> word;
        Lines moves;
        while (in >> word) moves.push_back(word);
        lines.push_back({depth, moves});
    }
    return lines;
}

// The lines that are neither thinking lines nor the search's move.
Lines replies(const Lines& out)
{
    Lines kept;
    for (const std::string& line : out)
        if (!line.empty() && !std::isdigit(static_cast<unsigned char>(line[0])) && line[0] != '-')
            kept.push_back(line);
    return kept;
}

// "stat01: time nodes depth left total move" about the position after the moves, with a
// legal move of it, and as many moves in all as it has.
void expectProgress(const std::string& line, const std::string& fen, const Lines& before)
{
    std::istringstream in(line);
    std::string tag, move;
    long long time = -1, nodes = 0;
    int depth = 0, left = -1, count = 0;
    in >> tag >> time >> nodes >> depth >> left >> count >> move;
    BoardPtr board = boardFromFen(fen);
    std::string played;
    for (const std::string& m : before) played += m + " ";
    ASSERT_TRUE(play(board.get(), played));
    Move moves[MAX_MOVES];
    EXPECT_TRUE(tag == "stat01:" && time >= 0 && nodes > 0 && depth >= 1 && left >= 0 && left < count
                && count == generateMoves(board.get(), moves, 1))
        << line;
    EXPECT_TRUE(play(board.get(), move)) << line;
}

}  // namespace

TEST(Protocol, PingIsAnsweredInOrderAndBadValuesAreRefused)
{
    std::vector<Lines> out = run(
        {"ping 1\nnew\nforce\ne2e4\nping -2\n", "st 1\ngo\nping 3\n",
         "ping\nping x\nmemory -5\nmemory\ncores 0\nsd -1\nsd 0\nexit\nst 1e9\nst 1\nping 4\n",
         "d2d4\nping 5\n"});
    EXPECT_EQ(out[0], (Lines{"pong 1", "pong -2"}));
    ASSERT_GE(out[1].size(), 2u);
    EXPECT_EQ(out[1].back(), "pong 3") << "after the move of the search begun before it";
    out[1].pop_back();
    const std::string reply = searched(out[1]);
    EXPECT_TRUE(legal(START, {"e2e4", reply}));
    EXPECT_EQ(out[2], (Lines{"Error (ping needs a number): ping", "Error (ping needs a number): ping x",
                             "Error (bad size): memory -5", "Error (bad size): memory",
                             "Error (bad number of cores): cores 0", "Error (bad depth): sd -1",
                             "Error (bad depth): sd 0", "Error (not analyzing): exit", "pong 4"}));
    // Still in the game, white to move after the search's answer, one second a move.
    ASSERT_GE(out[3].size(), 2u);
    EXPECT_EQ(out[3].back(), "pong 5");
    out[3].pop_back();
    EXPECT_TRUE(legal(START, {"e2e4", reply, "d2d4", searched(out[3])}));
}

TEST(Protocol, SdHoldsTheDepthUntilNewAndTablesAndThreadsChangeNoMove)
{
    const std::vector<Lines> out = run({"new\nforce\nst 30\nsd 3\ngo\n", "force\nsd 2\ngo\n",
                                        "new\nforce\nst 1\ngo\n",
                                        "new\nforce\nmemory 1\ncores 2\nsd 4\ngo\n",
                                        "cores 1\nmemory 256\nst 0.25\ngo\n"});
    auto deepest = [](const Lines& lines) {
        int depth = 0;
        for (const auto& [d, moves] : thinking(lines)) depth = std::max(depth, d);
        return depth;
    };
    // A depth limit ends the search there, long before its clock.
    EXPECT_EQ(deepest(out[0]), 3);
    EXPECT_EQ(deepest(out[1]), 2) ;
    EXPECT_GT(deepest(out[2]), 3) << "new lifts it";
    EXPECT_EQ(deepest(out[3]), 4);
    const std::string first = searched(out[0]);
    EXPECT_TRUE(legal(START, {first, searched(out[1])}));
    EXPECT_TRUE(legal(START, {searched(out[2])}));
    const std::string twoThreads = searched(out[3]);
    EXPECT_TRUE(legal(START, {twoThreads, searched(out[4])}));
}

TEST(Protocol, AnalysisFollowsThePositionAnswersProgressAndNeverMoves)
{
    const std::string mate = "6k1/5ppp/8/8/8/8/5PPP/K3R3 w - - 0 1";
    const std::string edited = "7k/1R6/2R5/8/8/8/8/K7 w - - 0 1";
    const std::vector<Lines> out = run(
        {"new\nforce\nanalyze\nping 1\n.\n", "e2e4\n.\n", "usermove e7e5\nusermove e2e4\ne1e3\n.\n",
         "undo\n.\n", "setboard " + mate + "\nanalyze\ngo\n.\n", "exit\nping 2\nexit\nanalyze\n",
         "edit\n#\nKa1\nRb7\nRc6\nc\nKh8\n.\n.\n", "exit\nnew\ne2e4\n"},
        " e2e4e7e5\n");
    // Each output: the position analysed (a FEN and moves). The lines read during the search
    // answer at once; one that changes the position makes the analysis start again there,
    // with the book asked never and no move played.
    const std::tuple<int, std::string, Lines> analysed[] = {
        {0, START, {}}, {1, START, {"e2e4"}}, {2, START, {"e2e4", "e7e5"}}, {3, START, {"e2e4"}},
        {4, mate, {}}, {6, edited, {}},
    };
    for (const auto& [i, fen, before] : analysed) {
        const auto lines = thinking(out[i]);
        ASSERT_FALSE(lines.empty()) << i;
        for (const auto& [depth, moves] : lines) {
            Lines line = before;
            line.insert(line.end(), moves.begin(), moves.end());
            EXPECT_TRUE(depth >= 1 && legal(fen, line)) << i;
        }
        const Lines r = replies(out[i]);
        ASSERT_FALSE(r.empty()) << i;
        expectProgress(r.back(), fen, before);
        for (const std::string& line : out[i])
            EXPECT_TRUE(line.find("(Book)") == std::string::npos && line.rfind("move", 0) != 0) << line;
    }
    EXPECT_EQ(replies(out[0]).front(), "pong 1");
    EXPECT_EQ(replies(out[2]).size(), 3u);
    EXPECT_EQ(replies(out[2])[0], "Illegal move: e2e4");
    EXPECT_EQ(replies(out[2])[1], "Illegal move: e1e3");
    // Rook to e8 mates: every line finds it; "analyze" and "go" are refused meanwhile.
    for (const auto& [depth, moves] : thinking(out[4])) EXPECT_EQ(moves.front(), "e1e8");
    EXPECT_EQ(replies(out[4]).size(), 3u);
    EXPECT_EQ(replies(out[4])[0], "Error (analyzing): analyze");
    EXPECT_EQ(replies(out[4])[1], "Error (analyzing): go");
    EXPECT_EQ(replies(out[5]), (Lines{"pong 2", "Error (not analyzing): exit"}));
    // Out of analysis a new game is played again, from the book.
    EXPECT_EQ(out[7], (Lines{"0 0 0 0 e7e5 (Book)", "move e7e5"}));
}

TEST(Protocol, FischerandomCastlesAsOO)
{
    // The engine's castlings mate, both colours, the king beside its rook or on its target
    // already; then the opponent's, long and short.
    const std::string castles = "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1";
    const std::vector<Lines> out = run(
        {"new\nvariant fischerandom\ntime 100\nsetboard 8/8/4QB2/8/8/3k4/8/RK6 w A - 0 1\ngo\n",
         "setboard rk6/8/3K4/8/8/4qb2/8/8 b a - 0 1\ngo\n",
         "setboard 8/8/2N2k2/8/6Q1/8/8/6KR w K\ngo\n",  // the line ends with the field
         "force\nsetboard " + castles + "\nO-O-O\nO-O\ngo\n",
         "setboard 1k6/8/8/8/8/8/8/1K5R w Q - 0 1\nvariant crazyhouse\ngo\n",
         "new\nforce\nsetboard r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1\nO-O\ne1g1\ngo\n"});
    EXPECT_EQ(searched(out[0], "1-0 {White mates}"), "O-O-O");
    EXPECT_EQ(searched(out[1], "0-1 {Black mates}"), "O-O-O");
    EXPECT_EQ(searched(out[2], "1-0 {White mates}"), "O-O");
    initZobrist();
    BoardPtr board(newBoard());
    ASSERT_EQ(setupFen(board.get(), castles.c_str(), CASTLING_BY_FIELD), 1);
    EXPECT_TRUE(play(board.get(), "e1c1 e8g8 " + searched(out[3])));
    // A letter naming no rook, a variant unknown: refused, the game goes on from the last
    // position.
    EXPECT_EQ(Lines(out[4].begin(), out[4].begin() + 2),
              (Lines{"tellusererror Illegal position: castling letter names no rook",
                     "Error (unsupported variant): crazyhouse"}));
    ASSERT_TRUE(play(board.get(), searched(Lines(out[4].begin() + 2, out[4].end()))));
    // "new" is standard chess again: O-O is no move, the king's move is.
    EXPECT_TRUE(legal("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", {"e1g1", searched(out[5])}));
}

TEST(Protocol, SkillOptionsAreSetByOptionAndASeededLevelReplays)
{
    const std::string fen = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
    const std::string game = "new\nsd 4\ntime 100000\notim 100000\nsetboard " + fen + "\ngo\n";
    const std::vector<Lines> out = run(
        {"option Skill Level=abc\noption Nope=1\noption Skill Level\noption UCI_Elo=\n",
         "option Skill Level=0\noption Skill Seed=3\n" + game, game});
    EXPECT_EQ(out[0], (Lines{"Error (bad option): option Skill Level=abc", "Error (bad option): option Nope=1",
                             "Error (bad option): option Skill Level", "Error (bad option): option UCI_Elo="}));
    const std::string first = searched(out[1]);
    EXPECT_TRUE(legal(fen, {first}));
    EXPECT_EQ(searched(out[2]), first) << "the same seed and position, the same move";
}
