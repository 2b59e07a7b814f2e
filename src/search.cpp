#include "search.h"

#include "hash.h"
#include "movegen.h"

// Placeholder until the real search lands: the first legal move, no thinking output.
HashEntry* hashtable;
std::int32_t hashSize;
int hashHits1, hashStores, hashCuts, hashMoves;

void initHashtable(std::int32_t buckets) { hashSize = buckets; }
void clearHashtable(std::int32_t) {}
void clearHistoryHeuristic() {}
void clearKillerMove() {}

void search(Board* board, Move* result, std::int32_t, std::int32_t)
{
    Move moves[MAX_MOVES];
    if (generateMoves(board, moves, 1) > 0) *result = moves[0];
}
