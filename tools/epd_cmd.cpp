// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hash.h"
#include "history.h"
#include "movegen.h"
#include "san.h"
#include "search.h"
#include "tool.h"
#include "utils.h"

// Each position gets one line of its own, starting with "position", among the search's
// thinking lines (which start with the depth); the last line is "solved N of M".

namespace {

constexpr int MAX_BUDGET_MS = 24 * 3600 * 1000;
constexpr int LINE_SIZE = 4096;

bool sameMove(const Move* a, const Move* b)
{
    return a->from == b->from && a->to == b->to
           && (!(a->flags & FLAG_PROMOTION) || a->promotion == b->promotion);
}

// The moves of a bm or am operation, or 0 with the offending text in *bad.
int resolveMoves(Board* board, const char (*texts)[PGN_SYMBOL_SIZE], int count, Move* moves,
                 const char** bad, const char** why)
{
    for (int i = 0; i < count; ++i) {
        if (!sanToMove(board, texts[i], &moves[i], why)) {
            *bad = texts[i];
            return 0;
        }
    }
    return 1;
}

void printHeading(int number, const EpdRecord* record)
{
    std::printf("position %d", number);
    if (record->id[0]) std::printf(" id \"%s\"", record->id);
}

void printExpected(const EpdRecord* record)
{
    if (record->bestCount) std::printf(" bm");
    for (int i = 0; i < record->bestCount; ++i) std::printf(" %s", record->best[i]);
    if (record->avoidCount) std::printf(" am");
    for (int i = 0; i < record->avoidCount; ++i) std::printf(" %s", record->avoid[i]);
}

// Runs one position and prints its line; true when solved.
bool runPosition(Board* board, int number, const EpdRecord* record, std::int32_t budget)
{
    const char* refusal = nullptr;
    const char *bad = "", *why = "";
    Move best[EPD_MAX_MOVES], avoid[EPD_MAX_MOVES], legal[MAX_MOVES];
    if (!setupFen(board, record->fen)) {
        refusal = "the engine does not accept the position";
    } else if (generateMoves(board, legal, 1) == 0) {
        refusal = "no legal move";
    } else if (!resolveMoves(board, record->best, record->bestCount, best, &bad, &why)
               || !resolveMoves(board, record->avoid, record->avoidCount, avoid, &bad, &why)) {
        refusal = "a bm or am move is not legal here";
    } else if (record->bestCount + record->avoidCount == 0) {
        refusal = "no bm or am to check";
    }
    if (refusal) {
        printHeading(number, record);
        std::printf(" refused: %s", refusal);
        if (*bad) std::printf(" (%s: %s)", bad, why);
        std::printf("\n");
        return false;
    }

    getHashkey(board);
    clearHashtable(hashSize);
    clearHistoryHeuristic();
    clearKillerMove();
    Move found = NO_MOVE;
    search(board, &found, budget, budget);

    char san[SAN_BUFFER] = "none", coordinate[8] = "-";
    bool solved = found.from != NO_SQUARE;
    if (solved) {
        moveToSan(board, &found, san);
        moveToString(&found, coordinate);
    }
    bool inBest = record->bestCount == 0;
    for (int i = 0; i < record->bestCount; ++i) inBest |= sameMove(&found, &best[i]);
    bool inAvoid = false;
    for (int i = 0; i < record->avoidCount; ++i) inAvoid |= sameMove(&found, &avoid[i]);
    solved = solved && inBest && !inAvoid;
    printHeading(number, record);
    std::printf(" expected");
    printExpected(record);
    std::printf(" found %s (%s) %s\n", san, coordinate, solved ? "solved" : "unsolved");
    return solved;
}

}  // namespace

int toolEpd(int argc, char** argv)
{
    static constexpr char usage[] = "usage: epd <suite.epd> <milliseconds per position>";
    if (argc != 2) return toolUsage(usage);
    int budget = 0;
    if (!readWholeNumber(argv[1], 1, MAX_BUDGET_MS, &budget)) return toolUsage(usage);
    std::FILE* in = std::fopen(argv[0], "r");
    if (!in) {
        std::fprintf(stderr, "quillmaren-tool: cannot read %s\n", argv[0]);
        return 1;
    }
    initHashtable(HASH_DEFAULT_BUCKETS);
    std::unique_ptr<Board> board(newBoard());
    auto record = std::make_unique<EpdRecord>();
    auto line = std::make_unique<char[]>(LINE_SIZE);
    int positions = 0, solved = 0;
    for (long lineNumber = 1; std::fgets(line.get(), LINE_SIZE, in); ++lineNumber) {
        // A line longer than the buffer is refused whole, not read in pieces.
        const std::size_t length = std::strlen(line.get());
        bool tooLong = length == LINE_SIZE - 1 && line[length - 1] != '\n';
        if (tooLong) {
            int c;
            while ((c = std::fgetc(in)) != EOF && c != '\n') {}
        }
        if (!tooLong && epdLineIsEmpty(line.get())) continue;
        ++positions;
        const char* why = "the line is too long";
        if (tooLong || !epdParse(line.get(), record.get(), &why))
            std::printf("position %d line %ld refused: %s\n", positions, lineNumber, why);
        else if (runPosition(board.get(), positions, record.get(), budget))
            ++solved;
        std::fflush(stdout);
    }
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    if (readError) std::fprintf(stderr, "quillmaren-tool: read error in %s\n", argv[0]);
    std::printf("solved %d of %d\n", solved, positions);
    std::fflush(stdout);
    return readError ? 1 : 0;
}
