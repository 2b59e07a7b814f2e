// SPDX-License-Identifier: GPL-3.0-or-later
#include "book.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "game.h"

std::FILE* bookFile = nullptr;

namespace {

// Kept out of the stack frame: a full list is some 300 KB.
Move candidates[MAX_BOOK_CANDIDATES];

// " e2e4e7e5...": the moves played since the position was set up. False when they do not
// fit the buffer.
bool buildGameLine(const Board* board, char* line)
{
    const std::uint32_t moves = board->gamePly;
    if (moves > (BOOK_LINE_SIZE - 2) / 4) return false;
    char* p = line;
    *p++ = ' ';
    for (std::uint32_t i = 0; i < moves; ++i) {
        const Move* m = &board->gameMoves[i];
        if (!onBoard(m->from) || !onBoard(m->to)) return false;
        *p++ = sqString[m->from][0];
        *p++ = sqString[m->from][1];
        *p++ = sqString[m->to][0];
        *p++ = sqString[m->to][1];
    }
    *p = '\0';
    return true;
}

}  // namespace

void initBook() { openBook(BOOK_FILE_NAME); }

int openBook(const char* path)
{
    if (bookFile) std::fclose(bookFile);
    bookFile = std::fopen(path, "r");
    return bookFile != nullptr;
}

int stringMatch(const char* text, const char* line)
{
    for (int i = 0; text[i]; ++i)
        if (line[i] != text[i]) return 0;  // also where the line ends first
    return 1;
}

int getBookMove(Board* board, Move* move)
{
    if (!bookFile) return 0;
    std::srand(unsigned(std::time(nullptr)));
    return chooseBookMove(board, move);
}

int chooseBookMove(Board* board, Move* move)
{
    if (!drawBookMove(board, move)) return 0;
    char text[8];
    std::printf("0 0 0 0 %s (Book)\n", moveToString(move, text));
    std::fflush(stdout);
    return 1;
}

int drawBookMove(Board* board, Move* move)
{
    if (!bookFile) return 0;
    char gameLine[BOOK_LINE_SIZE];
    if (!buildGameLine(board, gameLine)) return 0;
    const std::size_t played = std::strlen(gameLine);

    std::clearerr(bookFile);
    if (std::fseek(bookFile, 0, SEEK_SET) != 0) return 0;
    char line[BOOK_LINE_SIZE];
    int count = 0;
    while (std::fgets(line, sizeof line, bookFile)) {
        if (!stringMatch(gameLine, line)) continue;
        // The next four characters, fewer where the line ends sooner.
        char text[5] = {0, 0, 0, 0, 0};
        for (int i = 0; i < 4 && line[played + i]; ++i) text[i] = line[played + i];
        if (count >= MAX_BOOK_CANDIDATES) continue;
        Move m;
        if (inputMoveLegal(board, text, &m)) candidates[count++] = m;
    }
    if (count == 0) return 0;

    *move = candidates[std::rand() % count];
    return 1;
}
