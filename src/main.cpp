#include "board.h"
#include "book.h"
#include "hash.h"
#include "interface.h"
#include "search.h"

int main()
{
    hashSize = 2097152;
    initZobrist();  // before the book seeds rand(): the keys are the same on every run
    initHashtable(hashSize);
    initBook();
    clearHashtable(hashSize);  // the size obtained, which may be smaller than asked
    clearHistoryHeuristic();
    clearKillerMove();

    // The one Board of the run, too large for the stack; it lives until the process ends.
    Board* board = newBoard();
    setupFen(board, initialPosition);
    getHashkey(board);
    xboardLoop(board);
    return 0;
}
