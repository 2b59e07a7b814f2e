#pragma once
#include <cstdint>

#include "board.h"

// Zobrist keys. Cells used: [square][piece code] for men, [126][rights] for the castling
// rights (always part of the key), [square][15] for the en-passant square, and CHASH for
// black to move (the same value in both keys).
constexpr int CASTLING_ROW = 126;
constexpr int EP_INDEX = 15;

extern std::uint64_t randomTable[128][16];
extern std::uint64_t randomTable2[128][16];
extern std::uint64_t CHASH;

void initZobrist();
void getHashkey(Board* board);
void updateHashKey(Board* board, const Move* m);
// The key change of a null move, made or taken back, with the en-passant square it clears.
void toggleNullmoveKeys(Board* board, int oldEnPassant);
