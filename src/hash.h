#pragma once
#include <cstdint>

#include "board.h"

// Zobrist keys. Cells used: [square][piece code] for men, [126][rights] for the castling
// rights (always part of the key), [square][15] for the en-passant square, and CHASH for
// black to move (the same value in both keys).
constexpr int CASTLING_ROW = 126;
constexpr int EP_INDEX = 15;

extern std::uint64_t randomTable[128][16];
extern std::uint64_t randomTable2[128][16];
extern std::uint64_t CHASH;

void initZobrist();
void getHashkey(Board* board);
void updateHashKey(Board* board, const Move* m);
// The hashKey2 that makeMove and updateHashKey will give the board for m.
std::uint64_t hashKey2After(const Board* board, const Move* m);
std::uint64_t hashKey2AfterNull(const Board* board);
// The key change of a null move, made or taken back, with the en-passant square it clears.
void toggleNullmoveKeys(Board* board, int oldEnPassant);

// Transposition table: buckets of four slots; the bucket comes from hashKey2, the slot is
// identified by hashKey. Bound types: 0 exact, 1 upper bound, 2 lower bound. Mate scores
// (beyond +-MATE_BOUND) are kept relative to the node that stores them.
constexpr int HASH_NO_SCORE = 32500;  // probe result when no slot gives a usable score
constexpr int HASH_MATE_BOUND = 20000;
constexpr std::int32_t HASH_DEFAULT_BUCKETS = 2097152;

// One bucket, two cache lines: a probe that matches no key reads only the first.
struct alignas(64) HashEntry {
    std::uint64_t key[4];
    std::int32_t depth[4];  // -1 marks an empty slot
    std::int32_t score[4];
    std::uint8_t type[4];
    Move move[4];
    std::uint32_t generation;  // the clear it belongs to: older buckets read as empty
};
static_assert(sizeof(HashEntry) == 128);

extern HashEntry* hashtable;
extern std::int32_t hashSize;
// Statistics: counted and reset, shown by no output.
extern std::int64_t hashHits1, hashStores, hashCuts;

// Allocates the table; when that many buckets cannot be had, the largest power of two
// that can. Sets hashSize to the size obtained (0 when nothing could be had: probes then
// find nothing and stores keep nothing).
void initHashtable(std::int32_t buckets);
// Empties the first `buckets` buckets (never more than the table holds). Emptying the whole
// table costs nothing: it only starts a new generation, and a bucket of an older one is
// emptied when it is next written.
void clearHashtable(std::int32_t buckets);
// How full the table is, in thousandths, from a sample of its first buckets.
int hashFullPermille();
// The board's bucket, emptied first if it belongs to an older generation.
HashEntry* currentBucket(const Board* board);
int probeHashtable(Board* board, int* alpha, int* beta, std::uint8_t* nullAllowed, int depth,
                   Move* tableMove);
void recordHashtable(Board* board, int depth, int score, std::uint8_t type, const Move* m);
// Ask the cache for the bucket of the position after m, or after a null move, before it is
// made: a probe is otherwise a wait on main memory.
void prefetchHashtableAfter(const Board* board, const Move* m);
void prefetchHashtableAfterNull(const Board* board);
