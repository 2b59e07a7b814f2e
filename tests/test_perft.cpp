// SPDX-License-Identifier: GPL-3.0-or-later
// Perft totals against the published counts.
#include "debug.h"
#include "movegen.h"
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

// Chess960, from Shredder-FENs: positions of the published list, and the castlings that
// trip generators up (totals counted with python-chess): king or rook already on its
// target, king and rook side by side, a rook beyond the castling one, the castling rook
// hiding an enemy queen from the king's path. Every castling at the root also keeps the keys
// equal to those computed from scratch.
TEST(Perft, Chess960Positions)
{
    const struct { const char* fen; std::uint64_t nodes[2]; } cases[] = {  // depth 4, 3
        {"nrq1bnkr/1p1pp2p/pb3pp1/2p5/PP2P1B1/8/2PP1PPP/NRQ1BNKR w HBhb - 0 7", {485241, 19441}},
        {"qrbkr2b/pppppppp/6nn/8/7N/8/PPPPPPPP/QRBKRN1B w EBeb - 4 3", {231513, 9861}},
        {"rkb2nrn/pp1p2pp/2p3q1/4ppb1/1P6/P1P1N1N1/2BPPPPP/RKB1Q1R1 w GAga - 0 7", {956659, 31784}},
        {"bnrk1q1b/pppp4/5pr1/5n1p/P2Pp1P1/7N/1PPNPPRP/B1RK1Q1B w Cc - 0 9", {1090966, 29010}},
        {"2kr4/pp6/8/8/8/8/PP6/2KR4 w Dd - 0 1", {75466, 4458}},
        {"rk4r1/8/8/8/8/8/8/RK4R1 w GAga - 0 1", {218225, 10065}},
        {"1r3kr1/8/8/8/8/8/8/1R3KR1 b GBgb - 0 1", {209468, 9836}},
        {"4k3/8/8/8/8/8/8/R1R1K3 w C - 0 1", {14230, 2765}},
        {"4k3/8/8/8/8/8/8/qR2K3 w B - 0 1", {41775, 1868}},
        {"qr2k3/8/8/8/8/8/8/4K2Q b b - 0 1", {248669, 12669}},
    };
    for (const auto& c : cases) {
        initZobrist();
        BoardPtr b(newBoard());
        ASSERT_EQ(setupFen(b.get(), c.fen, CASTLING_BY_FIELD), 1) << c.fen;
        EXPECT_EQ(b->chess960, 1) << c.fen;
        getHashkey(b.get());
        const Snapshot before = snap(b.get());
        const int depth = sanitizedRun() ? 3 : 4;
        std::uint64_t nodes = 0;
        debugPerft(b.get(), std::uint8_t(depth - 1), &nodes);
        EXPECT_EQ(nodes, c.nodes[sanitizedRun()]) << c.fen;
        EXPECT_TRUE(boardIsOk(b.get()) && snap(b.get()) == before) << c.fen;

        Move moves[MAX_MOVES];
        for (int i = 0, n = generateMoves(b.get(), moves, 1); i < n; ++i) {
            if (!(moves[i].flags & FLAG_CASTLE)) continue;
            makeMove(b.get(), &moves[i]);
            updateHashKey(b.get(), &moves[i]);
            const std::uint64_t keys[2] = {b->hashKey, b->hashKey2};
            getHashkey(b.get());
            EXPECT_TRUE(keys[0] == b->hashKey && keys[1] == b->hashKey2 && boardIsOk(b.get())) << c.fen;
            updateHashKey(b.get(), &moves[i]);
            unmakeMove(b.get(), &moves[i]);
            EXPECT_TRUE(snap(b.get()) == before) << c.fen;
        }
    }
}

}  // namespace
