// SPDX-License-Identifier: GPL-3.0-or-later
#include "movepick.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "attack.h"
#include "history.h"
#include "see.h"

namespace {

// The first unpicked move with the strictly highest score above floor, ties to the lower
// index; 0 when there is none.
int bestUnpicked(const MoveList* list, int floor)
{
    int best = floor, index = 0;
    for (int i = 0; i < list->count; ++i) {
        if (!list->picked[i] && list->score[i] > best) {
            best = list->score[i];
            index = i;
        }
    }
    return index;
}

// Why a score is pending: which ordering the counted exchange value goes into.
enum PendingScore : std::uint8_t { SETTLED, MAIN_CAPTURE, QUIESCENCE_MOVE };

// Ordering bands of the main search.
constexpr int HASH_MOVE_SCORE = 1000000;
constexpr int ROOT_HASH_MOVE_SCORE = 1000000000;
constexpr int GOOD_CAPTURE_BASE = 5000;
constexpr int GOOD_CAPTURE_MIN_SEE = -50;  // a capture losing more than this sorts with quiet moves
constexpr int FIRST_KILLER_SCORE = 3000;
constexpr int SECOND_KILLER_SCORE = 2000;
constexpr int CASTLE_BONUS = 3000;
constexpr int QUIET_PROMOTION_BONUS = 1000;
constexpr int PAWN_NEAR_KING_BONUS = 200;
constexpr int PAWN_ADVANCED_BONUS = 1000;
// Bonus of a piece landing within two squares of the enemy king, by white piece code.
constexpr std::array<int, 7> nearKingBonus = {0, 0, 420, 410, 300, 500, 0};

// Rising with the exchange value, so that a bound on the value bounds the score.
int captureScore(const Move& m, int exchangeValue)
{
    int score = exchangeValue >= GOOD_CAPTURE_MIN_SEE ? exchangeValue + GOOD_CAPTURE_BASE : 0;
    if (m.flags & FLAG_PROMOTION) score += std::abs(pieceValues[m.promotion]);
    return score;
}

// The side answering may always stop, so a move's exchange value never exceeds what it
// takes.
int exchangeBound(const Move& m) { return std::abs(pieceValues[m.captured]); }

void settle(Board* board, MoveList* list, int i)
{
    const int s = see(board, &list->moves[i]);
    list->seeScore[i] = s;
    list->score[i] = list->pending[i] == MAIN_CAPTURE ? captureScore(list->moves[i], s) : s;
    list->pending[i] = SETTLED;
}

// A score and an index in one integer: the score, biased to sort as unsigned, above the
// complement of the index. Sorted descending, the higher score comes first and, for equal
// scores, the lower index, as the scans take them.
constexpr std::uint64_t orderKey(int score, int index)
{
    return std::uint64_t(std::uint32_t(score) ^ 0x80000000u) << 16 | std::uint64_t(0xFFFF - index);
}
constexpr int keyIndex(std::uint64_t key) { return 0xFFFF - int(key & 0xFFFF); }

// Whether a score at index i comes before the best so far, as the scans take them: higher,
// or equal at a lower index (index -1 when nothing is above the floor yet).
constexpr bool beats(int score, int i, int best, int index)
{
    return score > best || (score == best && i < index);
}

// The choice among the unpicked moves, given the best settled one and the pending ones: from
// the highest bound down, only an exchange whose bound beats the best so far is counted.
int settleAbove(Board* board, MoveList* list, int best, int index, const std::uint16_t* pending,
                int n)
{
    std::uint64_t bounds[MAX_MOVES];
    int count = 0;
    for (int j = 0; j < n; ++j) {
        const int i = pending[j];
        if (!beats(list->score[i], i, best, index)) continue;
        // Few moves wait at a time: an insertion keeps them in order.
        const std::uint64_t key = orderKey(list->score[i], i);
        int k = count++;
        for (; k > 0 && bounds[k - 1] < key; --k) bounds[k] = bounds[k - 1];
        bounds[k] = key;
    }
    for (int k = 0; k < count; ++k) {
        const int i = keyIndex(bounds[k]);
        if (list->score[i] < best) break;  // nor can any bound after it
        if (!beats(list->score[i], i, best, index)) continue;
        settle(board, list, i);
        if (beats(list->score[i], i, best, index)) {
            best = list->score[i];
            index = i;
        }
    }
    if (index >= 0) return index;
    // Nothing above the floor: the scans' answer is the first move.
    if (list->pending[0]) settle(board, list, 0);
    return 0;
}

// bestUnpicked over the true scores, counting only the exchanges that could change it.
int selectBest(Board* board, MoveList* list, int floor)
{
    int best = floor, index = -1, n = 0;
    std::uint16_t pending[MAX_MOVES];
    for (int i = 0; i < list->count; ++i) {
        if (list->picked[i]) continue;
        if (list->pending[i]) {
            pending[n++] = std::uint16_t(i);
        } else if (list->score[i] > best) {
            best = list->score[i];
            index = i;
        }
    }
    return settleAbove(board, list, best, index, pending, n);
}

}  // namespace

