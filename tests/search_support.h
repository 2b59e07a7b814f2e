#pragma once
// Helpers shared by the table, ordering and search tests.
#include <sstream>

#include "attack.h"
#include "movegen.h"
#include "search.h"
#include "test_support.h"

// A small table: clearing or touching the engine's full one would only cost time.
constexpr std::int32_t TEST_BUCKETS = 1 << 14;

// An empty table and empty heuristics, as the engine's turn leaves them.
inline void freshTables()
{
    if (hashSize != TEST_BUCKETS || !hashtable) initHashtable(TEST_BUCKETS);
    clearHashtable(hashSize);
    clearHistoryHeuristic();
    clearKillerMove();
}

inline std::string text(const Move& m)
{
    char buf[8];
    return moveToString(&m, buf);
}

// The legal move written as text (e2e4, e7e8q), or NO_MOVE.
inline Move legalMove(Board* board, const std::string& want)
{
    Move moves[MAX_MOVES];
    const int n = generateMoves(board, moves, 1);
    for (int i = 0; i < n; ++i)
        if (text(moves[i]) == want) return moves[i];
    return NO_MOVE;
}

// Plays game moves as the protocol loop does: made, keys updated, check set.
inline bool play(Board* board, const std::string& moves)
{
    std::istringstream in(moves);
    for (std::string word; in >> word;) {
        Move m = legalMove(board, word);
        if (m.from == NO_SQUARE) return false;
        makeMove(board, &m);
        updateHashKey(board, &m);
        const int side = board->sideToMove;
        board->inCheck = std::uint8_t(isAttackedSimple(board, board->kingSquare[side], side ^ 1));
    }
    return true;
}
