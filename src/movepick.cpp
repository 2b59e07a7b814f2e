// SPDX-License-Identifier: GPL-3.0-or-later
#include "movepick.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "attack.h"
#include "history.h"
#include "see.h"

int getNextBestMove(MoveList* list, Move* out)
{
    int best = -32000, index = 0;
    for (int i = 0; i < list->count; ++i) {
        if (!list->picked[i] && list->score[i] > best) {
            best = list->score[i];
            index = i;
        }
    }
    *out = list->moves[index];
    list->picked[index] = 1;
    return index;
}

namespace {

// The index the next getNextBestMove will pick, without picking it.
int peekNextBestMove(const MoveList* list)
{
    int best = -32000, index = 0;
    for (int i = 0; i < list->count; ++i) {
        if (!list->picked[i] && list->score[i] > best) {
            best = list->score[i];
            index = i;
        }
    }
    return index;
}

}  // namespace

int getMove(MoveList* list, Move* out, int index)
{
    *out = list->moves[index];
    list->picked[index] = 1;
    return index;
}

void startPicking(MovePicker* picker, MoveList* list, int first)
{
    picker->list = list;
    picker->taken = 0;
    picker->sorted = 0;
    picker->following = first >= 0 ? first : peekNextBestMove(list);
}

int pickMove(MovePicker* picker, Move* out)
{
    MoveList* list = picker->list;
    const int index = getMove(list, out, picker->following);
    const int taken = ++picker->taken;
    if (taken >= list->count) {
        picker->following = -1;
    } else if (taken == 1) {
        picker->following = peekNextBestMove(list);
    } else {
        if (taken == 2) {
            // The node did not stop at its first move: it will likely try them all, and
            // one sort beats a scan per move. Indices are distinct, so the order is the
            // scans' order, ties to the lower index.
            // Each key holds the score, biased to sort as unsigned, above the complement of
            // the index: one integer compare orders by score, then by index.
            std::uint64_t keys[MAX_MOVES];
            int n = 0;
            for (int i = 0; i < list->count; ++i)
                if (!list->picked[i])
                    keys[n++] = std::uint64_t(std::uint32_t(list->score[i]) ^ 0x80000000u) << 16
                              | std::uint64_t(0xFFFF - i);
            std::sort(keys, keys + n, [](std::uint64_t a, std::uint64_t b) { return a > b; });
            for (int k = 0; k < n; ++k) picker->order[k] = std::uint16_t(0xFFFF - (keys[k] & 0xFFFF));
        }
        picker->following = picker->order[picker->sorted++];
    }
    return index;
}

constinit thread_local std::int64_t hashMoves;

namespace {

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
    int best = -32000, bestIndex = 0;
    for (int i = 0; i < list->count; ++i) {
        Move* m = &list->moves[i];
        list->picked[i] = 0;
        int score;
        if (m->flags & FLAG_CAPTURE) {
            const int s = see(board, m);
            list->seeScore[i] = s;
            score = s >= GOOD_CAPTURE_MIN_SEE ? s + GOOD_CAPTURE_BASE : 0;
            if (m->flags & FLAG_PROMOTION) score += std::abs(pieceValues[m->promotion]);
        } else {
            list->seeScore[i] = 0;
            score = quietScore(context, *m);
        }
        if (hashKnown && sameHashMove(*m, hashMove)) {
            score = HASH_MOVE_SCORE;
            ++hashMoves;
        }
        list->score[i] = score;
        if (score > best) {
            best = score;
            bestIndex = i;
        }
    }
    return bestIndex;
}

int assignQScoreMovelist(Board* board, MoveList* list)
{
    int best = -32001, bestIndex = -1;
    for (int i = 0; i < list->count; ++i) {
        list->picked[i] = 0;
        const int s = see(board, &list->moves[i]);
        list->seeScore[i] = s;
        list->score[i] = s;
        if (s > best) {
            best = s;
            bestIndex = i;
        }
    }
    return bestIndex;
}

void assignScoreRootMovelist(Board* board, MoveList* list)
{
    const Move hashMove = board->hashMove;
    for (int i = 0; i < list->count; ++i) {
        list->picked[i] = 0;
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
