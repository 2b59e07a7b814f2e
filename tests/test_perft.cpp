// Perft totals against the published counts, and the tool's perft and divide.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/wait.h>

#include "debug.h"
#include "test_support.h"

namespace {

struct PerftCase {
    const char* fen;
    int depth;  // leaf depth, depth 1 = the legal moves
    std::uint64_t nodes;
};

// Deep enough to reach castling, en passant, promotions and checks on every side.
constexpr PerftCase fullCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5, 193690690},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6, 11030083},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 5, 15833292},
    {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 5, 15833292},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594},
};

constexpr PerftCase sanitizedCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 4, 197281},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3, 97862},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
    {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 3, 9467},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 3, 89890},
};

TEST(Perft, StandardPositions)
{
    const auto& cases = sanitizedRun() ? sanitizedCases : fullCases;
    for (const PerftCase& c : cases) {
        BoardPtr b = boardFromFen(c.fen);
        ASSERT_TRUE(b) << c.fen;
        const std::uint64_t key = b->hashKey;
        const int ply = b->ply, gamePly = b->gamePly;
        std::uint64_t nodes = 0;
        debugPerft(b.get(), std::uint8_t(c.depth - 1), &nodes);
        EXPECT_EQ(nodes, c.nodes) << c.fen << " depth " << c.depth;
        EXPECT_TRUE(boardIsOk(b.get()));
        EXPECT_EQ(b->hashKey, key);
        EXPECT_EQ(int(b->ply), ply);
        EXPECT_EQ(int(b->gamePly), gamePly);
    }
}

TEST(Perft, CountsAccumulateAndMatesCountNothing)
{
    BoardPtr b = boardFromFen(initialPosition);
    std::uint64_t nodes = 0;
    debugPerft(b.get(), 0, &nodes);
    debugPerft(b.get(), 1, &nodes);
    EXPECT_EQ(nodes, 20u + 400u);
    for (const char* fen : {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
                            "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {
        BoardPtr end = boardFromFen(fen);
        ASSERT_TRUE(end) << fen;
        std::uint64_t none = 0;
        debugPerft(end.get(), 0, &none);
        debugPerft(end.get(), 2, &none);
        EXPECT_EQ(none, 0u) << fen;
    }
}

struct ToolRun {
    int status;
    std::string out;
};

ToolRun runTool(const std::string& args)
{
    const std::string command = std::string(QUILLMAREN_TOOL) + " " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun run{-1, ""};
    if (!pipe) return run;
    std::array<char, 4096> buf;
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) run.out.append(buf.data(), n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string lastLine(const std::string& out)
{
    std::string s = out;
    while (!s.empty() && s.back() == '\n') s.pop_back();
    const std::size_t nl = s.rfind('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

TEST(PerftTool, PerftAndDivide)
{
    ToolRun perft = runTool("perft \"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1\" 3");
    EXPECT_EQ(perft.status, 0);
    EXPECT_EQ(lastLine(perft.out), "nodes 97862");
    ToolRun divide = runTool("divide \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\" 2");
    EXPECT_EQ(divide.status, 0);
    EXPECT_EQ(divide.out.rfind("a2a4: 20\n", 0), 0u);
    EXPECT_NE(divide.out.find("\ng1h3: 20\n"), std::string::npos);
    EXPECT_EQ(lastLine(divide.out), "nodes 400");
    ToolRun promotions = runTool("divide \"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1\" 1");
    EXPECT_NE(promotions.out.find("b7b8q: 1\nb7b8r: 1\nb7b8b: 1\nb7b8n: 1\n"), std::string::npos);
}

TEST(PerftTool, BadArgumentsExitTwo)
{
    EXPECT_EQ(runTool("perft \"not a fen\" 3").status, 2);
    EXPECT_EQ(runTool("perft \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\" 0").status, 2);
    EXPECT_EQ(runTool("perft \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\" x").status, 2);
    EXPECT_EQ(runTool("perft").status, 2);
    EXPECT_EQ(runTool("divide \"8/8/8/8/8/8/8/8 w - - 0 1\" 2").status, 2);
    EXPECT_EQ(runTool("nonsense").status, 2);
    EXPECT_EQ(runTool("--help").status, 0);
}

}  // namespace
