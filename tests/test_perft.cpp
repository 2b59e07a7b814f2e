// Perft totals against the published counts.
#include "debug.h"
#include "test_support.h"

namespace {

// Deep enough to reach castling, en passant, promotions and checks on every side; the
// sanitized build stops shallower.
TEST(Perft, StandardPositions)
{
    // leaf depth (1 = the legal moves) and count, in the normal and in the sanitized build
    const struct { const char* fen; int depth; std::uint64_t nodes; int sanDepth; std::uint64_t sanNodes; }
        cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324, 4, 197281},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5, 193690690, 3, 97862},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6, 11030083, 4, 43238},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 5, 15833292, 3, 9467},
        {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 5, 15833292, 3, 9467},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487, 3, 62379},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594, 3, 89890},
    };
    for (const auto& c : cases) {
        BoardPtr b = boardFromFen(c.fen);
        const Snapshot before = snap(b.get());
        const int depth = sanitizedRun() ? c.sanDepth : c.depth;
        std::uint64_t nodes = 0;
        debugPerft(b.get(), std::uint8_t(depth - 1), &nodes);
        EXPECT_EQ(nodes, sanitizedRun() ? c.sanNodes : c.nodes) << c.fen << " depth " << depth;
        EXPECT_TRUE(boardIsOk(b.get()) && snap(b.get()) == before) << c.fen;
    }
}

}  // namespace
