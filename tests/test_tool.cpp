// SPDX-License-Identifier: GPL-3.0-or-later
// quillmaren-tool as a user runs it: what it prints, and how it refuses.
#include <regex>

#include "test_support.h"

namespace {

const std::string START = "'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'";
const std::string KINGS = "'4k3/8/8/8/8/8/8/4K3 w - - 0 1'";
const std::string CROSS = "'4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' ";
const std::string SPEED = "nodes per second\n";

// Diagram parts: the frame, rank 8 first, black men blue and white men red, light squares
// white (a8, b1), the bookkeeping, the colours reset at the end.
const std::string BAR = "\x1b[1;37;40m|";
const std::string TOP = "\x1b[1;37;40m   " + std::string(49, '-') + "\n\x1b[1;33;40m8  " + BAR;
const std::string FILES = "      A     B     C     D     E     F     G     H\n";

struct ToolCase {
    std::string args;  // quoted for the shell
    int status;
    // Texts standard output holds in this order, ending with the last; a refusal prints
    // nothing there.
    std::vector<std::string> parts = {};
};

const ToolCase toolCases[] = {
    {"eval '3qk3/5ppp/8/8/8/8/5PPP/2RR2K1 b - - 0 1'", 0, {"eval -180\n"}},
    {"eval --terms '4k3/8/4P3/8/3p4/8/8/4K3 w - - 0 1'", 0,
     {"passed pawns           132     110      22", "eval 22\n"}},
    {"see " + CROSS + "e4d5", 0, {"see 220\n"}},
    {"see " + CROSS + "e4e6", 2},  // no such move
    {"see '4k3/8/8/8/8/1n6/3p4/4K3 w - - 0 1' e1d2", 2},  // into a defended square
    {"see '4k3/1P6/8/8/8/8/8/4K3 w - - 0 1' b7b8", 2},  // promotion without its piece
    {"see " + CROSS + "e4d5e4d5e4d5e4d5", 2},
    {"eval 'not a position'", 2}, {"eval --terms '8/8/8/8 w'", 2}, {"see 'xx' e2e4", 2},
    {"eval", 2}, {"see", 2},
    {"perft 'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1' 3", 0,
     {SPEED + "nodes 97862\n"}},
    {"divide " + START + " 2", 0, {"a2a4: 20\n", "g1h3: 20\ntime ", " ms, ", SPEED + "nodes 400\n"}},
    {"divide '4k3/1P6/8/8/8/8/8/4K3 w - - 0 1' 1", 0,
     {"e1", "b7b8q: 1\nb7b8r: 1\nb7b8b: 1\nb7b8n: 1\n", SPEED + "nodes 9\n"}},
    // The en-passant square is read: totals from python-chess's own move generator.
    {"perft 'rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3' 3", 0, {SPEED + "nodes 21637\n"}},
    {"perft 'rnbqkbnr/pp1p1ppp/8/2pPp3/8/8/PPP1PPPP/RNBQKBNR w KQkq c6 0 3' 3", 0, {SPEED + "nodes 24854\n"}},
    {"perft '8/8/8/2k5/2pP4/8/B7/4K3 b - d3 0 3' 4", 0, {SPEED + "nodes 5380\n"}},
    {"perft '4k3/8/8/K2pP2r/8/8/8/8 w - d6 0 2' 3", 0, {SPEED + "nodes 640\n"}},     // e5d6 bares the king
    {"perft '8/8/8/8/k2Pp2Q/8/8/3K4 b - d3 0 1' 3", 0, {SPEED + "nodes 863\n"}},
    {"divide 'rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3' 1", 0, {"e5f6: 1\n", "nodes 31\n"}},
    // Rooks' files in the castling field: Chess960, castling written as the king taking its
    // rook (after which black has 24 moves, as python-chess counts).
    {"divide 'rk4r1/8/8/8/8/8/8/RK4R1 w GAga - 0 1' 2", 0, {"b1a1: 24\n", SPEED + "nodes 442\n"}},
    {"perft '1k6/8/8/8/8/8/8/1K5R w A - 0 1' 2", 2},  // no rook on a1
    {"perft 'not a fen' 3", 2}, {"perft " + KINGS + " 0", 2}, {"perft " + KINGS + " x", 2},
    {"perft", 2}, {"divide '8/8/8/8/8/8/8/8 w - - 0 1' 2", 2}, {"nonsense", 2},
    {"--help", 0, {"usage: quillmaren-tool", "\n"}},
    // A mated root is no search, for either colour: it once failed low for ever.
    {"bench 3 'k7/1Q6/1K6/8/8/8/8/8 b - - 0 1'", 0, {"score -32000", "nodes 0 nps 0\n"}},
    {"bench 3 'K7/1q6/1k6/8/8/8/8/8 w - - 0 1'", 0, {"score -32000", "nodes 0 nps 0\n"}},
    {"show " + START, 0,
     {TOP + "\x1b[1;34;47m  r  " + BAR + "\x1b[1;34;40m  n  " + BAR,
      "\x1b[1;33;40m1  " + BAR + "\x1b[1;31;40m  R  " + BAR + "\x1b[1;31;47m  N  ", FILES,
      "[Ply 0: White to move.]", "[Material balance = 0, nWhite = 16, nBlack = 16].",
      "[Castling status: 15, wKing on e1, bKing on e8]", "\x1b[0;37;40m"}},
    {"show '4k3/8/8/8/8/8/8/R3K3 b Q - 0 1'", 0,
     {TOP + "\x1b[1;31;47m     " + BAR, FILES, "[Ply 0: Black to move.]",
      "[Material balance = 540, nWhite = 2, nBlack = 1].",
      "[Castling status: 2, wKing on e1, bKing on e8]", "\x1b[0;37;40m"}},
    {"show 'not a position'", 2},
};

TEST(Tool, PrintsItsResultsOrRefusesWithStatusTwo)
{
    for (const ToolCase& c : toolCases) {
        std::string out;
        EXPECT_EQ(runTool(c.args, &out), c.status) << c.args;
        std::size_t at = 0;
        for (const std::string& part : c.parts)
            if ((at = out.find(part, at)) == std::string::npos) break;
        EXPECT_NE(at, std::string::npos) << c.args << "\n" << out;
        EXPECT_TRUE(c.parts.empty() ? out.empty() : out.ends_with(c.parts.back())) << c.args << "\n" << out;
    }
}

// The bench total is the engine's fingerprint: the same on every run of the same binary.
TEST(Tool, BenchGivesTheSameNodeTotalOnEveryRun)
{
    const std::string args = sanitizedRun() ? "bench 3" : "bench 5";
    const std::regex total("\nnodes ([1-9][0-9]*) nps [0-9]+\n$");
    std::string runs[2];
    std::smatch nodes[2];
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(runTool(args, &runs[i]) == 0 && std::regex_search(runs[i], nodes[i], total)) << runs[i];
    EXPECT_EQ(nodes[0][1], nodes[1][1]);
}

}  // namespace
