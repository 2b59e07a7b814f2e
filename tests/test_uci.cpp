// SPDX-License-Identifier: GPL-3.0-or-later
// The engine in UCI mode, driven through pipes line by line as a GUI drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <vector>
#include <regex>
#include <string>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "game.h"
#include "search_support.h"
#include "timeman.h"

namespace {

// The real binary, started in the repository beside its book, after "uci".
struct Engine {
    pid_t pid = -1;
    int to = -1, from = -1;
    std::string pending;

    Engine()
    {
        std::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        if (pipe(in) || pipe(out) || (pid = fork()) < 0) return;
        if (pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            if (chdir(QUILLMAREN_SOURCE_DIR) == 0) execl(QUILLMAREN_BIN, QUILLMAREN_BIN, nullptr);
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to = in[1];
        from = out[0];
        send("uci");
        EXPECT_NE(until("uciok").find("id name Quillmaren v0.1g"), std::string::npos);
    }
    ~Engine()
    {
        send("quit");
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "quit ends the engine at once";
        close(to);
        close(from);
    }
    void send(const std::string& text) { EXPECT_GT(write(to, (text + "\n").data(), text.size() + 1), 0); }

    // What comes within `ms` milliseconds of silence, up to and including the first line that
    // starts with `prefix` (all of it when the prefix is empty).
    std::string until(const std::string& prefix, int ms = 120000)
    {
        std::string text;
        for (;;) {
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end + 1);
                pending.erase(0, end + 1);
                text += line;
                if (!prefix.empty() && line.rfind(prefix, 0) == 0) return text;
            }
            pollfd p = {from, POLLIN, 0};
            char buf[4096];
            const ssize_t got = poll(&p, 1, ms) > 0 ? read(from, buf, sizeof buf) : 0;
            if (got <= 0) {
                EXPECT_TRUE(prefix.empty()) << "no \"" << prefix << "\" after:\n" << text;
                return text;
            }
            pending.append(buf, std::size_t(got));
        }
    }
};

// The word after the first `before` in the text.
std::string field(const std::string& text, const std::string& before)
{
    std::smatch m;
    return std::regex_search(text, m, std::regex(before + " ([^ \n]+)")) ? m[1].str() : "";
}

const std::string KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

}  // namespace

TEST(Uci, OptionsPositionsAndGarbageGiveTheGamesTree)
{
    initZobrist();
    Engine e;
    // Names in any case, blanks and tabs, a CR LF; unreadable values; xboard commands.
    e.send("setoption name hash value 2\nsetoption  name\tOWNBOOK value false\r\nsetoption name Hash value "
           "lots\nsetoption name Ponder value maybe\nsetoption name Clear Hash\nnew\nxboard\n\nstop\nisready");
    EXPECT_EQ(e.until("readyok"), "readyok\n") << "nothing printed for garbage";

    // The moves are made as the game made them, with castling, en passant and promotions:
    // the same board, piece lists and history, so the same tree node for node (Hash 2 is
    // the test table). Moves are played up to the first illegal one.
    const std::pair<std::string, std::string> games[] = {
        {initialPosition, "e2e4 a7a6 e4e5 d7d5 e5d6 e8d7 g1f3 d7e8 f1e2 a6a5 e1g1"},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "e5f6 e8f7 f6g7 a7a6 g7h8n"},
        {"4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", "b7b8n g2g1r"},
        {KIWIPETE, ""},
    };
    for (const auto& [fen, moves] : games) {
        const std::string start = fen == initialPosition ? "startpos" : "fen " + fen;
        e.send("ucinewgame\nposition fen 8/8 w\nposition startpos moves E2E4");
        e.send("position " + start + " moves " + moves + " e1h1 a2a3\ngo depth 5 wtime soon");
        BoardPtr board(newBoard());
        ASSERT_TRUE(loadPosition(board.get(), fen.c_str()) && play(board.get(), moves)) << moves;
        freshTables();
        Move best;
        searchDepth(board.get(), &best, 5);
        EXPECT_EQ(field(e.until("bestmove"), "info nodes"), std::to_string(globalNodes)) << moves;
    }
}

