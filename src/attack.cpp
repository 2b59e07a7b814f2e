// SPDX-License-Identifier: GPL-3.0-or-later
#include "attack.h"

// Both tests look outward from the square: a knight's jump away, and along each line to
// its first man, who attacks when he is a slider of the line's kind, or a king or a
// pawn of the right side right beside the square. The square itself is never read.

namespace {

struct WhiteAttackers {
    static constexpr std::uint8_t pawn = WHITE_PAWN, knight = WHITE_KNIGHT, bishop = WHITE_BISHOP,
                                  rook = WHITE_ROOK, queen = WHITE_QUEEN, king = WHITE_KING;
    static constexpr std::int32_t pawnFirst = -15, pawnSecond = -17;  // pawn squares from the square
    static constexpr const Jumps* knightJumps = &knightJumpsWhite;
};

struct BlackAttackers {
    static constexpr std::uint8_t pawn = BLACK_PAWN, knight = BLACK_KNIGHT, bishop = BLACK_BISHOP,
                                  rook = BLACK_ROOK, queen = BLACK_QUEEN, king = BLACK_KING;
    static constexpr std::int32_t pawnFirst = 15, pawnSecond = 17;
    static constexpr const Jumps* knightJumps = &knightJumpsBlack;
};

constexpr std::array<std::int32_t, 4> diagonalSteps = {15, 17, -15, -17};
constexpr std::array<std::int32_t, 4> straightSteps = {1, -1, 16, -16};

template <typename A>
int isAttackedBy(const Board* board, int sq)
{
    const std::uint8_t* squares = board->squares;
    const Jumps* knights = A::knightJumps;
    for (int k = 0; k < knights->count[sq]; ++k)
        if (squares[knights->to[sq][k]] == A::knight) return 1;
    for (int d : diagonalSteps) {
        int t = sq + d;
        if (!onBoard(t)) continue;
        int code = squares[t];
        if (code == A::king || (code == A::pawn && (d == A::pawnFirst || d == A::pawnSecond)))
            return 1;
        while (code == EMPTY) {
            t += d;
            if (!onBoard(t)) break;
            code = squares[t];
        }
        if (code == A::bishop || code == A::queen) return 1;
    }
    for (int d : straightSteps) {
        int t = sq + d;
        if (!onBoard(t)) continue;
        int code = squares[t];
        if (code == A::king) return 1;
        while (code == EMPTY) {
            t += d;
            if (!onBoard(t)) break;
            code = squares[t];
        }
        if (code == A::rook || code == A::queen) return 1;
    }
    return 0;
}

}  // namespace

int isAttackedSquareWhite(const Board* board, int sq) { return isAttackedBy<WhiteAttackers>(board, sq); }

int isAttackedSquareBlack(const Board* board, int sq) { return isAttackedBy<BlackAttackers>(board, sq); }
