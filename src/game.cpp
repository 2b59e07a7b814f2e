// SPDX-License-Identifier: GPL-3.0-or-later
#include "game.h"

#include <cctype>
#include <cstring>

#include "attack.h"
#include "hash.h"
#include "movegen.h"

namespace {

void setInCheck(Board* board)
{
    const int side = board->sideToMove;
    board->inCheck = std::uint8_t(isAttackedSimple(board, board->kingSquare[side], side ^ 1));
}

}  // namespace

int loadPosition(Board* board, const char* fen, CastlingRead read, const char** problem)
{
    if (!setupFen(board, fen, read, problem)) return 0;
    getHashkey(board);
    board->ply = 0;
    return 1;
}

void playGameMove(Board* board, const Move* move)
{
    Move* stored = &board->gameMoves[board->gamePly];
    *stored = *move;
    makeMove(board, stored);
    updateHashKey(board, stored);
    board->ply = 0;  // ply counts from the root of a search; between searches it stays 0
    setInCheck(board);
}

void undoGameMove(Board* board)
{
    if (board->gamePly == 0 || board->gamePly > MAX_GAME_PLY) return;
    Move* m = &board->gameMoves[board->gamePly - 1];
    updateHashKey(board, m);
    unmakeMove(board, m);
    board->ply = 0;
    setInCheck(board);
}

int squareFromText(const char* text)
{
    if (text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8') return NO_SQUARE;
    return (text[1] - '1') * 16 + (text[0] - 'a');
}

int inputMoveLegal(Board* board, const char* text, Move* move)
{
    if (!text) return 0;
    Move moves[MAX_MOVES];
    // O-O and O-O-O (or with zeros), as xboard writes castling in Chess960.
    if (board->castlingStyle == CASTLING_O_O && (text[0] == 'O' || text[0] == '0')) {
        const char o = text[0];
        const char oo[] = {o, '-', o, 0}, ooo[] = {o, '-', o, '-', o, 0};
        const bool isLong = !std::strncmp(text, ooo, 5);
        if (!isLong && (std::strncmp(text, oo, 3) || text[3] == '-')) return 0;
        const int count = generateMoves(board, moves, 1);
        for (int i = 0; i < count; ++i) {
            const Move* m = &moves[i];
            if ((m->flags & FLAG_CASTLE) && ((m->to & 7) < 4) == isLong) {
                *move = *m;
                return 1;
            }
        }
        return 0;
    }
    int length = 0;
    while (length < 5 && text[length]) ++length;
    if (length < 4) return 0;
    const int from = squareFromText(text), to = squareFromText(text + 2);
    if (from == NO_SQUARE || to == NO_SQUARE) return 0;

    int wanted = 0;
    if (length == 5) {
        static constexpr char letters[] = "pnbrq";
        const char letter = char(std::tolower(static_cast<unsigned char>(text[4])));
        for (int i = 0; i < 5; ++i)
            if (letter == letters[i]) wanted = (board->sideToMove ? BLACK_PAWN : WHITE_PAWN) + i;
    }

    // In Chess960 castling is written as the king taking its own rook; the king's own move
    // is understood too when no other move has those squares.
    const bool kingTakesRook = board->castlingStyle != CASTLING_KING_MOVE;
    const Move* kingMoveCastling = nullptr;
    const int count = generateMoves(board, moves, 1);
    for (int i = 0; i < count; ++i) {
        const Move* m = &moves[i];
        const bool castling = m->flags & FLAG_CASTLE;
        const int target = kingTakesRook && castling ? castlingPathOf(board, m).rook : m->to;
        if (m->from == from && target == to && (!(m->flags & FLAG_PROMOTION) || m->promotion == wanted)) {
            *move = *m;
            return 1;
        }
        if (kingTakesRook && castling && m->from == from && m->to == to) kingMoveCastling = m;
    }
    if (!kingMoveCastling) return 0;
    *move = *kingMoveCastling;
    return 1;
}

int checkGameDraw(const Board* board)
{
    const std::uint32_t n = board->gamePly;
    if (n < 2 || n >= std::uint32_t(HISTORY_SIZE)) return 0;
    const std::uint64_t key = board->hashHistory[n];
    int count = 1;
    for (std::uint32_t i = n - 1; i >= 1; --i)
        if (board->hashHistory[i] == key) ++count;
    return count == 3;
}

int fiftyMoveRule(const Board* board)
{
    const std::uint32_t n = board->gamePly;
    return n <= std::uint32_t(MAX_GAME_PLY) && board->reversiblePlies[n] >= 100;
}