TEST(Uci, LimitsStopPonderAndMates)
{
    Engine e;
    // Mates in moves, from both sides; no move at all.
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/K3R3 w - - 0 1\ngo depth 4");
    EXPECT_EQ(field(e.until("bestmove"), "score mate"), "1");
    e.send("go mate 1");
    EXPECT_EQ(field(e.until("bestmove"), "bestmove"), "e1e8") << "a mate limit alone ends the search";
    e.send("position fen 7k/8/8/8/8/1r6/r7/7K w - - 0 1\ngo depth 3");
    EXPECT_EQ(field(e.until("bestmove"), "score mate"), "-1") << "mated next move";
    e.send("position fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1\ngo depth 3");
    EXPECT_EQ(e.until("bestmove"), "info depth 0 score mate 0\nbestmove (none)\n");
    e.send("position fen k7/2Q5/1K6/8/8/8/8/8 b - - 0 1\ngo wtime 100 btime 100");
    EXPECT_EQ(e.until("bestmove"), "info depth 0 score cp 0\nbestmove (none)\n");

    // A node limit; a movetime beside a clock.
    e.send("position fen " + KIWIPETE + "\ngo nodes 20000");
    const long nodes = std::stol(field(e.until("bestmove"), "info nodes"));
    EXPECT_TRUE(nodes >= 20000 && nodes < 21000) << nodes;

    // Searches that may not end on their own wait for stop or ponderhit, and answer isready.
    for (const std::string go : {"go infinite", "go ponder wtime 100000 btime 100000", "go"}) {
        e.send("position fen 8/8/8/8/8/2k5/8/K7 w - - 0 1\n" + go + "\nisready");  // searched out at once
        e.until("readyok");
        EXPECT_EQ(e.until("", 500).find("bestmove"), std::string::npos) << go << ": not before it is asked for";
        e.send(go.find("ponder") != std::string::npos ? "ponderhit" : "stop");
        const std::string move = field(e.until("bestmove"), "bestmove");
        EXPECT_TRUE(move == "a1a2" || move == "a1b1") << go << ": " << move;
    }
    e.send("position startpos\ngo ponder wtime 2000 btime 2000 winc 10 binc 10\nponderhit");
    e.until("bestmove", 20000);  // on its own clock once the move is played
}

TEST(Uci, TimeBudgetsNeverFlagEvenWhenEverySearchRunsToItsHardLimit)
{
    // Clock, increment, moves to the control, overhead; every move costs its hard limit and
    // the overhead. Sudden death needs the increment to pay the overhead.
    constexpr std::int64_t controls[][4] = {
        {1000, 10, 0, 5}, {10000, 100, 0, 30}, {60000, 0, 40, 30}, {3000, 0, 5, 100}, {180000, 2000, 0, 30}};
    for (const auto& c : controls) {
        std::int64_t clock = c[0];
        for (int move = 0; move < 500; ++move) {
            const int toGo = c[2] ? int(c[2] - move % c[2]) : 0;
            std::int64_t soft = 0, hard = 0;
            uciTimeBudget(clock, c[1], toGo, c[3], 2 * move, &soft, &hard);
            ASSERT_TRUE(soft >= 1 && soft <= hard) << soft << " " << hard;
            clock -= hard + c[3];
            ASSERT_GT(clock, 0) << "move " << move << " of " << c[0] << "+" << c[1] << " moves " << c[2];
            clock += c[1] + (toGo == 1 ? c[0] : 0);
        }
    }
}

TEST(Uci, TimeWatchStretchesForAChangingMoveAndNeverStartsADepthItCannotFinish)
{
    // Depths that each take twice the last; the optimum 1000 ms, the maximum 5000 ms.
    auto depthsSearched = [](bool changing, int fallPerDepth) {
        TimeWatch w;
        startTimeWatch(&w);
        std::int64_t elapsed = 0, duration = 10;
        for (int depth = 1; depth < 40; ++depth) {
            elapsed += duration;
            duration *= 2;
            const int move = changing ? depth % 2 : 0;
            if (!anotherDepth(&w, move, move + 8, -fallPerDepth * depth, elapsed, 1000, 5000)) {
                EXPECT_LE(elapsed, 5000);
                return depth;
            }
            EXPECT_LE(elapsed + w.lastDuration * 3 / 2, 5000) << "a depth begun that cannot finish";
        }
        return 40;
    };
    const int settled = depthsSearched(false, 0);
    EXPECT_GT(depthsSearched(true, 0), settled);
    EXPECT_GT(depthsSearched(false, 30), settled);
}

