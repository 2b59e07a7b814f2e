// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstring>

#include "tool.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

constexpr Command commands[] = {
    {"perft", toolPerft, "perft \"<FEN>\" <depth>     leaf nodes at depth (depth 1 = legal moves)"},
    {"divide", toolDivide, "divide \"<FEN>\" <depth>    leaf nodes below each root move"},
    {"eval", toolEval, "eval [--terms] \"<FEN>\"    static evaluation, side to move's view; eval --bench"},
    {"see", toolSee, "see \"<FEN>\" <move>        static exchange value of a legal move"},
    {"bench", toolBench, "bench [--threads N] [--multipv N] [depth] fixed-depth search of the built-in positions"},
    {"show", toolShow, "show \"<FEN>\"              board diagram"},
    {"book", toolBook, "book [--plies N] [--out FILE] <games.pgn>...  book lines from PGN games"},
    {"epd", toolEpd, "epd <suite.epd> <milliseconds>  search each position, check bm and am"},
};

int help(FILE* out)
{
    std::fprintf(out, "usage: quillmaren-tool <command> [arguments]\n\ncommands:\n");
    for (const Command& c : commands) std::fprintf(out, "  %s\n", c.usage);
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return help(stderr);
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help"))
        return help(stdout);
    for (const Command& c : commands) {
        if (!std::strcmp(argv[1], c.name)) {
            toolInit();
            return c.run(argc - 2, argv + 2);
        }
    }
    std::fprintf(stderr, "quillmaren-tool: unknown command '%s'\n", argv[1]);
    return help(stderr);
}
