// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstring>

#include "bench.h"
#include "threads.h"
#include "tool.h"
#include "utils.h"

namespace {

constexpr char USAGE[] = "usage: bench [--threads 1..256] [--multipv 1..256] [depth 1..40] [\"<FEN>\"]";

}  // namespace

int toolBench(int argc, char** argv)
{
    int depth = BENCH_DEFAULT_DEPTH;
    int threads = 1;
    int multiPv = 1;
    while (argc >= 2 && (!std::strcmp(argv[0], "--threads") || !std::strcmp(argv[0], "--multipv"))) {
        const bool lines = argv[0][2] == 'm';
        if (!readWholeNumber(argv[1], 1, lines ? MAX_MULTI_PV : MAX_SEARCH_THREADS, lines ? &multiPv : &threads))
            return toolUsage(USAGE);
        argc -= 2;
        argv += 2;
    }
    if (argc > 2 || (argc >= 1 && !readBenchDepth(argv[0], &depth)))
        return toolUsage(USAGE);
    const char* const* fens = benchPositions;
    int count = benchPositionCount;
    if (argc == 2) {
        fens = &argv[1];
        count = 1;
    }
    const BenchResult result = runBench(fens, count, depth, threads, multiPv);
    if (result.refused >= 0) {
        std::fprintf(stderr, "quillmaren-tool: position refused: %s\n", fens[result.refused]);
        return 2;
    }
    std::printf("nodes %lld nps %lld\n", static_cast<long long>(result.nodes),
                static_cast<long long>(result.nps));
    return 0;
}
