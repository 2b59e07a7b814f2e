#pragma once
// Helpers shared by the test suites.
#include <cstdlib>
#include <memory>
#include <string>

#include "board.h"
#include "hash.h"

struct BoardDeleter {
    void operator()(Board* b) const { delete b; }
};
using BoardPtr = std::unique_ptr<Board, BoardDeleter>;

// A board set up from the text, with its keys; fails the calling test when refused.
inline BoardPtr boardFromFen(const std::string& fen)
{
    initZobrist();
    BoardPtr board(newBoard());
    if (!setupFen(board.get(), fen.c_str())) return nullptr;
    getHashkey(board.get());
    return board;
}

// Sanitized builds run far slower: deep searches and perfts are cut down there.
inline bool sanitizedRun() { return std::getenv("QUILLMAREN_SANITIZED") != nullptr; }

// The position with colours swapped and ranks mirrored (sq ^ 0x70), same legal content.
std::string flipFen(const std::string& fen);
