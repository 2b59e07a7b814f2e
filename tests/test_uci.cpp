// The engine in UCI mode, driven through pipes line by line as a GUI drives it.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "interface.h"
#include "search_support.h"

namespace {

// The real binary in the repository (beside its book), talked to one line at a time.
struct Engine {
    pid_t pid = -1;
    int to = -1, from = -1;
    std::string pending;

    Engine()
    {
        std::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        if (pipe(in) || pipe(out)) return;
        pid = fork();
        if (pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
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
        close(to);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "quit ends the engine at once";
        close(from);
    }
    void send(const std::string& text) { EXPECT_GT(write(to, (text + "\n").data(), text.size() + 1), 0); }

    // Everything printed up to and including the first line that starts with `prefix`; fails
    // the test when it does not come within the seconds given.
    std::string until(const std::string& prefix, int seconds = 120)
    {
        std::string text;
        for (;;) {
            const std::size_t end = pending.find('\n');
            if (end != std::string::npos) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                text += line + "\n";
                if (line.rfind(prefix, 0) == 0) return text;
                continue;
            }
            pollfd p = {from, POLLIN, 0};
            char buf[4096];
            const ssize_t got = poll(&p, 1, seconds * 1000) > 0 ? read(from, buf, sizeof buf) : 0;
            if (got <= 0) {
                ADD_FAILURE() << "no \"" << prefix << "\" after:\n" << text;
                return text;
            }
            pending.append(buf, std::size_t(got));
        }
    }
    // All the engine prints in the next half second.
    std::string drain()
    {
        pollfd p = {from, POLLIN, 0};
        char buf[4096];
        ssize_t got = 0;
        while (poll(&p, 1, 500) > 0 && (got = read(from, buf, sizeof buf)) > 0) pending.append(buf, std::size_t(got));
        return pending;
    }
};

std::int64_t lastNodes(const std::string& text)
{
    const std::regex nodes("info nodes ([0-9]+)");
    std::smatch m;
    std::int64_t n = -1;
    for (auto it = text.cbegin(); std::regex_search(it, text.cend(), m, nodes); it = m.suffix().first)
        n = std::stoll(m[1]);
    return n;
}

std::int64_t benchNodes(const std::string& fen, int depth)
{
    const std::string command = std::string(QUILLMAREN_TOOL) + " bench " + std::to_string(depth)
                              + " \"" + fen + "\"";
    FILE* p = popen(command.c_str(), "r");
    char line[512];
    std::int64_t nodes = -1;
    while (p && std::fgets(line, sizeof line, p)) if (!std::strncmp(line, "nodes ", 6)) nodes = std::atoll(line + 6);
    if (p) pclose(p);
    return nodes;
}

std::string bestmove(const std::string& text)
{
    const std::size_t at = text.rfind("bestmove ");
    return at == std::string::npos ? "" : text.substr(at + 9, text.find_first_of(" \n", at + 9) - at - 9);
}

const std::string KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

}  // namespace

TEST(Uci, HandshakeOptionsAndGarbageLeaveTheLastGoodPosition)
{
    Engine e;
    // Option names in any case, with blanks and tabs; values out of range or unreadable.
    e.send("setoption name hash value 16\nsetoption  name\tMOVE OVERHEAD value -5\r");
    e.send("setoption name Hash value lots\nsetoption name Ponder value maybe\nsetoption name Clear Hash");
    e.send("new\nxboard\nblah\n\nponderhit\nstop\nposition fen " + KIWIPETE + " moves e2a6");
    // Refused whole: an illegal move, a move in the wrong notation, a broken FEN.
    e.send("position fen " + KIWIPETE + " moves e1h1\nposition startpos moves e2e5\nposition fen 8/8 w");
    e.send("position startpos moves E2E4\nposition nowhere\nisready");
    EXPECT_EQ(e.until("readyok"), "readyok\n") << "nothing printed for garbage";
    e.send("go depth 2 wtime soon");
    BoardPtr board = boardFromFen(KIWIPETE);
    Move m;
    ASSERT_TRUE(inputMoveLegal(board.get(), "e2a6", &m));
    playGameMove(board.get(), &m);
    EXPECT_TRUE(inputMoveLegal(board.get(), bestmove(e.until("bestmove")).c_str(), &m))
        << "a black move after e2a6";
}

