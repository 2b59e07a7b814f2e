#include "attack.h"

// Both tests look outward from the square and stop at the first attacker, cheapest kinds
// first. Every read is guarded by the 0x88 test.

int isAttackedSquareWhite(const Board* board, int sq)
{
    const std::uint8_t* squares = board->squares;
    if (onBoard(sq - 15) && squares[sq - 15] == WHITE_PAWN) return 1;
    if (onBoard(sq - 17) && squares[sq - 17] == WHITE_PAWN) return 1;
    for (int i = 0; knightOffsetsWhite[i]; ++i) {
        int t = sq + knightOffsetsWhite[i];
        if (onBoard(t) && squares[t] == WHITE_KNIGHT) return 1;
    }
    for (int i = 0; diagonalOffsetsWhite[i]; ++i) {
        int d = diagonalOffsetsWhite[i];
        for (int t = sq + d; onBoard(t); t += d) {
            if (squares[t] == WHITE_BISHOP || squares[t] == WHITE_QUEEN) return 1;
            if (squares[t] != EMPTY) break;
        }
    }
    for (int i = 0; heavyOffsetsWhite[i]; ++i) {
        int d = heavyOffsetsWhite[i];
        for (int t = sq + d; onBoard(t); t += d) {
            if (squares[t] == WHITE_ROOK || squares[t] == WHITE_QUEEN) return 1;
            if (squares[t] != EMPTY) break;
        }
    }
    for (int i = 0; kingOffsetsWhite[i]; ++i) {
        int t = sq + kingOffsetsWhite[i];
        if (onBoard(t) && squares[t] == WHITE_KING) return 1;
    }
    return 0;
}

int isAttackedSquareBlack(const Board* board, int sq)
{
    const std::uint8_t* squares = board->squares;
    if (onBoard(sq + 15) && squares[sq + 15] == BLACK_PAWN) return 1;
    if (onBoard(sq + 17) && squares[sq + 17] == BLACK_PAWN) return 1;
    for (int i = 0; knightOffsetsBlack[i]; ++i) {
        int t = sq + knightOffsetsBlack[i];
        if (onBoard(t) && squares[t] == BLACK_KNIGHT) return 1;
    }
    for (int i = 0; diagonalOffsetsBlack[i]; ++i) {
        int d = diagonalOffsetsBlack[i];
        for (int t = sq + d; onBoard(t); t += d) {
            if (squares[t] == BLACK_BISHOP || squares[t] == BLACK_QUEEN) return 1;
            if (squares[t] != EMPTY) break;
        }
    }
    for (int i = 0; heavyOffsetsBlack[i]; ++i) {
        int d = heavyOffsetsBlack[i];
        for (int t = sq + d; onBoard(t); t += d) {
            if (squares[t] == BLACK_ROOK || squares[t] == BLACK_QUEEN) return 1;
            if (squares[t] != EMPTY) break;
        }
    }
    for (int i = 0; kingOffsetsBlack[i]; ++i) {
        int t = sq + kingOffsetsBlack[i];
        if (onBoard(t) && squares[t] == BLACK_KING) return 1;
    }
    return 0;
}