int getNextBestMove(MoveList* list, Move* out) { return getMove(list, out, bestUnpicked(list, -32000)); }

int nextBestMove(Board* board, MoveList* list, Move* out)
{
    return getMove(list, out, selectBest(board, list, -32000));
}

int getMove(MoveList* list, Move* out, int index)
{
    *out = list->moves[index];
    list->picked[index] = 1;
    return index;
}

void startPicking(MovePicker* picker, Board* board, MoveList* list, int first)
{
    picker->board = board;
    picker->list = list;
    picker->taken = 0;
    picker->sorted = 0;
    picker->following = first >= 0 ? first : selectBest(board, list, -32000);
}

int pickMove(MovePicker* picker, Move* out)
{
    MoveList* list = picker->list;
    if (picker->following == UNNAMED) picker->following = selectBest(picker->board, list, -32000);
    const int index = getMove(list, out, picker->following);
    const int taken = ++picker->taken;
    if (taken >= list->count) {
        picker->following = -1;
    } else if (taken == 1) {
        picker->following = UNNAMED;
    } else {
        if (taken == 2) {
            // The node did not stop at its first move: it will likely try them all, and
            // one sort beats a scan per move. Indices are distinct, so the order is the
            // scans' order, ties to the lower index.
            std::uint64_t keys[MAX_MOVES];
            int n = 0;
            for (int i = 0; i < list->count; ++i) {
                if (list->picked[i]) continue;
                if (list->pending[i]) settle(picker->board, list, i);
                keys[n++] = orderKey(list->score[i], i);
            }
            std::sort(keys, keys + n, [](std::uint64_t a, std::uint64_t b) { return a > b; });
            for (int k = 0; k < n; ++k) picker->order[k] = std::uint16_t(keyIndex(keys[k]));
        }
        picker->following = picker->order[picker->sorted++];
    }
    return index;
}

constinit thread_local std::int64_t hashMoves;

namespace {

inline bool sameHashMove(const Move& a, const Move& b)
{
    return a.from == b.from && a.to == b.to && a.flags == b.flags && a.promotion == b.promotion;
}

// What a killer is matched on (from, to and the man), packed so one compare does.
constexpr std::uint32_t killerKey(const Move& m)
{
    return std::uint32_t(m.from) | std::uint32_t(m.to) << 8 | std::uint32_t(m.piece) << 16;
}

// The per-list facts that every quiet move's score reads, by the mover's colour.
struct QuietContext {
    std::uint32_t firstKiller[2];
    std::uint32_t secondKiller[2];
    int enemyKing[2];
};

QuietContext quietContext(const Board* board)
{
    QuietContext c;
    const int ply = board->ply < MAX_PLY ? int(board->ply) : MAX_PLY - 1;
    for (int side = 0; side < 2; ++side) {
        const KillerEntry& k = killerMove[side][ply];
        c.firstKiller[side] = killerKey(k.killers[0]);
        c.secondKiller[side] = killerKey(k.killers[1]);
        c.enemyKing[side] = board->kingSquare[side ^ 1];
    }
    return c;
}

int quietScore(const QuietContext& c, const Move& m)
{
    int score = getHistoryBonus(&m);
    if (m.flags & FLAG_CASTLE) score += CASTLE_BONUS;
    if (m.flags & FLAG_PROMOTION) score += std::abs(pieceValues[m.promotion]) + QUIET_PROMOTION_BONUS;
    const int side = m.piece > EMPTY;
    const int white = side ? m.piece - EMPTY : m.piece;
    const int d = distOnBoard(m.to, c.enemyKing[side]);
    if (white == WHITE_PAWN) {
        if (d <= 1) score += PAWN_NEAR_KING_BONUS;
        const int r = rank(m.to);
        if (side ? r <= 3 : r >= 6) score += PAWN_ADVANCED_BONUS;
    } else if (white >= WHITE_KNIGHT && white <= WHITE_QUEEN && d <= 2) {
        score += nearKingBonus[white];
    }
    const std::uint32_t key = killerKey(m);
    if (key == c.firstKiller[side]) score = FIRST_KILLER_SCORE;
    if (key == c.secondKiller[side]) score = SECOND_KILLER_SCORE;
    return score;
}

}  // namespace

