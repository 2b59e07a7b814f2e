// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstring>
#include <memory>

#include "san.h"
#include "tool.h"
#include "utils.h"

#ifdef _WIN32
#include <strings.h>
#else
#include <sys/stat.h>
#endif

namespace {

constexpr int DEFAULT_PLIES = 16;
// Past this many, warnings are only counted: a binary file must not flood the terminal.
constexpr int MAX_WARNINGS = 100;

struct BookStats {
    long games;
    long lines;
    long setUp;         // from a set-up position or another variant
    long empty;         // no usable move
    long warnings;
};

void warn(BookStats* stats, const char* file, const PgnGame* g, const char* message)
{
    if (++stats->warnings > MAX_WARNINGS) return;
    std::fprintf(stderr, "warning: %s: game %d", file, g->number);
    if (g->white[0] || g->black[0]) {
        std::fprintf(
            stderr, " (%s - %s", g->white[0] ? g->white : "?", g->black[0] ? g->black : "?");
        if (g->round[0] && std::strcmp(g->round, "?") && std::strcmp(g->round, "-"))
            std::fprintf(stderr, ", round %s", g->round);
        std::fputc(')', stderr);
    }
    std::fprintf(stderr, ": %s\n", message);
    if (stats->warnings == MAX_WARNINGS)
        std::fprintf(stderr, "warning: further warnings not shown\n");
}

// One book line: a blank and the from and to squares of each move, up to the first
// promotion, which the book cannot write. 0 when no move is left to write.
int writeLine(std::FILE* out, const PgnGame* g)
{
    int n = 0;
    while (n < g->plies && !(g->moves[n].flags & FLAG_PROMOTION)) ++n;
    if (n == 0) return 0;
    std::fputc(' ', out);
    for (int i = 0; i < n; ++i) {
        std::fputs(sqString[g->moves[i].from].data(), out);
        std::fputs(sqString[g->moves[i].to].data(), out);
    }
    std::fputc('\n', out);
    return 1;
}

void readGames(std::FILE* in, const char* name, int plies, Board* board, std::FILE* out,
               BookStats* stats)
{
    PgnReader reader;
    pgnStart(&reader, in);
    auto game = std::make_unique<PgnGame>();
    PgnGame* g = game.get();
    while (pgnNextGame(&reader, board, plies, g)) {
        ++stats->games;
        if (g->unterminated) warn(stats, name, g, "unterminated comment or variation");
        if (g->setUp) {
            ++stats->setUp;
            continue;
        }
        if (g->error) {
            char message[160];
            std::snprintf(message, sizeof message, "move %d%s %s: %s; earlier moves kept",
                          g->errorPly / 2 + 1, g->errorPly % 2 ? "..." : ".", g->errorText,
                          g->errorWhy);
            warn(stats, name, g, message);
        }
        if (writeLine(out, g)) ++stats->lines;
        else ++stats->empty;
    }
}

bool sameFile(const char* a, const char* b)
{
#ifdef _WIN32
    // No inode numbers there: the full paths, whose case the file system ignores.
    char fa[_MAX_PATH], fb[_MAX_PATH];
    return _fullpath(fa, a, sizeof fa) && _fullpath(fb, b, sizeof fb) && !strcasecmp(fa, fb);
#else
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
#endif
}

}  // namespace

int toolBook(int argc, char** argv)
{
    static constexpr char usage[] = "usage: book [--plies N] [--out FILE] <games.pgn>...";
    int plies = DEFAULT_PLIES;
    const char* outName = nullptr;
    const char* inputs[256];
    int inputCount = 0;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        if (!optionsEnded && !std::strcmp(argv[i], "--plies")) {
            if (++i == argc || !readWholeNumber(argv[i], 1, PGN_MAX_PLIES, &plies))
                return toolUsage("book: --plies takes a number from 1 to 255");
        } else if (!optionsEnded && !std::strcmp(argv[i], "--out")) {
            if (++i == argc) return toolUsage(usage);
            outName = argv[i];
        } else if (!optionsEnded && !std::strcmp(argv[i], "--")) {
            optionsEnded = true;
        } else if (!optionsEnded && argv[i][0] == '-' && argv[i][1] != '\0') {
            return toolUsage(usage);
        } else {
            if (inputCount == int(sizeof inputs / sizeof inputs[0]))
                return toolUsage("book: too many input files");
            inputs[inputCount++] = argv[i];
        }
    }
    if (inputCount == 0) return toolUsage(usage);
    for (int i = 0; outName && i < inputCount; ++i)
        if (sameFile(outName, inputs[i]))
            return toolUsage("book: the output file is one of the inputs");

    std::FILE* out = stdout;
    // Binary: the same book, without carriage returns, whatever system writes it.
    if (outName && !(out = std::fopen(outName, "wb"))) {
        std::fprintf(stderr, "quillmaren-tool: cannot write %s\n", outName);
        return 1;
    }
    std::unique_ptr<Board> board(newBoard());
    BookStats stats = {0, 0, 0, 0, 0};
    int status = 0;
    for (int i = 0; i < inputCount; ++i) {
        const bool standardInput = !std::strcmp(inputs[i], "-");
        std::FILE* in = standardInput ? stdin : std::fopen(inputs[i], "rb");
        if (!in) {
            std::fprintf(stderr, "quillmaren-tool: cannot read %s\n", inputs[i]);
            status = 1;
            continue;
        }
        readGames(in, inputs[i], plies, board.get(), out, &stats);
        if (std::ferror(in)) {
            std::fprintf(stderr, "quillmaren-tool: read error in %s\n", inputs[i]);
            status = 1;
        }
        if (!standardInput) std::fclose(in);
    }
    if (std::fflush(out) != 0 || std::ferror(out) || (outName && std::fclose(out) != 0)) {
        std::fprintf(stderr, "quillmaren-tool: writing the book failed\n");
        status = 1;
    }
    std::FILE* report = outName ? stdout : stderr;
    std::fprintf(report,
                 "games read %ld, lines written %ld, skipped %ld (%ld from a set-up position or "
                 "another variant, %ld without a usable move), warnings %ld\n",
                 stats.games, stats.lines, stats.setUp + stats.empty, stats.setUp, stats.empty,
                 stats.warnings);
    return status;
}
