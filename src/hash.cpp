// SPDX-License-Identifier: GPL-3.0-or-later
#include "hash.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

std::uint64_t randomTable[128][16];
std::uint64_t randomTable2[128][16];
std::uint64_t CHASH;

void initZobrist()
{
    // The tables are drawn once per process, so that every caller sees the same keys.
    static bool filled = false;
    if (filled) return;
    filled = true;
    // Interleaved, cell by cell, so both tables follow from the one fixed stream.
    for (int sq = 0; sq < 128; ++sq) {
        for (int i = 0; i < 16; ++i) {
            randomTable[sq][i] = rand64();
            randomTable2[sq][i] = rand64();
        }
    }
    CHASH = randomTable[127][0];
}

void getHashkey(Board* board)
{
    std::uint64_t key = 0, key2 = 0;
    for (int sq = 0; sq < 128; ++sq) {
        const int code = board->squares[sq];
        if (code != OFF_BOARD && code != EMPTY) {
            key ^= randomTable[sq][code];
            key2 ^= randomTable2[sq][code];
        }
    }
    if (board->epSquare != NO_SQUARE) {
        key ^= randomTable[board->epSquare][EP_INDEX];
        key2 ^= randomTable2[board->epSquare][EP_INDEX];
    }
    key ^= randomTable[CASTLING_ROW][board->castlingRights];
    key2 ^= randomTable2[CASTLING_ROW][board->castlingRights];
    if (board->sideToMove) {
        key ^= CHASH;
        key2 ^= CHASH;
    }
    board->hashKey = key;
    board->hashKey2 = key2;
}

namespace {

using KeyTable = std::uint64_t[128][16];

// What a move changes in a key of the given table, with the castling rights and the
// en-passant square it leaves and finds.
inline std::uint64_t keyChange(const KeyTable& table, const Board* board, const Move* m,
                               int rightsBefore, int rightsAfter, int epBefore, int epAfter)
{
    const int from = m->from, to = m->to, piece = m->piece;
    std::uint64_t change = CHASH ^ table[from][piece];
    change ^= table[to][(m->flags & FLAG_PROMOTION) ? m->promotion : piece];
    if (m->flags & FLAG_CAPTURE) {
        if (!(m->flags & FLAG_ENPASSANT)) change ^= table[to][m->captured];
        else if (piece > EMPTY) change ^= table[to + 16][WHITE_PAWN];
        else change ^= table[to - 16][BLACK_PAWN];
    }
    if (m->flags & FLAG_CASTLE) {
        const CastlingPath& p = castlingPathOf(board, m);
        const int rook = piece > EMPTY ? BLACK_ROOK : WHITE_ROOK;
        change ^= table[p.rook][rook] ^ table[p.rookTo][rook];
    }
    if (rightsBefore != rightsAfter)
        change ^= table[CASTLING_ROW][rightsBefore] ^ table[CASTLING_ROW][rightsAfter];
    if (epBefore != NO_SQUARE) change ^= table[epBefore][EP_INDEX];
    if (epAfter != NO_SQUARE) change ^= table[epAfter][EP_INDEX];
    return change;
}

}  // namespace

void updateHashKey(Board* board, const Move* m)
{
    // Applied after the move and again before it is taken back: the change is its own undo.
    const int rights = int(board->castlingRights), ep = board->epSquare;
    board->hashKey ^= keyChange(randomTable, board, m, m->oldCastling, rights, m->oldEnPassant, ep);
    board->hashKey2 ^= keyChange(randomTable2, board, m, m->oldCastling, rights, m->oldEnPassant, ep);
    board->hashHistory[board->gamePly] = board->hashKey;
}

std::uint64_t hashKey2After(const Board* board, const Move* m)
{
    // Read from the board before the move: the squares alone say what rights are lost.
    const int rights = int(board->castlingRights);
    const int rightsAfter = rights & board->castlingKept[m->from] & board->castlingKept[m->to];
    int epAfter = NO_SQUARE;
    if (m->piece == WHITE_PAWN && m->to - m->from == 32) epAfter = m->from + 16;
    if (m->piece == BLACK_PAWN && m->from - m->to == 32) epAfter = m->from - 16;
    return board->hashKey2
         ^ keyChange(randomTable2, board, m, rights, rightsAfter, board->epSquare, epAfter);
}