TEST(Uci, ThreadsSearchTogetherAndStopTogether)
{
    initZobrist();
    Engine e;
    e.send("setoption name Threads value 3\nposition fen " + KIWIPETE + "\ngo depth 7");
    BoardPtr board = boardFromFen(KIWIPETE);
    const std::string move = field(e.until("bestmove"), "bestmove");
    EXPECT_EQ(moveText(legalMove(board.get(), move)), move);
    e.send("go infinite");
    e.until("info depth 5");
    e.send("stop");
    e.until("bestmove");
    // Back to one thread: the single-threaded search, node for node.
    e.send("setoption name Threads value 1\nsetoption name Hash value 2\nucinewgame\n"
           "position fen " + KIWIPETE + "\ngo depth 6");
    freshTables();
    Move best;
    searchDepth(board.get(), &best, 6);
    EXPECT_EQ(field(e.until("bestmove"), "info nodes"), std::to_string(globalNodes));
}

TEST(Uci, RefusedInputIsSaidAndNoOtherPositionIsAnswered)
{
    Engine e;
    e.send("setoption name OwnBook value false\nposition startpos moves e2e4");
    // Played up to the bad move: White to move after 1. e4 e5, not Black after 1. e4.
    e.send("position startpos moves e2e4 e7e5 e1e3 g8f6\ngo depth 3");
    std::string out = e.until("bestmove");
    EXPECT_NE(out.find("info string illegal move e1e3"), std::string::npos) << out;
    BoardPtr board = boardFromFen(initialPosition);
    ASSERT_TRUE(play(board.get(), "e2e4 e7e5"));
    std::string move = field(out, "bestmove");
    EXPECT_EQ(moveText(legalMove(board.get(), move)), move);
    // An unreadable position leaves none to answer for, until the next one.
    for (const char* bad : {"fen 8/8 w", "fen", "nowhere", ""}) {
        e.send(std::string("position ") + bad + "\ngo depth 3");
        out = e.until("bestmove");
        EXPECT_EQ(out.substr(0, 29), "info string illegal position:") << bad;
        EXPECT_EQ(field(out, "bestmove"), "(none)") << bad;
    }
    // Words before a command are skipped.
    e.send("joho isready");
    EXPECT_EQ(e.until("readyok"), "readyok\n");
    e.send("foo bar position startpos moves e2e4\nbaz go depth 2");
    board = boardFromFen(initialPosition);
    ASSERT_TRUE(play(board.get(), "e2e4"));
    move = field(e.until("bestmove"), "bestmove");
    EXPECT_EQ(moveText(legalMove(board.get(), move)), move);

    // The halfmove clock: a rook up is a win, and a draw when the next move ends fifty moves.
    for (const std::string clock : {"0", "99"}) {
        e.send("position fen 4k3/8/8/8/8/8/R7/4K3 w - - " + clock + " 120\ngo depth 6");
        const std::string score = field(e.until("bestmove"), "score cp");
        EXPECT_TRUE(clock == "0" ? std::stoi(score) > 300 : score == "0") << clock << ": " << score;
    }
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/K3R3 w - - 99 1\ngo depth 3");
    EXPECT_EQ(field(e.until("bestmove"), "score mate"), "1") << "a mate on the hundredth half-move stands";

    // A game longer than the record is played to its end: 3001 plies, Black to move.
    std::string shuffle = "e2e4 e7e5";
    for (int i = 0; i < 3000 / 4; ++i) shuffle += " g1f3 g8f6 f3g1 f6g8";
    e.send("position startpos moves " + shuffle + " b1c3\ngo depth 2");
    out = e.until("bestmove");
    EXPECT_EQ(out.find("info string"), std::string::npos) << out;
    board = boardFromFen(initialPosition);
    ASSERT_TRUE(play(board.get(), "e2e4 e7e5 b1c3"));
    move = field(out, "bestmove");
    EXPECT_EQ(moveText(legalMove(board.get(), move)), move);
}

TEST(Uci, NoLineIsLostDuringASearch)
{
    Engine e;
    e.send("position fen " + KIWIPETE + "\ngo infinite");
    e.until("info depth 2");
    std::string lines;
    for (int i = 0; i < 30; ++i) lines += "go depth 1\n";
    e.send(lines + "stop");
    int answers = 0;
    while (answers < 31 && e.until("bestmove", 10000).find("bestmove") != std::string::npos) ++answers;
    EXPECT_EQ(answers, 31);
}

