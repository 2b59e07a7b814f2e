// libFuzzer target: arbitrary bytes as the GUI's input lines, handled in-process by the
// protocol loop. The engine's turn is held to a shallow search so that each input runs in
// milliseconds; the board must stay consistent whatever arrives, and the game it keeps
// must replay from its first position.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "debug.h"
#include "hash.h"
#include "interface.h"
#include "search.h"

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
    char line[LINE_SIZE + 8];
    std::size_t start = 0;
    while (start < size) {
        std::size_t end = start;
        while (end < size && data[end] != '\n') ++end;
        const std::size_t length = end - start + (end < size ? 1 : 0);
        if (length < sizeof line) {
            std::memcpy(line, data + start, length);
            line[length] = '\0';
            if (!handleLine(board, &state, line)) break;
        }
        require(boardIsOk(board));
        require(board->gamePly <= std::uint32_t(MAX_GAME_PLY) && board->ply == 0);
        start = end + 1;
    }
    return 0;
}
