#pragma once
#include <array>
#include <cstdint>

#include "board.h"

// Zero-terminated offset lists. Each black table mirrors the white one across the middle
// of the board, so the two colours generate in mirror-image order.
inline constexpr std::array<std::int32_t, 9> knightOffsetsWhite = {31, 33, 18, 14, -18, -14, -31, -33, 0};
inline constexpr std::array<std::int32_t, 9> knightOffsetsBlack = {-31, -33, -18, -14, 18, 14, 31, 33, 0};
inline constexpr std::array<std::int32_t, 5> diagonalOffsetsWhite = {15, 17, -15, -17, 0};
inline constexpr std::array<std::int32_t, 5> diagonalOffsetsBlack = {-15, -17, 15, 17, 0};
inline constexpr std::array<std::int32_t, 5> heavyOffsetsWhite = {1, -1, 16, -16, 0};
inline constexpr std::array<std::int32_t, 5> heavyOffsetsBlack = {1, -1, -16, 16, 0};
inline constexpr std::array<std::int32_t, 9> kingOffsetsWhite = {1, -1, -15, -16, -17, 15, 16, 17, 0};
inline constexpr std::array<std::int32_t, 9> kingOffsetsBlack = {1, -1, 15, 16, 17, -15, -16, -17, 0};
static_assert(knightOffsetsWhite.back() == 0 && diagonalOffsetsBlack.back() == 0
              && heavyOffsetsBlack.back() == 0 && kingOffsetsBlack.back() == 0);

int isAttackedSquareWhite(const Board* board, int sq);
int isAttackedSquareBlack(const Board* board, int sq);
inline int isAttackedSimple(const Board* board, int sq, int byBlack)
{
    return byBlack ? isAttackedSquareBlack(board, sq) : isAttackedSquareWhite(board, sq);
}
