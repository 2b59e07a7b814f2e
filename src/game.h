// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board.h"

// The game both protocols and the book share: the moves played, kept with their undo
// information and history keys on the Board, the positions loaded, the moves read.

// A new game from FEN text (the full reader), with the keys computed from scratch and the
// castling field read as `read` says. 1 when accepted; a refused text leaves the Board as it
// was, and *problem (when given) says why.
int loadPosition(Board* board, const char* fen, CastlingRead read = CASTLING_STANDARD,
                 const char** problem = nullptr);

// Plays a move of the game from its gameMoves entry, which keeps the undo information
// "undo" needs. The caller checks that the entry exists (gamePly < MAX_GAME_PLY).
void playGameMove(Board* board, const Move* move);
// Takes back the game's last move; nothing when there is none.
void undoGameMove(Board* board);

// 1 and the legal move the text names (e2e4, e7e8q; the letter in either case; castling as
// the board's castlingStyle writes it, O-O also with zeros, and in Chess960 as the king's
// move where no other move has its squares), else 0 with *move untouched. The Board is left
// as it was.
int inputMoveLegal(Board* board, const char* text, Move* move);
// The square of two characters such as "e4", NO_SQUARE for anything else.
int squareFromText(const char* text);

// 1 when the current position stands for exactly the third time in the game.
int checkGameDraw(const Board* board);
// The fifty-move rule: the last hundred half-moves, with the FEN's halfmove clock, made
// neither a capture nor a pawn move.
int fiftyMoveRule(const Board* board);