namespace {

// Every line the engine wrote between `go` and its `bestmove`, split into words.
std::vector<std::vector<std::string>> lines(const std::string& text)
{
    std::vector<std::vector<std::string>> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        out.emplace_back(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
    }
    return out;
}

// The word after `key` in the line, "" without one.
std::string after(const std::vector<std::string>& line, const std::string& key)
{
    const auto at = std::find(line.begin(), line.end(), key);
    return at != line.end() && at + 1 != line.end() ? *(at + 1) : "";
}

// The pv's moves, each played in turn from the position: empty when one is not legal there.
std::vector<std::string> legalPv(const std::string& fen, const std::vector<std::string>& line)
{
    BoardPtr board = boardFromFen(fen);
    std::vector<std::string> pv(std::find(line.begin(), line.end(), "pv"), line.end());
    if (pv.empty()) return pv;
    pv.erase(pv.begin());
    for (const std::string& move : pv)
        if (!play(board.get(), move)) return {};
    return pv;
}

int scoreOf(const std::vector<std::string>& line)
{
    const std::string mate = after(line, "mate");
    if (!mate.empty()) return std::stoi(mate) > 0 ? 100000 - std::stoi(mate) : -100000 - std::stoi(mate);
    return std::stoi(after(line, "cp"));
}

}  // namespace

TEST(Uci, MultiPvGivesDistinctLinesBestFirstAtEveryDepth)
{
    initZobrist();
    Engine e;
    // Three lines, then more than the position has (a lone king: three moves); garbage
    // values are clamped or refused.
    const std::pair<std::string, int> cases[] = {{KIWIPETE, 3}, {"7k/8/8/8/8/8/8/K7 w - - 0 1", 3}};
    const char* values[] = {"3", "99999"};
    for (int c = 0; c < 2; ++c) {
        const auto& [fen, want] = cases[c];
        e.send(std::string("setoption name MultiPV value ") + values[c] + "\nposition fen " + fen + "\ngo depth 5");
        std::map<int, std::vector<std::vector<std::string>>> byDepth;
        const auto all = lines(e.until("bestmove"));
        for (const auto& line : all)
            // A window that failed (shown in a long search, as under a sanitizer) is not a
            // finished line.
            if (!line.empty() && line[0] == "info" && !after(line, "multipv").empty()
                && std::find(line.begin(), line.end(), "upperbound") == line.end()
                && std::find(line.begin(), line.end(), "lowerbound") == line.end())
                byDepth[std::stoi(after(line, "depth"))].push_back(line);
        ASSERT_EQ(byDepth.size(), 5u) << fen;
        for (const auto& [depth, found] : byDepth) {
            ASSERT_EQ(int(found.size()), want) << fen << " depth " << depth;
            std::set<std::string> firsts;
            for (int k = 0; k < want; ++k) {
                EXPECT_EQ(after(found[k], "multipv"), std::to_string(k + 1));
                const auto pv = legalPv(fen, found[k]);
                ASSERT_FALSE(pv.empty()) << fen << " depth " << depth << " line " << k + 1;
                firsts.insert(pv[0]);
                if (k > 0) {
                    EXPECT_LE(scoreOf(found[k]), scoreOf(found[k - 1])) << "best first";
                }
            }
            EXPECT_EQ(int(firsts.size()), want) << "each line its own move";
        }
        EXPECT_EQ(after(all.back(), "bestmove"), legalPv(fen, byDepth[5][0])[0]) << "the first line's move";
    }
    // Back to one line, through a refused and a clamped value: the single search, node for node.
    e.send("setoption name MultiPV value x\nsetoption name MultiPV value 0\nsetoption name Hash value 2\n"
           "ucinewgame\nposition fen " + KIWIPETE + "\ngo depth 5");
    BoardPtr board = boardFromFen(KIWIPETE);
    freshTables();
    Move best;
    searchDepth(board.get(), &best, 5);
    const std::string text = e.until("bestmove");
    EXPECT_EQ(field(text, "info nodes"), std::to_string(globalNodes));
    EXPECT_EQ(text.find("multipv"), std::string::npos);
}

