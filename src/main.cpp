// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstring>
#include <memory>

#include "bench.h"
#include "board.h"
#include "book.h"
#include "hash.h"
#include "search.h"
#include "uci.h"
#include "version.h"
#include "xboard.h"

namespace {

constexpr char HELP[] =
    "usage: quillmaren [bench [depth] | --version | --help]\n"
    "\n"
    "A chess engine for graphical interfaces. Without arguments it talks the xboard or the\n"
    "UCI protocol on standard input and output, and reads its opening book, quillmaren.bk,\n"
    "from the working directory.\n"
    "\n"
    "  bench [depth]  searches the built-in positions to the depth (default 10, 1 to 40) and\n"
    "                 ends with \"<nodes> nodes <nodes per second> nps\"\n"
    "  --version      prints the name and version\n"
    "  --help         prints this text\n";

int usageError()
{
    std::fputs(HELP, stderr);
    return 2;
}

int bench(int argc, char** argv)
{
    int depth = BENCH_DEFAULT_DEPTH;
    if (argc > 3 || (argc == 3 && !readBenchDepth(argv[2], &depth))) return usageError();
    initZobrist();
    const BenchResult result = runBench(benchPositions, benchPositionCount, depth);
    // Last, in the form test frameworks read.
    std::printf("%lld nodes %lld nps\n", static_cast<long long>(result.nodes),
                static_cast<long long>(result.nps));
    return result.refused < 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        if (!std::strcmp(argv[1], "bench")) return bench(argc, argv);
        if (argc == 2 && !std::strcmp(argv[1], "--version")) {
            std::printf("%s\n", ENGINE_NAME);
            return 0;
        }
        if (argc == 2 && !std::strcmp(argv[1], "--help")) {
            std::fputs(HELP, stdout);
            return 0;
        }
        return usageError();
    }

    initZobrist();  // before the book seeds rand(): the keys are the same on every run
    initBook();
    // The transposition table waits for the protocol: see xboardLoop and uciLoop.

    // The one Board of the run, too large for the stack.
    const std::unique_ptr<Board> board(newBoard());
    setupFen(board.get(), initialPosition);
    getHashkey(board.get());
    // Every GUI is greeted in xboard's words; one that answers "uci" speaks UCI from then on.
    if (xboardLoop(board.get())) uciLoop();
    return 0;
}
