// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <cstdio>

#include "board.h"

// Chess notation the tool reads from other programs: standard algebraic moves (SAN), PGN
// game collections and EPD test suites. Moves are always resolved against the engine's own
// legal moves, so whatever comes back is ready for makeMove.

// SAN text as written by this module, check mark included ("exd8=Q#", "Nbxd2+").
constexpr int SAN_BUFFER = 16;

// The legal move the text names: piece letter, disambiguation by file, rank or square,
// capture mark, promotion with or without '=', castling with O or 0, and trailing check,
// mate and annotation marks. 1 with the generator's move in *move, or 0 with a reason in
// *why (a static text; why may be nullptr) and *move untouched. The board is left as it was.
int sanToMove(Board* board, const char* text, Move* move, const char** why);

// The move, legal in the position, in SAN with its check or mate mark; buf holds
// SAN_BUFFER chars. The board is left as it was.
char* moveToSan(Board* board, const Move* move, char* buf);

// PGN.

// A book line holds at most this many moves: the engine reads lines of 1023 characters.
constexpr int PGN_MAX_PLIES = 255;
constexpr int PGN_NAME_SIZE = 64;
constexpr int PGN_SYMBOL_SIZE = 32;

struct PgnReader {
    std::FILE* in;
    int games;          // games started so far
    int afterNewline;   // the last character read ended a line
    int depth;          // open variations
    int nextTagReady;   // a tag of the next game, read while ending the previous one
    int nextTagBroke;   // that tag cut a comment or variation short
    char nextTagName[PGN_NAME_SIZE];
    char nextTagValue[256];
};

struct PgnGame {
    int number;         // 1 for the first game of the input
    char white[PGN_NAME_SIZE];
    char black[PGN_NAME_SIZE];
    char round[PGN_NAME_SIZE];
    int setUp;          // starts from its own position or is not plain chess: no moves read
    int unterminated;   // a comment or variation ran into the next game's tags
    int plies;          // moves read into moves[] and played on the board
    Move moves[PGN_MAX_PLIES];
    int error;          // a move could not be read; plies stops before it
    int errorPly;       // its index, counted from 0
    char errorText[PGN_SYMBOL_SIZE];
    const char* errorWhy;
};

void pgnStart(PgnReader* reader, std::FILE* in);
// Reads the next game, playing its first maxPlies moves (at most PGN_MAX_PLIES) on the
// board from the start position. Comments, variations, NAGs and move numbers are passed
// over; a result, the next game's tags or the end of the input ends a game. 1 when a game
// was read, 0 at the end of the input. Tag texts come back with control characters
// replaced, so they are safe to print.
int pgnNextGame(PgnReader* reader, Board* board, int maxPlies, PgnGame* game);

// EPD.

constexpr int EPD_MAX_MOVES = 16;

struct EpdRecord {
    char fen[128];      // the four position fields and " 0 1", for setupFen
    char id[PGN_NAME_SIZE];
    int bestCount;
    int avoidCount;
    char best[EPD_MAX_MOVES][PGN_SYMBOL_SIZE];   // SAN texts as written
    char avoid[EPD_MAX_MOVES][PGN_SYMBOL_SIZE];
};

// Blank lines and lines starting with '#' hold no position.
int epdLineIsEmpty(const char* line);
// Splits one EPD line: the position fields, then operations "opcode operands;", of which
// id, bm and am are kept. 1 when read, else 0 with a reason in *why.
int epdParse(const char* line, EpdRecord* record, const char** why);