std::uint64_t hashKey2AfterNull(const Board* board)
{
    std::uint64_t key = board->hashKey2 ^ CHASH;
    if (board->epSquare != NO_SQUARE) key ^= randomTable2[board->epSquare][EP_INDEX];
    return key;
}

void toggleNullmoveKeys(Board* board, int oldEnPassant)
{
    board->hashKey ^= CHASH;
    board->hashKey2 ^= CHASH;
    if (oldEnPassant != NO_SQUARE) {
        board->hashKey ^= randomTable[oldEnPassant][EP_INDEX];
        board->hashKey2 ^= randomTable2[oldEnPassant][EP_INDEX];
    }
}

HashEntry* hashtable;
std::int32_t hashSize;
constinit thread_local std::int64_t hashHits1, hashStores, hashCuts;

namespace {

std::uint64_t hashMask;  // hashSize - 1 when hashSize is a power of two, else 0
bool hashIsPowerOfTwo;
void* tableMemory;               // as allocated; hashtable is it aligned to a huge page
constexpr std::uintptr_t HUGE_PAGE = std::uintptr_t(2) << 20;
static_assert(HUGE_PAGE % alignof(HashEntry) == 0);
std::uint32_t tableGeneration;  // buckets stamped otherwise are empty

// A slot's data word: score (16 bits), depth + 1 (12), bound type (2) and the move's from
// (7), to (7), flags (5), promotion, man and captured man (4 each). The rest of a move is
// not kept: a table move only names one of the position's generated moves.
constexpr int DEPTH_SHIFT = 16, TYPE_SHIFT = 28, MOVE_SHIFT = 30;

constexpr std::uint64_t packMove(const Move& m)
{
    return std::uint64_t(m.from) | std::uint64_t(m.to) << 7 | std::uint64_t(m.flags & 31) << 14
         | std::uint64_t(m.promotion & 15) << 19 | std::uint64_t(m.piece & 15) << 23
         | std::uint64_t(m.captured & 15) << 27;
}

constexpr Move unpackMove(std::uint64_t bits)
{
    Move m = NO_MOVE;
    m.from = std::uint8_t(bits & 127);
    m.to = std::uint8_t(bits >> 7 & 127);
    m.flags = std::uint8_t(bits >> 14 & 31);
    m.promotion = std::uint8_t(bits >> 19 & 15);
    m.piece = std::uint8_t(bits >> 23 & 15);
    m.captured = std::uint8_t(bits >> 27 & 15);
    return m;
}

constexpr std::uint64_t packData(int depth, int score, std::uint8_t type, const Move& m)
{
    return std::uint64_t(std::uint16_t(score)) | std::uint64_t((depth + 1) & 0xFFF) << DEPTH_SHIFT
         | std::uint64_t(type & 3) << TYPE_SHIFT | packMove(m) << MOVE_SHIFT;
}

constexpr int dataScore(std::uint64_t data) { return std::int16_t(std::uint16_t(data)); }
constexpr int dataDepth(std::uint64_t data) { return int(data >> DEPTH_SHIFT & 0xFFF) - 1; }
constexpr int dataType(std::uint64_t data) { return int(data >> TYPE_SHIFT & 3); }
constexpr Move dataMove(std::uint64_t data) { return unpackMove(data >> MOVE_SHIFT); }

constexpr std::uint64_t EMPTY_SLOT = packData(-1, HASH_NO_SCORE, 0, NO_MOVE);
static_assert(dataDepth(EMPTY_SLOT) == -1 && dataScore(EMPTY_SLOT) == HASH_NO_SCORE);
static_assert(dataMove(packData(4094, -32767, 2, NO_MOVE)).from == NO_SQUARE
              && dataDepth(packData(4094, -32767, 2, NO_MOVE)) == 4094
              && dataScore(packData(4094, -32767, 2, NO_MOVE)) == -32767);

constexpr auto relaxed = std::memory_order_relaxed;

void emptyBucket(HashEntry* e, std::uint32_t generation)
{
    for (int i = 0; i < 4; ++i) {
        e->data[i].store(EMPTY_SLOT, relaxed);
        e->check[i].store(EMPTY_SLOT, relaxed);  // key 0
    }
    e->generation.store(generation, relaxed);
}

inline HashEntry* bucketOf(std::uint64_t key2)
{
    const std::uint64_t index = hashIsPowerOfTwo ? key2 & hashMask
                                                 : key2 % std::uint64_t(std::int64_t(hashSize));
    return &hashtable[index];
}

inline bool isCurrent(const HashEntry* e) { return e->generation.load(relaxed) == tableGeneration; }

}  // namespace