TEST(Uci, PositionsWithCastlingEnPassantAndPromotionsAreTheGamesMoves)
{
    // The same game played here gives the same board, piece lists and history: the same tree.
    const std::pair<std::string, std::string> games[] = {
        {initialPosition, "e2e4 a7a6 e4e5 d7d5 e5d6 e8d7 g1f3 d7e8 f1e2 a6a5 e1g1"},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "e5f6 e8f7 f6g7 a7a6 g7h8n"},
        {"4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", "b7b8n g2g1r"},
    };
    initZobrist();
    Engine e;
    e.send("setoption name Hash value 2\nsetoption name OwnBook value false");  // the test table
    for (const auto& [fen, moves] : games) {
        const std::string start = fen == initialPosition ? "startpos" : "fen " + fen;
        e.send("ucinewgame\nposition " + start + " moves " + moves + "\ngo depth 5");
        BoardPtr board(newBoard());
        ASSERT_TRUE(loadPosition(board.get(), fen.c_str()) && play(board.get(), moves)) << moves;
        freshTables();
        Move best;
        searchDepth(board.get(), &best, 5);
        EXPECT_EQ(lastNodes(e.until("bestmove")), globalNodes) << moves;
    }
    e.send("setoption name Hash value 256\nucinewgame\nposition fen " + KIWIPETE + "\ngo depth 7");
    EXPECT_EQ(lastNodes(e.until("bestmove")), benchNodes(KIWIPETE, 7)) << "the fingerprint covers UCI";
}

TEST(Uci, LimitsStopPonderAndMates)
{
    Engine e;
    // Mate in moves, from both sides; no move at all.
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/K3R3 w - - 0 1\ngo depth 4");
    std::string out = e.until("bestmove");
    EXPECT_NE(out.find("score mate 1 "), std::string::npos) << out;
    EXPECT_EQ(bestmove(out), "e1e8");
    e.send("go mate 1");
    EXPECT_EQ(bestmove(e.until("bestmove")), "e1e8") << "a mate limit alone ends the search";
    e.send("position fen 7k/8/8/8/8/1r6/r7/7K w - - 0 1\ngo depth 3");
    out = e.until("bestmove");
    EXPECT_NE(out.find("score mate -1 "), std::string::npos) << "mated next move: " << out;
    e.send("position fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1\ngo depth 3");
    EXPECT_EQ(e.until("bestmove"), "info depth 0 score mate 0\nbestmove (none)\n");
    e.send("position fen k7/2Q5/1K6/8/8/8/8/8 b - - 0 1\ngo wtime 100 btime 100");
    EXPECT_EQ(e.until("bestmove"), "info depth 0 score cp 0\nbestmove (none)\n");

    // Node limit; movetime with a clock beside it.
    e.send("position fen " + KIWIPETE + "\ngo nodes 20000");
    const std::int64_t nodes = lastNodes(e.until("bestmove"));
    EXPECT_TRUE(nodes >= 20000 && nodes < 21000) << nodes;
    e.send("go wtime 3600000 btime 3600000 movetime 100");
    e.until("bestmove", 20);

    // Infinite and ponder searches wait for stop or ponderhit, and answer isready meanwhile.
    for (const std::string go : {"go infinite", "go ponder wtime 100000 btime 100000", "go"}) {
        e.send("position fen 8/8/8/8/8/2k5/8/K7 w - - 0 1\n" + go);  // searched out at once
        e.send("isready");
        e.until("readyok");
        EXPECT_EQ(e.drain().find("bestmove"), std::string::npos) << go << ": not before it is asked for";
        e.send(go.find("ponder") != std::string::npos ? "ponderhit" : "stop");
        const std::string move = bestmove(e.until("bestmove"));
        EXPECT_TRUE(move == "a1a2" || move == "a1b1") << go << ": " << move;
    }
    e.send("position startpos\ngo ponder wtime 2000 btime 2000 winc 10 binc 10");
    e.send("ponderhit");
    e.until("bestmove", 20);  // on its own clock once the move is played
    e.send("position fen " + KIWIPETE + "\ngo infinite");
    e.until("info depth 6");
    e.send("stop");
    const std::string found = e.until("bestmove");
    EXPECT_EQ(found.find("bestmove (none)"), std::string::npos);
}

TEST(Uci, ThreadsSearchTogetherAndStopTogether)
{
    Engine e;
    e.send("setoption name Threads value 3\nposition fen " + KIWIPETE + "\ngo depth 7");
    auto board = boardFromFen(KIWIPETE);
    const std::string move = bestmove(e.until("bestmove"));
    EXPECT_EQ(text(legalMove(board.get(), move)), move);
    e.send("go infinite");
    e.until("info depth 5");
    e.send("stop");
    EXPECT_EQ(lastNodes(e.until("bestmove", 10)) > 0, true);
    // Back to one thread: the single-threaded search, node for node.
    e.send("setoption name Threads value 1\nucinewgame\nposition fen " + KIWIPETE + "\ngo depth 6");
    EXPECT_EQ(lastNodes(e.until("bestmove")), benchNodes(KIWIPETE, 6));
}
