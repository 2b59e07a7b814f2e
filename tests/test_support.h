// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers shared by the test suites.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board.h"
#include "hash.h"

using BoardPtr = std::unique_ptr<Board>;

// A board set up from the text, with its keys; a failure and null when refused.
inline BoardPtr boardFromFen(const std::string& fen)
{
    initZobrist();
    BoardPtr board(newBoard());
    if (!setupFen(board.get(), fen.c_str())) {
        ADD_FAILURE() << "refused: " << fen;
        return nullptr;
    }
    getHashkey(board.get());
    return board;
}

// Two-letter name of an on-board square, for failure messages.
inline std::string squareName(int sq) { return std::string(sqString[sq].data(), 2); }

// Sanitized builds run far slower: deep searches and perfts are cut down there.
inline bool sanitizedRun() { return std::getenv("QUILLMAREN_SANITIZED") != nullptr; }

// Everything make/unmake must restore, keys included; laid out without padding.
struct Snapshot {
    std::uint64_t hashKey, hashKey2;
    std::uint32_t ply, gamePly, castlingRights;
    std::int32_t material;
    std::uint8_t sideToMove, epSquare, pieceCount[2], kingSquare[2], pieceListLength[2];
    std::uint8_t squares[128];
    std::uint8_t occupiedIndex[128];  // pieceIndex is stale on empty squares
    PieceEntry pieceList[2][24];
};
Snapshot snap(const Board* b);
inline bool operator==(const Snapshot& a, const Snapshot& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string moveText(const Move& m);
std::vector<std::string> moveTexts(const Move* moves, int n);
// The legal (or with legal 0 pseudo-legal) move written as text (e2e4, e7e8q), or NO_MOVE.
Move legalMove(Board* board, const std::string& text, std::uint8_t legal = 1);
// Plays moves written with or without blanks between them (e2e4 e7e5, e2e4e7e5) as the
// protocol loop does: recorded in gameMoves, made, keyed, check set. False at the first one
// that is not legal; *played counts those made before.
bool play(Board* board, const std::string& moves, int* played = nullptr);

// Runs `visit` on every position met along seeded random games: openings, middlegames and
// endings with batteries, pins, promotions and kings on the edges, each played `games` times
// for up to `plies` half-moves, keys kept up to date.
void forRandomGames(int games, int plies, std::uint64_t seed, const std::function<void(Board*)>& visit);

// Runs the shell command; its exit status (-1 when it did not exit) and standard output
// (kept when out is given).
int runCommand(const std::string& command, std::string* out);
// The same for quillmaren-tool with these arguments, standard error discarded.
int runTool(const std::string& args, std::string* out);