std::uint64_t slotKey(const HashEntry* e, int i)
{
    return e->check[i].load(relaxed) ^ e->data[i].load(relaxed);
}

int slotDepth(const HashEntry* e, int i) { return dataDepth(e->data[i].load(relaxed)); }

void writeSlot(HashEntry* e, int i, std::uint64_t key, int depth, int score, std::uint8_t type,
               const Move* m)
{
    assert(score >= INT16_MIN && score <= INT16_MAX && depth >= -1 && depth < 4095);
    const std::uint64_t data = packData(depth, score, type, *m);
    e->data[i].store(data, relaxed);
    e->check[i].store(key ^ data, relaxed);
}

void initHashtable(std::int32_t buckets)
{
    std::free(tableMemory);
    tableMemory = nullptr;
    hashtable = nullptr;
    hashSize = 0;
    if (buckets <= 0) return;
    // Zeroed memory (calloc) is a table of generation 0, all empty once the generation is 1.
    tableGeneration = 1;
    std::int64_t size = buckets;
    while (size > 0) {
        tableMemory = std::calloc(1, std::size_t(size) * sizeof(HashEntry) + HUGE_PAGE);
        if (tableMemory) break;
        // Fall back to the largest power of two below the size that failed.
        std::int64_t power = 1;
        while (power * 2 < size) power *= 2;
        size = power < size ? power : size / 2;
    }
    if (!tableMemory) return;
    // Probes land anywhere in the table: on 2 MB pages they miss the TLB far less often.
    const std::uintptr_t raw = reinterpret_cast<std::uintptr_t>(tableMemory);
    hashtable = reinterpret_cast<HashEntry*>((raw + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE);
    const std::size_t bytes = std::size_t(size) * sizeof(HashEntry) / HUGE_PAGE * HUGE_PAGE;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes) madvise(hashtable, bytes, MADV_HUGEPAGE);
#else
    (void)bytes;  // elsewhere the table lives on the system's ordinary pages
#endif
    // The pages are faulted in now, at start-up, instead of one by one during the first
    // searches (a few tenths of a second on a virtual machine); writing the zero a page
    // already holds keeps the table empty. Only up to the engine's own size: a larger table
    // may be memory the system promises but does not have.
    volatile char* page = reinterpret_cast<volatile char*>(hashtable);
    const std::size_t touched = std::min(std::size_t(size), std::size_t(HASH_DEFAULT_BUCKETS))
                              * sizeof(HashEntry);
    for (std::size_t offset = 0; offset < touched; offset += 4096) page[offset] = 0;
    hashSize = std::int32_t(size);
    hashIsPowerOfTwo = (size & (size - 1)) == 0;
    hashMask = hashIsPowerOfTwo ? std::uint64_t(size - 1) : 0;
}

void resizeHashtableMiB(std::int64_t mib)
{
    mib = std::clamp<std::int64_t>(mib, 1, HASH_MAX_MIB);
    std::int64_t buckets = 1;
    while (buckets * 2 <= mib * HASH_BUCKETS_PER_MIB) buckets *= 2;
    initHashtable(std::int32_t(buckets));
}

