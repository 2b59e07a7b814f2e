#pragma once
// Helpers shared by the table, ordering and search tests.
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "attack.h"
#include "hash.h"
#include "movegen.h"
#include "search.h"

namespace support {

// Tests keep the table small: clearing the engine's full table costs tens of milliseconds.
constexpr std::int32_t TEST_BUCKETS = 1 << 14;

// Keys, a small empty table and empty heuristics, as the engine's turn leaves them.
inline void freshTables()
{
    initZobrist();
    if (hashSize != TEST_BUCKETS || !hashtable) initHashtable(TEST_BUCKETS);
    clearHashtable(hashSize);
    clearHistoryHeuristic();
    clearKillerMove();
}

inline std::unique_ptr<Board> boardFrom(const char* fen)
{
    initZobrist();
    std::unique_ptr<Board> board(newBoard());
    if (!setupFen(board.get(), fen)) return nullptr;
    getHashkey(board.get());
    return board;
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

inline bool isLegal(Board* board, const Move& m)
{
    const Move found = legalMove(board, text(m));
    return found.from != NO_SQUARE && found.flags == m.flags;
}

// Plays game moves the way the protocol loop does: stored, made, keys updated, check set.
inline bool play(Board* board, const std::string& moves)
{
    std::istringstream in(moves);
    std::string word;
    while (in >> word) {
        Move m = legalMove(board, word);
        if (m.from == NO_SQUARE) return false;
        board->gameMoves[board->gamePly] = m;
        makeMove(board, &m);
        updateHashKey(board, &m);
        const int side = board->sideToMove;
        board->inCheck = std::uint8_t(isAttackedSimple(board, board->kingSquare[side], side ^ 1));
    }
    return true;
}

inline int indexOf(const MoveList* list, const std::string& want)
{
    for (int i = 0; i < list->count; ++i)
        if (text(list->moves[i]) == want) return i;
    return -1;
}

}  // namespace support
