// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <memory>

#include "display.h"
#include "tool.h"

int toolShow(int argc, char** argv)
{
    if (argc != 1) return toolUsage("usage: show \"<FEN>\"");
    std::unique_ptr<Board> board(toolBoard(argv[0]));
    if (!board) return 2;
    displayBoard(board.get());
    std::fflush(stdout);
    return 0;
}