void clearHashtable(std::int32_t buckets)
{
    if (!hashtable) return;
    if (buckets >= hashSize && ++tableGeneration != 0) return;
    if (tableGeneration == 0) {  // the stamps have come full circle: empty every bucket
        tableGeneration = 1;
        buckets = hashSize;
    }
    const std::int32_t n = buckets < hashSize ? buckets : hashSize;
    for (std::int32_t b = 0; b < n; ++b) emptyBucket(&hashtable[b], tableGeneration);
}

HashEntry* currentBucket(const Board* board)
{
    HashEntry* e = bucketOf(board->hashKey2);
    if (!isCurrent(e)) emptyBucket(e, tableGeneration);
    return e;
}

const HashEntry* bucketToPrefetch(std::uint64_t key2)
{
    return hashtable ? bucketOf(key2) : nullptr;
}

int probeHashtable(Board* board, int* alpha, int* beta, std::uint8_t* nullAllowed, int depth,
                   Move* tableMove)
{
    if (!hashtable) return HASH_NO_SCORE;
    const HashEntry* e = bucketOf(board->hashKey2);
    if (!isCurrent(e)) return HASH_NO_SCORE;
    const int ply = int(board->ply);
    int moveDepth = 0;
    for (int i = 0; i < 4; ++i) {
        // Each word read once: the fields used are those the check was made on.
        const std::uint64_t data = e->data[i].load(relaxed);
        if ((e->check[i].load(relaxed) ^ data) != board->hashKey) continue;
        ++hashHits1;
        const int type = dataType(data), slotDepth = dataDepth(data);
        int s = dataScore(data);
        // A shallow fail-low already says a null move would not reach beta here.
        if (*nullAllowed == 1 && type == 1 && s < *beta) *nullAllowed = 0;
        if (slotDepth >= moveDepth && (data >> MOVE_SHIFT & 127) != NO_SQUARE) {
            *tableMove = dataMove(data);
            moveDepth = slotDepth;
        }
        if (slotDepth < depth) continue;
        if (s < -HASH_MATE_BOUND) s += ply;
        else if (s > HASH_MATE_BOUND) s -= ply;
        switch (type) {
        case 0: return s;
        case 2:
            if (s >= *beta) return s;
            break;
        case 1:
            if (s <= *alpha) return s;
            break;
        default: break;
        }
    }
    return HASH_NO_SCORE;
}

void recordHashtable(Board* board, int depth, int score, std::uint8_t type, const Move* m)
{
    ++hashStores;
    if (!hashtable) return;
    // Mate scores are stored as distances from this node, so they stay true at any ply.
    const int ply = int(board->ply);
    if (score < -HASH_MATE_BOUND) score -= ply;
    else if (score > HASH_MATE_BOUND) score += ply;
    HashEntry* e = currentBucket(board);
    int minDepth = 256, victim = -1;
    for (int i = 0; i < 4; ++i) {
        const std::uint64_t data = e->data[i].load(relaxed);
        const int slotDepthNow = dataDepth(data);
        if ((e->check[i].load(relaxed) ^ data) == board->hashKey && slotDepthNow <= depth) {
            writeSlot(e, i, board->hashKey, depth, score, type, m);
            return;
        }
        // The shallowest slot goes, the last of equals; empty slots (-1) first.
        if (slotDepthNow <= minDepth) {
            minDepth = slotDepthNow;
            victim = i;
        }
    }
    if (victim >= 0) writeSlot(e, victim, board->hashKey, depth, score, type, m);
}

int hashFullPermille()
{
    if (!hashtable) return 0;
    constexpr std::int32_t sampled = 250;  // four slots each: a thousand
    const std::int32_t n = hashSize < sampled ? hashSize : sampled;
    int used = 0;
    for (std::int32_t b = 0; b < n; ++b)
        if (isCurrent(&hashtable[b]))
            for (int i = 0; i < 4; ++i) used += slotDepth(&hashtable[b], i) >= 0;
    return n ? used * 250 / n : 0;
}
