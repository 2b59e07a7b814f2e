// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers shared by the table, ordering and search tests.
#include "attack.h"
#include "history.h"
#include "movegen.h"
#include "movepick.h"
#include "search.h"
#include "test_support.h"

// A small table: clearing or touching the engine's full one would only cost time.
constexpr std::int32_t TEST_BUCKETS = 1 << 14;

// An empty table and empty heuristics, as the engine's turn leaves them.
inline void freshTables()
{
    if (hashSize != TEST_BUCKETS || !hashtable) initHashtable(TEST_BUCKETS);
    clearHashtable(hashSize);
    clearHistoryHeuristic();
    clearKillerMove();
}
