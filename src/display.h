// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "board.h"

// A coloured diagram of the position for developers (ANSI escape sequences). The protocol
// loop never draws it: its standard output carries protocol lines only.

// Piece letters by piece code; EMPTY and OFF_BOARD are blanks.
inline constexpr char pcString[] = " PNBRQK pnbrqk";
static_assert(sizeof pcString == 15 && pcString[WHITE_KING] == 'K' && pcString[BLACK_PAWN] == 'p');

// ANSI colours: 0 black, 1 red, 2 green, 3 yellow, 4 blue, 7 white; attribute 1 is bright.
void setColor(int attribute, int foreground, int background);

// Draws rank 8 first, then the ply, side to move, material, castling rights, king squares
// and hash key. Does not flush.
void displayBoard(const Board* board);
