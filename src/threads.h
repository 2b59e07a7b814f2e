// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

#include "board.h"
#include "search.h"

// The search threads of a parallel search. Every thread searches the same root; all share
// the transposition table and nothing else. What one thread owns: its Board (the position
// it walks, its move lists and stored line) and its thread_local search state (killers,
// history, node and abort counters, scratch line, evaluation cache and scratch). The main
// thread, the one that calls parallelSearch, alone owns the clock, reads the input, reports
// and answers; helpers only fill the table, each skipping other depths, and stop when told.

// The WebAssembly build without threads (for pages that are not cross-origin isolated) has no
// way to start one: it searches alone.
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr int MAX_SEARCH_THREADS = 1;
#else
constexpr int MAX_SEARCH_THREADS = 256;
#endif

// The pool's record of a helper: created once, reused by every search.
struct SearchThread {
    int index;        // 1, 2, ...: the main thread is 0 and has no record
    Board* board;     // its own; the root is copied into it at each search
    HelperLink link;  // its node count and the pool's stop order
    std::uint64_t searchesStarted;  // the last search it was woken for
    std::thread thread;
};

// Sets how many threads search (1: the calling thread alone), clamped to
// 1..MAX_SEARCH_THREADS. Only while no search runs: helpers are created or ended here.
void setSearchThreads(int count);
int searchThreadCount();
// searchWithLimits on the calling thread while the helpers search the same root. When it
// returns the helpers are told to stop, so that the move can be given at once; call
// waitForHelpers() before the table is touched or the helpers' counts are read. With one
// thread it is searchWithLimits.
int parallelSearch(Board* board, Move* result, const SearchLimits* limits);
void waitForHelpers();
// Nodes the helpers of the running or last search have published (0 with one thread).
std::int64_t helperNodes();
