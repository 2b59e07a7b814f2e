// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"

// Every generator fills moves[0..n-1] in a fixed order (pieces in list order; per piece
// diagonals, lines, jumps, pawn moves, king moves) and returns n. Ordering breaks score
// ties by that order, so it decides which of two equal moves the search tries first.
// checkLegal = 1 keeps only moves that do not leave the mover's king attacked.
int generateMoves(Board* board, Move* moves, std::uint8_t checkLegal);
int generateMovesWhite(Board* board, Move* moves, std::uint8_t checkLegal);
int generateMovesBlack(Board* board, Move* moves, std::uint8_t checkLegal);
int generateCaptures(Board* board, Move* moves, std::uint8_t checkLegal);
int generateCapturesWhite(Board* board, Move* moves, std::uint8_t checkLegal);
int generateCapturesBlack(Board* board, Move* moves, std::uint8_t checkLegal);

// Whether the move, not yet made, will leave the enemy king attacked.
int givesCheck(Board* board, const Move* m);
// The quiet moves (checkLegal 0) that give check, in generateMoves' order.
int generateQuietChecks(Board* board, Move* moves);

// For a side not in check and a move other than a king move or en passant: 1 unless its
// man is pinned and the move leaves the pin line (tried on the board only then).
int keepsKingCovered(Board* board, Move* m);

// Appends from->to (four moves for a promotion), classified from the board.
void addMoveSimple(Board* board, Move* moves, int* count, std::uint8_t from, std::uint8_t to,
                   std::uint8_t checkLegal);