TEST(Uci, SearchmovesLimitTheRootAndGarbageLeavesItWhole)
{
    initZobrist();
    Engine e;
    // Among other words, with unknown and illegal ones skipped; on two threads; with lines.
    const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    for (const std::string setup : {"", "setoption name Threads value 2", "setoption name MultiPV value 3"}) {
        e.send(setup + "\nposition startpos\ngo depth 5 searchmoves a2a3 zz e2e5 h2h3 a2a3 wtime 100000");
        const auto all = lines(e.until("bestmove"));
        int withPv = 0;
        for (const auto& line : all) {
            const auto pv = legalPv(start, line);
            if (pv.empty()) continue;
            ++withPv;
            EXPECT_TRUE(pv[0] == "a2a3" || pv[0] == "h2h3") << setup << ": " << pv[0];
            if (!after(line, "multipv").empty()) {
                EXPECT_LE(std::stoi(after(line, "multipv")), 2);
            }
        }
        EXPECT_GT(withPv, 0);
        const std::string move = after(all.back(), "bestmove");
        EXPECT_TRUE(move == "a2a3" || move == "h2h3") << setup << ": " << move;
    }
    // Nothing usable after it: the whole root, and the engine answers on.
    for (const std::string go : {"go searchmoves e2e5 zz depth 3", "go depth 3 searchmoves"}) {
        e.send("setoption name MultiPV value 1\nposition fen " + KIWIPETE + "\n" + go);
        BoardPtr board = boardFromFen(KIWIPETE);
        const std::string move = field(e.until("bestmove"), "bestmove");
        EXPECT_EQ(moveText(legalMove(board.get(), move)), move) << go;
    }
    e.send("isready");
    EXPECT_EQ(e.until("readyok"), "readyok\n");
}

TEST(Uci, TheBookAnswersGamesOnAClockButNeverAnAnalysis)
{
    Engine e;
    const auto bookMove = [&](const std::string& commands) {
        e.send("ucinewgame\nposition startpos\n" + commands);
        const std::string text = e.until("bestmove");
        if (text.find("book move") != std::string::npos) return true;
        EXPECT_NE(field(text, "score cp"), "") << commands << ": a search with a score";
        EXPECT_NE(field(text, " pv"), "") << commands << ": and a line";
        return false;
    };
    EXPECT_TRUE(bookMove("go wtime 1000 btime 1000"));
    EXPECT_TRUE(bookMove("go movetime 50"));
    for (const std::string go : {"go nodes 20000", "go depth 4", "go mate 3 wtime 1000 btime 1000",
                                 "go wtime 1000 btime 1000 depth 4", "go movetime 50 searchmoves e2e4 d2d4",
                                 "go wtime 1000 btime 1000 nodes 5000"})
        EXPECT_FALSE(bookMove(go)) << go;
    e.send("go infinite");
    e.until("info depth 3");
    e.send("stop");
    EXPECT_EQ(e.until("bestmove").find("book move"), std::string::npos) << "infinite";
    EXPECT_FALSE(bookMove("setoption name MultiPV value 2\ngo wtime 1000 btime 1000"));
    EXPECT_FALSE(bookMove("setoption name MultiPV value 1\nsetoption name UCI_AnalyseMode value true\n"
                          "go wtime 1000 btime 1000"));
    EXPECT_TRUE(bookMove("setoption name UCI_AnalyseMode value false\ngo wtime 1000 btime 1000"));
}

TEST(Uci, SearchesStoppedByTheirNodeLimitPrintOnlyLegalLines)
{
    initZobrist();
    Engine e;
    // Limits that stop the search in the middle of an iteration, from positions of every
    // phase, the table kept from one search to the next as a GUI's analysis keeps it.
    const std::string fens[] = {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", KIWIPETE,
                                "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
                                "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"};
    int checked = 0;
    for (const int nodes : {1000, 2000, 3000, 5000, 8000, 12000})
        for (const std::string& fen : fens)
            for (const std::string multiPv : {"1", "2"}) {
                e.send("setoption name MultiPV value " + multiPv + "\nposition fen " + fen
                       + "\ngo nodes " + std::to_string(nodes));
                for (const auto& line : lines(e.until("bestmove"))) {
                    if (std::find(line.begin(), line.end(), "pv") == line.end()) continue;
                    EXPECT_FALSE(legalPv(fen, line).empty()) << fen << " nodes " << nodes;
                    ++checked;
                }
            }
    EXPECT_GT(checked, 100);
}

