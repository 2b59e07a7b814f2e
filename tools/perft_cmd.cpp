// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <memory>

#include "debug.h"
#include "movegen.h"
#include "tool.h"
#include "utils.h"

namespace {

constexpr int PERFT_MAX_DEPTH = 20;

// Leaf nodes at depth >= 1 below the current position.
std::uint64_t leaves(Board* board, int depth)
{
    std::uint64_t nodes = 0;
    debugPerft(board, std::uint8_t(depth - 1), &nodes);
    return nodes;
}

void printSpeed(std::uint64_t nodes, std::int64_t ms)
{
    const double nps = ms > 0 ? double(nodes) * 1000.0 / double(ms) : 0.0;
    std::printf("time %lld ms, %.0f nodes per second\n", static_cast<long long>(ms), nps);
}

}  // namespace

int toolPerft(int argc, char** argv)
{
    int depth = 0;
    if (argc != 2 || !readWholeNumber(argv[1], 1, PERFT_MAX_DEPTH, &depth))
        return toolUsage("usage: perft \"<FEN>\" <depth 1..20>");
    std::unique_ptr<Board> board(toolBoard(argv[0]));
    if (!board) return 2;
    const std::int64_t start = timer();
    const std::uint64_t nodes = leaves(board.get(), depth);
    printSpeed(nodes, timer() - start);
    std::printf("nodes %llu\n", static_cast<unsigned long long>(nodes));
    return 0;
}

int toolDivide(int argc, char** argv)
{
    int depth = 0;
    if (argc != 2 || !readWholeNumber(argv[1], 1, PERFT_MAX_DEPTH, &depth))
        return toolUsage("usage: divide \"<FEN>\" <depth 1..20>");
    std::unique_ptr<Board> board(toolBoard(argv[0]));
    if (!board) return 2;
    Move moves[MAX_MOVES];
    const int n = generateMoves(board.get(), moves, 1);
    std::uint64_t total = 0;
    char text[8];
    const std::int64_t start = timer();
    for (int i = 0; i < n; ++i) {
        makeMove(board.get(), &moves[i]);
        const std::uint64_t nodes = depth == 1 ? 1 : leaves(board.get(), depth - 1);
        unmakeMove(board.get(), &moves[i]);
        total += nodes;
        std::printf("%s: %llu\n", moveToText(board.get(), &moves[i], text), static_cast<unsigned long long>(nodes));
    }
    printSpeed(total, timer() - start);
    std::printf("nodes %llu\n", static_cast<unsigned long long>(total));
    return 0;
}
