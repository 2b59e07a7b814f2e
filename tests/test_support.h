#pragma once
// Helpers shared by the test suites.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "board.h"
#include "hash.h"

using BoardPtr = std::unique_ptr<Board>;

// A board set up from the text, with its keys; fails the calling test when refused.
inline BoardPtr boardFromFen(const std::string& fen)
{
    initZobrist();
    BoardPtr board(newBoard());
    if (!setupFen(board.get(), fen.c_str())) return nullptr;
    getHashkey(board.get());
    return board;
}

// Two-letter name of an on-board square, for failure messages.
inline std::string squareName(int sq) { return std::string(sqString[sq].data(), 2); }

// Sanitized builds run far slower: deep searches and perfts are cut down there.
inline bool sanitizedRun() { return std::getenv("QUILLMAREN_SANITIZED") != nullptr; }

// The position with colours swapped and ranks mirrored (sq ^ 0x70), same legal content.
std::string flipFen(const std::string& fen);

// Runs `visit` on every position met along seeded random games: each start played `games`
// times for up to `plies` half-moves, keys kept up to date.
void forRandomGames(std::initializer_list<const char*> starts, int games, int plies,
                    std::uint64_t seed, const std::function<void(Board*)>& visit);
