// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstddef>
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

// For each square, the on-board targets of a jump list, in the list's order: the loops
// over knight jumps and king steps then need no edge test.
struct Jumps {
    std::uint8_t to[128][8];
    std::uint8_t count[128];
};

template <std::size_t N>
constexpr Jumps jumpsOf(const std::array<std::int32_t, N>& offsets)
{
    Jumps table{};
    for (int sq = 0; sq < 128; ++sq) {
        if (!onBoard(sq)) continue;
        int n = 0;
        for (int i = 0; offsets[i]; ++i)
            if (onBoard(sq + offsets[i])) table.to[sq][n++] = std::uint8_t(sq + offsets[i]);
        table.count[sq] = std::uint8_t(n);
    }
    return table;
}

inline constexpr Jumps knightJumpsWhite = jumpsOf(knightOffsetsWhite);
inline constexpr Jumps knightJumpsBlack = jumpsOf(knightOffsetsBlack);
inline constexpr Jumps kingStepsWhite = jumpsOf(kingOffsetsWhite);
inline constexpr Jumps kingStepsBlack = jumpsOf(kingOffsetsBlack);
static_assert(knightJumpsWhite.count[A1] == 2 && knightJumpsWhite.to[A1][0] == B3
              && knightJumpsBlack.to[A1][0] == C2 && kingStepsBlack.count[E4] == 8);

// For a 0x88 difference (target - origin + 119): the step that leads from origin to target
// along a line, or 0, and the kinds of man that attack along it.
constexpr std::uint8_t LINE_DIAGONAL = 1, LINE_STRAIGHT = 2, KNIGHT_JUMP = 4, KING_STEP = 8;
struct Geometry {
    std::array<std::int8_t, 239> step{};
    std::array<std::uint8_t, 239> kind{};
};
constexpr Geometry geometry = [] {
    Geometry g{};
    for (int dir : {15, 17, -15, -17, 1, -1, 16, -16}) {
        const bool diagonal = dir == 15 || dir == 17 || dir == -15 || dir == -17;
        for (int k = 1; k < 8; ++k) {
            g.step[dir * k + 119] = std::int8_t(dir);
            g.kind[dir * k + 119] |= diagonal ? LINE_DIAGONAL : LINE_STRAIGHT;
        }
        g.kind[dir + 119] |= KING_STEP;
    }
    for (int jump : {31, 33, 18, 14, -18, -14, -31, -33}) g.kind[jump + 119] |= KNIGHT_JUMP;
    return g;
}();
static_assert(geometry.step[A1 - H8 + 119] == -17 && geometry.kind[G1 - E2 + 119] == KNIGHT_JUMP);

int isAttackedSquareWhite(const Board* board, int sq);
int isAttackedSquareBlack(const Board* board, int sq);
inline int isAttackedSimple(const Board* board, int sq, int byBlack)
{
    return byBlack ? isAttackedSquareBlack(board, sq) : isAttackedSquareWhite(board, sq);
}
