#include "eval.h"

// Placeholder until the full evaluation lands: material only.
int eval(const Board* board) { return board->sideToMove ? -board->material : board->material; }
