// The engine in UCI mode, driven through pipes line by line as a GUI drives it.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <string>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "interface.h"
#include "search_support.h"
#include "uci.h"

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
    // the test table). A refused position leaves the last good one.
    const std::pair<std::string, std::string> games[] = {
        {initialPosition, "e2e4 a7a6 e4e5 d7d5 e5d6 e8d7 g1f3 d7e8 f1e2 a6a5 e1g1"},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "e5f6 e8f7 f6g7 a7a6 g7h8n"},
        {"4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", "b7b8n g2g1r"},
        {KIWIPETE, ""},
    };
    for (const auto& [fen, moves] : games) {
        const std::string start = fen == initialPosition ? "startpos" : "fen " + fen;
        e.send("ucinewgame\nposition " + start + " moves " + moves);
        e.send("position " + start + " moves " + moves + " e1h1\nposition startpos moves E2E4\n"
               "position fen 8/8 w\nposition nowhere\ngo depth 5 wtime soon");
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
            uciTimeBudget(clock, c[1], toGo, c[3], &soft, &hard);
            ASSERT_TRUE(soft >= 1 && soft <= hard) << soft << " " << hard;
            clock -= hard + c[3];
            ASSERT_GT(clock, 0) << "move " << move << " of " << c[0] << "+" << c[1] << " moves " << c[2];
            clock += c[1] + (toGo == 1 ? c[0] : 0);
        }
    }
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
    // A letter that names no rook: refused with a reason, the last position kept.
    e.send("position fen 1k6/8/8/8/8/8/8/1K5R w Q - 0 1\ngo depth 2");
    EXPECT_EQ(e.until("bestmove"), "info string position refused: castling letter names no rook\n"
                                   "info depth 0 score mate 0\nbestmove (none)\n");
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
