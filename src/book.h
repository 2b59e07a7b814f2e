// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdio>

#include "board.h"

// The opening book: "./quillmaren.bk", lines of a space and then moves written back to back
// (e2e4e7e5g1f3...). A move is drawn at random among the lines that continue the game, so a
// line that stands three times is drawn three times as often.

constexpr const char* BOOK_FILE_NAME = "./quillmaren.bk";
constexpr int BOOK_LINE_SIZE = 1024;     // the game line and every read of the file
constexpr int MAX_BOOK_CANDIDATES = 32768;

extern std::FILE* bookFile;  // null: no book

// Opens the book in the working directory; a missing file leaves the book off.
void initBook();
// Opens another book in place of the current one; 0, and no book, when it cannot be read.
int openBook(const char* path);

// 1 with the chosen book move in *move, announced as "0 0 0 0 e2e4 (Book)"; 0 with *move
// untouched when the book is off, nothing continues the game or the game is too long for
// the game line. Seeds rand() from the clock.
int getBookMove(Board* board, Move* move);

// getBookMove without the seeding: the draw uses rand() as it stands.
int chooseBookMove(Board* board, Move* move);
// chooseBookMove without the announcement.
int drawBookMove(Board* board, Move* move);

// 1 when line begins with text (an empty text matches every line).
int stringMatch(const char* text, const char* line);
