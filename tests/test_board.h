#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board.h"
#include "hash.h"

// A board set up from the text, keys included; the text must be accepted.
inline std::unique_ptr<Board> boardFromFen(const char* fen)
{
    initZobrist();
    std::unique_ptr<Board> board(newBoard());
    EXPECT_EQ(setupFen(board.get(), fen), 1) << fen;
    getHashkey(board.get());
    return board;
}

// Two-letter name of an on-board square, for failure messages.
inline std::string squareName(int sq) { return std::string(sqString[sq].data(), 2); }
