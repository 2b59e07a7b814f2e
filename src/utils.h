#pragma once
#include <cstdint>

// Square helpers on the 0x88 board: rank and file are counted from 1.
constexpr bool onBoard(int sq) { return (sq & 0x88) == 0; }
constexpr std::uint8_t file(int sq) { return std::uint8_t((sq & 7) + 1); }
constexpr std::uint8_t rank(int sq) { return std::uint8_t((sq >> 4) + 1); }
constexpr std::uint8_t dist(int a, int b)
{
    int dr = (a >> 4) - (b >> 4);
    int df = (a & 7) - (b & 7);
    dr = dr < 0 ? -dr : dr;
    df = df < 0 ? -df : df;
    return std::uint8_t(dr > df ? dr : df);
}

// Wall-clock milliseconds. Only differences of two readings are meaningful; the
// value is 64-bit so that it never overflows.
std::int64_t timer();

// Fixed-seed generator: the Zobrist keys come out the same on every run.
std::uint64_t rand64();
