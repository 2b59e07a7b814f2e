// SPDX-License-Identifier: GPL-3.0-or-later
#include "history.h"

#include <cstdio>
#include <cstring>

constinit thread_local std::uint32_t historyHeuristic[2][16][128];
constinit thread_local std::uint32_t historyMax[2] = {1, 1};
constinit thread_local std::uint32_t successHistoryHeuristic[2][16][128];
constinit thread_local std::uint32_t badHistoryHeuristic[2][16][128];
constinit thread_local std::uint32_t badHistoryMax[2] = {1, 1};
constinit thread_local KillerEntry killerMove[2][MAX_PLY]{};

void updateKillerMove(const Board* board, const Move* m)
{
    if (!isQuiet(m) || board->ply >= MAX_PLY) return;
    KillerEntry* e = &killerMove[m->piece > EMPTY][board->ply];
    int slot = -1;
    for (int s = 0; s < 3; ++s) {
        const Move& k = e->killers[s];
        if (k.from == m->from && k.to == m->to && k.piece == m->piece) {
            slot = s;
            break;
        }
    }
    if (slot >= 0) {
        ++e->hits[slot];
    } else {
        e->killers[2] = *m;
        e->hits[2] = 1;
    }
    // One bubble pass: a move rises one place each time it gets ahead of the one above.
    for (int s = 2; s > 0; --s) {
        if (e->hits[s] > e->hits[s - 1]) {
            const Move k = e->killers[s];
            const std::uint32_t h = e->hits[s];
            e->killers[s] = e->killers[s - 1];
            e->hits[s] = e->hits[s - 1];
            e->killers[s - 1] = k;
            e->hits[s - 1] = h;
        }
    }
}

void updateHistoryHeuristic(const Move* m, int depth)
{
    if (!isQuiet(m)) return;
    ++*historyCell(successHistoryHeuristic, m);
    std::uint32_t* cell = historyCell(historyHeuristic, m);
    const std::uint32_t bonus = std::uint32_t(depth) * std::uint32_t(depth);
    // Saturate rather than wrap: a wrapped sum would demote the best move of all.
    *cell = *cell > UINT32_MAX - bonus ? UINT32_MAX : *cell + bonus;
    const int side = m->piece > EMPTY;
    if (*cell > historyMax[side]) historyMax[side] = *cell;
}

void updateBadHistoryHeuristic(const Move* m, int)
{
    if (!isQuiet(m)) return;
    ++*historyCell(badHistoryHeuristic, m);
}

int getHistoryBonus(const Move* m)
{
    const std::uint32_t entry = *historyCell(historyHeuristic, m);
    if (entry == 0) return 0;  // most moves: no division
    return int(double(entry) / double(historyMax[m->piece > EMPTY]) * 1000.0);
}

int getBadHistoryBonus(const Move* m)
{
    const double entry = *historyCell(badHistoryHeuristic, m);
    return int(entry / double(badHistoryMax[m->piece > EMPTY]) * 1000.0);
}

void clearHistoryHeuristic()
{
    std::memset(historyHeuristic, 0, sizeof historyHeuristic);
    std::memset(successHistoryHeuristic, 0, sizeof successHistoryHeuristic);
    std::memset(badHistoryHeuristic, 0, sizeof badHistoryHeuristic);
    historyMax[0] = historyMax[1] = 1;
    badHistoryMax[0] = badHistoryMax[1] = 1;
}

void clearKillerMove()
{
    for (auto& side : killerMove) {
        for (KillerEntry& e : side) {
            for (int s = 0; s < 3; ++s) {
                e.killers[s].from = NO_SQUARE;
                e.hits[s] = 0;
            }
        }
    }
}

void showKillers(const Board* board)
{
    if (board->ply >= MAX_PLY) return;
    const KillerEntry& e = killerMove[board->sideToMove & 1][board->ply];
    for (int s = 0; s < 3; ++s)
        std::printf("%d) f: %d  t: %d, counter = %u\n", s + 1, e.killers[s].from, e.killers[s].to,
                    e.hits[s]);
}