TEST(Uci, Chess960CastlesAsTheKingTakingItsRook)
{
    initZobrist();
    Engine e;
    e.send("uci");
    EXPECT_NE(e.until("uciok").find("option name UCI_Chess960 type check default false\n"), std::string::npos);
    // Off, a Chess960 field grants nothing: the castling that mates (python-chess finds no
    // other mate in one) is not there.
    const std::string mate = "8/8/2N2k2/8/6Q1/8/8/6KR w H - 0 1";
    e.send("position fen " + mate + "\ngo depth 2");
    EXPECT_EQ(e.until("bestmove").find("score mate 1 "), std::string::npos);

    // On: the king already on its target, the rook alone moves; black alike with an X-FEN.
    e.send("setoption name UCI_Chess960 value true\nposition fen " + mate + "\ngo depth 2");
    EXPECT_EQ(field(e.until("bestmove"), "bestmove"), "g1h1");
    e.send("position fen 6kr/8/8/6q1/8/2n2K2/8/8 b k - 0 1\ngo depth 2");
    EXPECT_EQ(field(e.until("bestmove"), "bestmove"), "g8h8");
    // Castling read: the king beside its rook castles long and mates.
    e.send("position fen 8/8/4QB2/8/8/3k4/8/RK6 w A - 0 1 moves b1a1\ngo depth 2");
    EXPECT_EQ(e.until("bestmove"), "info depth 0 score mate 0\nbestmove (none)\n");
    // A letter that names no rook: refused with a reason, and no position is left to answer for.
    e.send("position fen 1k6/8/8/8/8/8/8/1K5R w Q - 0 1\ngo depth 2");
    const std::string refused = e.until("bestmove");
    EXPECT_EQ(refused.rfind("info string illegal position: 1k6/8/8/8/8/8/8/1K5R w Q - 0 1 "
                            "(castling letter names no rook)\n", 0), 0u) << refused;
    EXPECT_EQ(field(refused, "bestmove"), "(none)");
    // The standard start stays, castles the Chess960 way (or as the king's move, which no
    // other move has), and gets no book move.
    const std::string moves = "g1f3 g8f6 g2g3 g7g6 f1g2 f8g7 e1h1 e8g8";
    e.send("position startpos moves " + moves + "\ngo depth 3");
    const std::string out = e.until("bestmove");
    BoardPtr board = boardFromFen(initialPosition);
    ASSERT_TRUE(play(board.get(), "g1f3 g8f6 g2g3 g7g6 f1g2 f8g7 e1g1 e8g8"));
    EXPECT_NE(legalMove(board.get(), field(out, "bestmove")).from, NO_SQUARE) << out;
    EXPECT_EQ(out.find("book"), std::string::npos);
}

TEST(Uci, LevelsReplayBySeedAndLevelTwentyIsTheFullSearch)
{
    initZobrist();
    Engine e;
    e.send("uci");
    const std::string options = e.until("uciok");
    for (const char* option : {"option name UCI_LimitStrength type check default false\n",
                               "option name Skill Level type spin default 20 min 0 max 20\n",
                               "option name Skill Seed type spin default 0 min 0 max 1000000000\n"})
        EXPECT_NE(options.find(option), std::string::npos) << option;
    EXPECT_NE(field(options, "option name UCI_Elo type spin default"), "");

    // A low level with a seed: a legal move, the same one again in the same position, and
    // the lines shown are the single line the GUI asked for.
    e.send("setoption name Hash value 2\nsetoption name Skill Level value 2\nsetoption name Skill Seed value 5");
    std::string moves[2];
    for (std::string& move : moves) {
        e.send("ucinewgame\nposition fen " + KIWIPETE + "\ngo depth 5");
        const std::string text = e.until("bestmove");
        EXPECT_EQ(text.find("multipv"), std::string::npos);
        move = field(text, "bestmove");
        EXPECT_FALSE(legalPv(KIWIPETE, {"pv", move}).empty()) << move;
    }
    EXPECT_EQ(moves[0], moves[1]);

    // Level 20 without the Elo limit is the full search, node for node, whatever UCI_Elo holds.
    e.send("setoption name Skill Level value 20\nsetoption name UCI_LimitStrength value false\n"
           "setoption name UCI_Elo value 99999\nsetoption name UCI_Elo value junk\nucinewgame\nposition fen "
           + KIWIPETE + "\ngo depth 5");
    BoardPtr board = boardFromFen(KIWIPETE);
    freshTables();
    Move best;
    searchDepth(board.get(), &best, 5);
    EXPECT_EQ(field(e.until("bestmove"), "info nodes"), std::to_string(globalNodes));
}
