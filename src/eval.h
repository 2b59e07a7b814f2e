#pragma once
#include "board.h"

// Static evaluation in centipawns from the side to move's point of view.
int eval(const Board* board);
