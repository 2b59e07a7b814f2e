#include <cstdio>

#include "hash.h"
#include "tool.h"

void toolInit() { initZobrist(); }

Board* toolBoard(const char* fen)
{
    Board* board = newBoard();
    if (!setupFen(board, fen)) {
        std::fprintf(stderr, "quillmaren-tool: position refused: %s\n", fen);
        delete board;
        return nullptr;
    }
    getHashkey(board);
    return board;
}

int toolUsage(const char* message)
{
    std::fprintf(stderr, "quillmaren-tool: %s\n", message);
    return 2;
}
