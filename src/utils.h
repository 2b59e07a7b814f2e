// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// Square helpers on the 0x88 board: rank and file are counted from 1.
constexpr bool onBoard(int sq) { return (sq & 0x88) == 0; }
constexpr std::uint8_t file(int sq) { return std::uint8_t((sq & 7) + 1); }
constexpr std::uint8_t rank(int sq) { return std::uint8_t((sq >> 4) + 1); }
// A square's bit in a 64-bit set of squares (a1 = bit 0, h8 = bit 63), and back.
constexpr std::uint64_t squareBit(int sq) { return std::uint64_t(1) << ((sq + (sq & 7)) >> 1); }
constexpr int squareOfBit(int bit) { return bit + (bit & 0x38); }
static_assert(squareBit(0x77) == std::uint64_t(1) << 63 && squareOfBit(63) == 0x77);
constexpr std::uint8_t dist(int a, int b)
{
    int dr = (a >> 4) - (b >> 4);
    int df = (a & 7) - (b & 7);
    dr = dr < 0 ? -dr : dr;
    df = df < 0 ? -df : df;
    return std::uint8_t(dr > df ? dr : df);
}

// The same distance read by the 0x88 difference of two squares, which fixes both the rank
// and the file difference: one load instead of the arithmetic, for on-board squares only.
inline constexpr auto distByDelta = [] {
    struct { std::uint8_t at[239]; } table{};
    for (int a = 0; a < 128; ++a)
        for (int b = 0; b < 128; ++b)
            if (onBoard(a) && onBoard(b)) table.at[a - b + 119] = dist(a, b);
    return table;
}();
constexpr std::uint8_t distOnBoard(int a, int b) { return distByDelta.at[a - b + 119]; }
static_assert(distOnBoard(0, 119) == 7 && distOnBoard(0x34, 0x43) == 1 && distOnBoard(0x27, 0x20) == 7);

// Wall-clock milliseconds. Only differences of two readings are meaningful; the
// value is 64-bit so that it never overflows.
std::int64_t timer();

// A whole number from min to max written alone in text (a command-line argument).
bool readWholeNumber(const char* text, int min, int max, int* value);
// A whole number written alone in text (an option's value), held to +-2^40, far beyond any
// clock or size; false for anything else.
bool readInteger(const char* text, std::int64_t* value);
// The two texts are equal without regard to case (the protocols' option names and values).
bool sameText(const char* a, const char* b);

// Fixed-seed generator: the Zobrist keys come out the same on every run.
std::uint64_t rand64();
