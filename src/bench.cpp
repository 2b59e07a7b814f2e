// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench.h"

#include <cstdio>
#include <memory>

#include "board.h"
#include "hash.h"
#include "search.h"
#include "threads.h"
#include "utils.h"

// Openings, middlegames, endgames, mates and promotions, both sides to move.
const char* const benchPositions[] = {
    // openings
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3",
    "rnbqkb1r/ppp2ppp/4pn2/3p2B1/2PP4/2N5/PP2PPPP/R2QKBNR b KQkq - 1 4",
    "rnbq1rk1/ppp1ppbp/3p1np1/8/2PPP3/2N2N2/PP3PPP/R1BQKB1R b KQ - 1 5",
    "rnbqkbnr/ppp2ppp/4p3/3pP3/3P4/8/PPP2PPP/RNBQKBNR b KQkq - 0 3",
    "r1bqkbnr/pp1ppppp/2n5/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "rnb1k2r/pp3ppp/4pn2/q1pp4/1bPP4/2N1PN2/PP1B1PPP/R2QKB1R w KQkq - 0 7",
    // middlegames
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
    "r2q1rk1/pp1nbppp/2p1pn2/3p4/2PP1B2/2N1PN2/PPQ2PPP/R3KB1R w KQ - 0 9",
    "2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PNBPN2/PB3PPP/2RQ1RK1 w - - 0 12",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3BPP2/2NB4/PPP1Q1PP/2KR3R w - - 0 13",
    "3r1rk1/p4ppp/1qp1bn2/4p3/4P3/1BN1Q3/PPP2PPP/3R1RK1 w - - 0 16",
    "r4rk1/ppq2ppp/2n1b3/2bpP3/8/2PB1N2/P1Q2PPP/R1B2RK1 w - - 0 14",
    "r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 7",
    "2r3k1/5pp1/p3p2p/1p1nP3/3P4/1B3N1P/PP3PP1/2R3K1 w - - 0 25",
    "r1bqr1k1/pp3ppp/2pb1n2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 w - - 0 11",
    "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 8",
    "r3r1k1/pp3ppp/2p5/3q4/3P4/2P2Q1P/P4PP1/R4RK1 b - - 0 20",
    // mates
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "6k1/5ppp/8/8/8/8/1Q3PPP/1R4K1 w - - 0 1",
    "k7/8/2K5/8/8/8/8/7R w - - 0 1",
    "6rk/6pp/8/6N1/8/8/8/6K1 w - - 0 1",
    // endgames
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",
    "8/5k2/8/5P2/5K2/8/8/8 b - - 0 1",
    "8/8/1p1k4/p1p5/P1P5/1P1K4/8/8 w - - 0 1",
    "8/pp3k2/2p5/3p4/3P4/2P5/PP3K2/8 w - - 0 1",
    "8/5pk1/6p1/R7/5P2/6PK/r7/8 w - - 0 1",
    "8/3k4/1p1p4/1P1Pn3/4P3/3B1K2/8/8 w - - 0 1",
    "4k3/8/8/8/4PK2/8/r7/4R3 b - - 0 1",
    "8/8/8/2k5/8/8/8/3QK3 w - - 0 1",
    "8/8/3k4/8/2K5/8/5q2/8 b - - 0 1",
    // promotions
    "1K1k4/1P6/8/8/8/8/r7/2R5 w - - 0 1",
    "8/1P6/8/8/8/8/6p1/k1K5 w - - 0 1",
    "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1",
    "8/8/8/8/8/1k6/p7/2K5 b - - 0 1",
};

const int benchPositionCount = int(sizeof benchPositions / sizeof benchPositions[0]);

bool readBenchDepth(const char* text, int* depth)
{
    return readWholeNumber(text, 1, BENCH_MAX_DEPTH, depth);
}

BenchResult runBench(const char* const* fens, int count, int depth, int threads, int multiPv)
{
    BenchResult result = {0, 0, 0, -1};
    if (!hashtable) initHashtable(HASH_DEFAULT_BUCKETS);
    setSearchThreads(threads);
    // The built-in positions are read as the fingerprint was taken; a user's in full.
    const bool builtIn = fens == benchPositions;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<Board> board(newBoard());
        if (!(builtIn ? setupBenchFen(board.get(), fens[i]) : setupFen(board.get(), fens[i]))) {
            result.refused = i;
            return result;
        }
        getHashkey(board.get());
        // As the engine's turn leaves them: every search starts from empty tables.
        clearSearchTables();
        Move best;
        const std::int64_t start = timer();
        const SearchLimits limits = {0, 0, depth, false, nullptr, 0, 0, multiPv, false};
        const int score = parallelSearch(board.get(), &best, &limits);
        waitForHelpers();
        const std::int64_t ms = timer() - start;
        // With helpers the nodes are those of every thread: the rate shows the scaling.
        const std::int64_t nodes = globalNodes + helperNodes();
        result.nodes += nodes;
        result.ms += ms;
        char text[8] = "none";
        if (best.from != NO_SQUARE) moveToString(&best, text);
        std::printf("%2d depth %2d score %6d nodes %10lld time %6lld ms move %-5s %s\n", i + 1,
                    lastSearchDepth, score, static_cast<long long>(nodes),
                    static_cast<long long>(ms), text, fens[i]);
        std::fflush(stdout);
    }
    result.nps = result.ms > 0 ? result.nodes * 1000 / result.ms : 0;
    return result;
}
