// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"

// The conversation with an xboard GUI: one line of input at a time, the game kept on the
// Board, the engine's own moves played and announced.

constexpr int LINE_SIZE = 256;  // an input line holds at most 255 characters
constexpr std::int32_t DEFAULT_TIME_LIMIT = 5000;

// What the loop remembers between lines.
struct LoopState {
    std::int32_t timeLimit;  // milliseconds per move handed to the search
    std::int32_t hardCap;    // 0, or the bound the per-move clock of "st" puts on every limit
    std::int32_t stLimit;    // the time per move of "st", milliseconds
    std::uint8_t budgetFromSt;  // "st" is in force, until "level" sets a clock of another kind
    std::uint8_t bookEnabled;
    std::uint8_t forceMode;
    // Edit mode: the men are gathered here and take effect only on ".".
    std::uint8_t editMode;
    std::uint8_t editBlack;  // the colour the next man is given
    std::uint8_t editSquares[128];
    std::int32_t depthLimit;   // "sd": the deepest iteration of the engine's search; 0 for none
    std::int64_t tableMiB;     // the table's size as "memory" last asked for it
    // Analysis, between "analyze" and "exit": the engine searches the position until a line
    // changes it, and never moves.
    std::uint8_t analyzing;
    std::uint8_t analysisDue;  // the position has not been analysed since it last changed
    std::uint8_t lineHeld;     // the line that stopped the analysis waits in `held`
    char held[LINE_SIZE];
    Move move;               // the opponent's move read, or the engine's move chosen
    Move moves[MAX_MOVES];   // the legal moves of the game-end test
};

void initLoopState(LoopState* state, int bookOpen);

// Handles one input line (its newline included, as read). Returns 0 on "quit", else 1.
// Any text is safe here: lines of LINE_SIZE characters or more are ignored whole. In
// analysis the search runs here, reading the lines that follow (readInputLine) until one
// changes the position, which it then handles in turn.
int handleLine(Board* board, LoopState* state, const char* line);

// Reads standard input until "quit" or its end (false), or until the line "uci" (true): the
// GUI speaks UCI, and the rest of the input is for the UCI loop.
bool xboardLoop(Board* board);
// 1 when the line is the command "uci" (blanks and a carriage return around it allowed).
bool isUciCommand(const char* line);

// The engine's turn: a book move or a searched one, played, announced, the game-end test.
void engineTurn(Board* board, LoopState* state);

// After a game move: prints the result line and returns 1 on threefold repetition, mate or
// stalemate; else 0. moves receives the legal moves of the side to move.
int checkGameEnd(Board* board, Move* moves);
