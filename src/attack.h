// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <bit>
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

// The eight lines through a square: diagonals first, then ranks and files.
inline constexpr std::array<std::int32_t, 8> lineSteps = {15, 17, -15, -17, 1, -1, 16, -16};
constexpr int NO_LINE = 8;

constexpr int lineOf(std::int32_t step)
{
    int r = 0;
    while (r < NO_LINE && lineSteps[r] != step) ++r;
    return r;
}

// For a 0x88 difference (origin - square + 119): the line from the square to the origin.
inline constexpr auto lineByDelta = [] {
    std::array<std::uint8_t, 239> line{};
    for (int d = 0; d < 239; ++d)
        line[d] = geometry.step[d] ? std::uint8_t(lineOf(geometry.step[d])) : std::uint8_t(NO_LINE);
    return line;
}();
static_assert(lineByDelta[A1 - H8 + 119] == lineOf(-17) && lineByDelta[B1 - A3 + 119] == NO_LINE);

// For each square and line, the squares out to the edge as a set of squares (squareBit).
// A line's first man is its lowest bit where the line climbs (a positive step), its highest
// where it falls.
struct Rays {
    std::uint64_t at[128][8];
};
inline constexpr Rays rays = [] {
    Rays table{};
    for (int sq = 0; sq < 128; ++sq)
        for (int r = 0; r < 8; ++r)
            if (onBoard(sq))
                for (int t = sq + lineSteps[r]; onBoard(t); t += lineSteps[r])
                    table.at[sq][r] |= squareBit(t);
    return table;
}();
static_assert(rays.at[A1][lineOf(17)] == 0x8040201008040200 && rays.at[B2][lineOf(-17)] == 1);

// Where a line has no man: an off-board square, on which the board keeps OFF_BOARD.
constexpr std::uint8_t LINE_END = 0x08;
static_assert(!onBoard(LINE_END));

// By a line's first bit plus one (0 and 65 where the line is empty): its square.
inline constexpr auto squareAfterBit = [] {
    std::array<std::uint8_t, 66> table{};
    table[0] = table[65] = LINE_END;
    for (int bit = 0; bit < 64; ++bit) table[bit + 1] = std::uint8_t(squareOfBit(bit));
    return table;
}();

// The first man on line r from the square among the occupied squares (LINE_END when none):
// the walk over empty squares without its branch at every step.
inline int firstOnLine(int square, int r, std::uint64_t occupied)
{
    const std::uint64_t men = rays.at[square][r] & occupied;
    const int bit = lineSteps[r] > 0 ? std::countr_zero(men) : 63 - std::countl_zero(men);
    return squareAfterBit[bit + 1];
}

int isAttackedSquareWhite(const Board* board, int sq);
int isAttackedSquareBlack(const Board* board, int sq);
inline int isAttackedSimple(const Board* board, int sq, int byBlack)
{
    return byBlack ? isAttackedSquareBlack(board, sq) : isAttackedSquareWhite(board, sq);
}
