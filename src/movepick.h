// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "board.h"

// Selection: the first unpicked move with the strictly highest score, ties to the lower
// index; marks it picked and returns its index. getNextBestMove reads the scores as they
// stand; nextBestMove, for the lists the orderings below leave, first counts the exchanges
// still pending that could change the choice.
int getNextBestMove(MoveList* list, Move* out);
int nextBestMove(Board* board, MoveList* list, Move* out);
// Hands out a scored list's moves in getNextBestMove's order (scores above -32000, as the
// ordering gives them) and names each next one before it is taken, so that the search can
// ask for its table bucket early. The second is named only when asked for, as most nodes
// stop at the first and need not count its exchanges; the first two come from selections,
// the rest from one sort of what remains.
constexpr int UNNAMED = -2;
struct MovePicker {
    Board* board;
    MoveList* list;
    int taken;      // moves handed out
    int following;  // index of the next move handed out, -1 when none is left, UNNAMED
                    // until the second is asked for
    int sorted;     // entries of `order` handed out
    std::uint16_t order[MAX_MOVES];
};
// `first`: the index of the best move when the ordering returned it, else -1.
void startPicking(MovePicker* picker, Board* board, MoveList* list, int first);
// The next move into `out`, marked picked; returns its index.
int pickMove(MovePicker* picker, Move* out);
int getMove(MoveList* list, Move* out, int index);

// Ordering. Main search: hash move, captures by exchange value, killers, castling,
// promotions, quiet moves by history and closeness to the enemy king; returns the index of
// the first best move. Quiescence: every move by exchange value; -1 for an empty list.
// Root from depth 2 on: by the nodes each move needed in the previous iteration.
// A capture's exchange value is counted only once the selection needs it: until then its
// score is an upper bound and `pending` is set. settleScores counts every one left.
extern constinit thread_local std::int64_t hashMoves;  // statistics: hash moves found in a list
int assignScoreMovelist(Board* board, MoveList* list);
int assignQScoreMovelist(Board* board, MoveList* list);
void assignScoreRootMovelist(Board* board, MoveList* list);
void settleScores(Board* board, MoveList* list);
