// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
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

// One bucket of four slots. Every search thread probes and stores into the one table without
// a lock, so a slot is two words: its data (depth, score, bound type and move, packed) and
// its key XOR that data. A slot read while another thread writes it pairs words of two
// writes and fails the key check. The generation stamp changes only while no search runs.
struct alignas(64) HashEntry {
    std::atomic<std::uint64_t> check[4];
    std::atomic<std::uint64_t> data[4];
    std::atomic<std::uint32_t> generation;  // the clear it belongs to: older buckets read as empty
};
static_assert(sizeof(HashEntry) == 128);

// The table's size as the protocols give it, in MiB: the default is the engine's table as GUIs
// have always been shown it, the maximum 2^30 buckets, the most a table can count.
constexpr std::int64_t HASH_BUCKETS_PER_MIB = (1 << 20) / std::int64_t(sizeof(HashEntry));
constexpr std::int64_t HASH_DEFAULT_MIB = HASH_DEFAULT_BUCKETS / HASH_BUCKETS_PER_MIB;
static_assert(HASH_DEFAULT_MIB == 256);
constexpr std::int64_t HASH_MAX_MIB = 131072;

// A slot's fields as the table keeps them. Depths from -1 (empty) to 4094 are kept.
std::uint64_t slotKey(const HashEntry* e, int i);
int slotDepth(const HashEntry* e, int i);
void writeSlot(HashEntry* e, int i, std::uint64_t key, int depth, int score, std::uint8_t type,
               const Move* m);

extern HashEntry* hashtable;
extern std::int32_t hashSize;
// Statistics of the search thread running on this thread: counted and reset, shown by no output.
extern constinit thread_local std::int64_t hashHits1, hashStores, hashCuts;

// Allocates the table; when that many buckets cannot be had, the largest power of two
// that can. Sets hashSize to the size obtained (0 when nothing could be had: probes then
// find nothing and stores keep nothing).
void initHashtable(std::int32_t buckets);
// The table for a size in MiB (held to 1..HASH_MAX_MIB): the largest power of two of buckets
// that fits it, as UCI's Hash and xboard's memory ask.
void resizeHashtableMiB(std::int64_t mib);
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
// The bucket a probe of the position with this hashKey2 reads (null without a table), so
// that the search can ask the cache for it before the position is reached: a probe is
// otherwise a wait on main memory. The prefetch itself belongs in the caller: a function
// that does nothing but prefetch counts as free of effects, and the compiler drops its calls.
const HashEntry* bucketToPrefetch(std::uint64_t key2);