int assignScoreMovelist(Board* board, MoveList* list)
{
    const Move hashMove = board->hashMove;
    const bool hashKnown = hashMove.from != NO_SQUARE;
    const QuietContext context = quietContext(board);
    int hashIndex = -1, best = -32000, bestIndex = -1, n = 0;
    std::uint16_t pending[MAX_MOVES];
    for (int i = 0; i < list->count; ++i) {
        const Move& m = list->moves[i];
        list->picked[i] = 0;
        list->pending[i] = SETTLED;
        if (hashKnown && sameHashMove(m, hashMove)) {
            list->score[i] = HASH_MOVE_SCORE;
            hashIndex = i;
            ++hashMoves;
        } else if (m.flags & FLAG_CAPTURE) {
            // Most nodes stop at their first move: most exchanges need never be counted.
            list->score[i] = captureScore(m, exchangeBound(m));
            list->pending[i] = MAIN_CAPTURE;
            pending[n++] = std::uint16_t(i);
        } else {
            const int score = quietScore(context, m);
            list->score[i] = score;
            if (score > best) {
                best = score;
                bestIndex = i;
            }
        }
    }
    static_assert(GOOD_CAPTURE_BASE + pieceValues[WHITE_KING] + pieceValues[WHITE_QUEEN]
                  < HASH_MOVE_SCORE, "no bound reaches the hash move's score");
    return hashIndex >= 0 ? hashIndex : settleAbove(board, list, best, bestIndex, pending, n);
}

int assignQScoreMovelist(Board* board, MoveList* list)
{
    if (list->count == 0) return -1;
    std::uint16_t pending[MAX_MOVES];
    for (int i = 0; i < list->count; ++i) {
        list->picked[i] = 0;
        list->score[i] = exchangeBound(list->moves[i]);
        list->pending[i] = QUIESCENCE_MOVE;
        pending[i] = std::uint16_t(i);
    }
    return settleAbove(board, list, -32001, -1, pending, list->count);
}

void settleScores(Board* board, MoveList* list)
{
    for (int i = 0; i < list->count; ++i)
        if (list->pending[i]) settle(board, list, i);
}

void assignScoreRootMovelist(Board* board, MoveList* list)
{
    const Move hashMove = board->hashMove;
    for (int i = 0; i < list->count; ++i) {
        list->picked[i] = 0;
        list->pending[i] = SETTLED;
        // Subtree sizes rank the root moves; a huge count must not outrank the hash move
        // or turn negative.
        const std::int64_t nodes = board->rootMoveNodes[i];
        list->score[i] = nodes < 0 ? 0 : nodes >= ROOT_HASH_MOVE_SCORE ? ROOT_HASH_MOVE_SCORE - 1
                                                                       : std::int32_t(nodes);
        if (hashMove.from != NO_SQUARE && sameHashMove(list->moves[i], hashMove)) {
            list->score[i] = ROOT_HASH_MOVE_SCORE;
            ++hashMoves;
        }
    }
}
