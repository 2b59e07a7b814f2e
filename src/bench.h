// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The bench: fixed-depth searches of fixed positions. Its node total is the engine's
// fingerprint, the same on every run and every build.

// Re-tune when the evaluation changes: the whole bench should take 5 to 20 seconds.
constexpr int BENCH_DEFAULT_DEPTH = 10;
constexpr int BENCH_MAX_DEPTH = 40;

extern const char* const benchPositions[];
extern const int benchPositionCount;

struct BenchResult {
    std::int64_t nodes;
    std::int64_t ms;
    std::int64_t nps;  // of every thread together; 0 when no time could be measured
    int refused;  // index of the first position that could not be set up, or -1
};

// A depth from 1 to BENCH_MAX_DEPTH, written as a whole number.
bool readBenchDepth(const char* text, int* depth);
// Searches each position to the depth from empty tables (allocating the default table if
// there is none yet) on that many threads, one line per position on standard output. Stops
// at a position that cannot be set up. The built-in positions go through the bench's own
// FEN reader (setupBenchFen), any other through the full one. With multiPv above 1 each
// depth finds that many best lines, to show what they cost.
BenchResult runBench(const char* const* fens, int count, int depth, int threads = 1, int multiPv = 1);
