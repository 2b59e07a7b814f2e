// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as the GUI's input, handled in-process by the
// protocol loop. The engine's turn is held to a shallow search so that each input runs in
// milliseconds; the board must stay consistent whatever arrives, and the game it keeps
// must replay from its first position.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "hash.h"
#include "history.h"
#include "input.h"
#include "search.h"
#include "xboard.h"

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

Board* board;
LoopState state;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The protocol's output is not looked at; keep the fuzzer's own output readable.
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    searchDepthCap = 2;
    initZobrist();
    initHashtable(1 << 12);
    clearHashtable(hashSize);
    board = newBoard();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Each input is one session: a fresh game, then its lines.
    setupFen(board, initialPosition);
    getHashkey(board);
    initLoopState(&state, 0);
    clearHistoryHeuristic();
    clearKillerMove();
    // Table sizes and thread counts are not the subject: the sanitizers' allocator would be.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.find("memory") != text.npos || text.find("cores") != text.npos) return 0;
    // Read as the engine reads its input, so that an analysis polls the lines after it.
    setInputText(text.data(), int(std::min<std::size_t>(size, 1 << 20)));
    char line[LINE_SIZE];
    for (int got; (got = readInputLine(line, LINE_SIZE)) >= 0;) {
        if (got > 0 && !handleLine(board, &state, line)) break;
        require(boardIsOk(board));
        require(board->gamePly <= std::uint32_t(MAX_GAME_PLY) && board->ply == 0);
    }
    return 0;
}
