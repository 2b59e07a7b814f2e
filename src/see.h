// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"

// Material that has changed hands since the exchange began, signed like pieceValues.
// The exchange search keeps it instead of the board's material; it is not reentrant.
extern constinit thread_local int seeMaterial;

// Exchange value of a move for the side making it: captures onto its target square only,
// each side free to stop. Returns the board as it was (but for the last-capture fields).
int see(Board* board, Move* m);
int seeAlphaBeta(Board* board, int alpha, int beta, std::uint8_t square);
int seeGenerateMoves(Board* board, Move* moves, std::uint8_t square);
int seeGenerateMovesWhite(Board* board, Move* moves, std::uint8_t square);
int seeGenerateMovesBlack(Board* board, Move* moves, std::uint8_t square);
void seeAssignScoreMovelist(Board* board, MoveList* list);
int seeEval(const Board* board);
