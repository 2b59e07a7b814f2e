// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a UCI GUI's whole conversation, read by the UCI loop
// in-process until their end. Searches are held shallow so that each input runs quickly.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "hash.h"
#include "input.h"
#include "search.h"
#include "uci.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    searchDepthCap = 2;
    initZobrist();
    initHashtable(1 << 12);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The table's size follows the input; the sanitizers' allocator is not the subject here.
    for (std::size_t i = 0; i + 3 < size; ++i)
        if (!strncasecmp(reinterpret_cast<const char*>(data) + i, "hash", 4)) return 0;
    setInputText(reinterpret_cast<const char*>(data), int(size));
    uciLoop();
    return 0;
}
