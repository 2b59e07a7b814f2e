// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>

#include "board.h"

// Static evaluation in centipawns from the side to move's point of view.
int eval(const Board* board);

// ---------------------------------------------------------------------------------------
// Term breakdown, for tracing a score. Every amount is in favour of its side: the total
// from White's view is material + the sum of (white - black) over the terms + kingHalving.

enum EvalTerm : int {
    TERM_BALANCE,  // more pieces than the opponent
    TERM_DEVELOPMENT,  // minors still at home (middlegame)
    TERM_PAWN_PLACEMENT,  // centre, advance, support of minors and pawns
    TERM_PAWN_SQUARES,  // empty squares the pawns attack
    TERM_PAWN_THREATS,  // pieces attacked by pawns (last pawn's count)
    TERM_MINOR_CENTRE,  // knights and bishops on central squares
    TERM_MOBILITY,  // squares the pieces reach
    TERM_TRAPPED_BISHOP,
    TERM_BLOCKING_PAWN,  // bishop, rook or queen right in front of its own centre pawn
    TERM_SEVENTH_RANK,  // rooks and queens on the enemy's second rank
    TERM_QUEEN_NEAR_KING,
    TERM_OUTPOSTS,
    TERM_DOUBLED,
    TERM_ISOLATED,
    TERM_PASSED,
    TERM_BACKWARD,
    TERM_ROOK_FILES,  // rooks on open and half-open files
    TERM_CLOSED,  // knights in a position with many blocked pawns
    TERM_KING_ENDGAME,  // king towards the centre
    TERM_KING_ZONE,  // attacks on the squares around the enemy king
    TERM_KING_ATTACKERS,  // pieces close to the enemy king
    TERM_KING_OUTNUMBERED,  // attackers beyond the defenders
    TERM_KING_FILES,  // rooks on or beside the enemy king's file
    TERM_CASTLING,
    TERM_CASTLE_INTRUDER,  // enemy pawn or bishop on f3/h3 with g2 gone
    TERM_SHELTER_HOLES,
    TERM_KING_CENTRE,  // uncastled king in the centre
    TERM_COUNT
};

inline constexpr std::array<const char*, TERM_COUNT> evalTermNames = {
    "balance",
    "development",
    "pawn placement",
    "pawn squares",
    "pawn threats",
    "minor centre",
    "mobility",
    "trapped bishop",
    "blocking pawn",
    "seventh rank",
    "queen near king",
    "outposts",
    "doubled pawns",
    "isolated pawns",
    "passed pawns",
    "backward pawns",
    "rook files",
    "closed position",
    "king endgame",
    "king zone",
    "king attackers",
    "king outnumbered",
    "king files",
    "castling",
    "castle intruder",
    "shelter holes",
    "king centre",
};

struct EvalTerms {
    std::int32_t white[TERM_COUNT];
    std::int32_t black[TERM_COUNT];
    std::int32_t material;  // the board's balance, White minus Black
    std::int32_t kingHalving;  // what halving the middlegame king term took off
    std::int32_t total;  // White's view
    std::uint8_t drawn;  // a material draw: the score is 0 whatever the terms
    std::uint8_t endgame;
};

// The same score, with every term written to *terms when it is not null.
int eval(const Board* board, EvalTerms* terms);

// ---------------------------------------------------------------------------------------
// Tables. Square tables are indexed by 0x88 square; the grids below are written as a board
// is printed, rank 8 on top, and the 64 off-board indices hold 0.

using SquareTable = std::array<std::int32_t, 128>;
using Grid = std::array<std::int32_t, 64>;

constexpr SquareTable fromGrid(const Grid& grid)
{
    SquareTable table{};
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col) table[(7 - row) * 16 + col] = grid[row * 8 + col];
    return table;
}

// clang-format off
inline constexpr SquareTable castlingFlagsWhite = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 0, 0, 0, 0, 2, 2,
    1, 1, 1, 0, 0, 0, 2, 2,
});

inline constexpr SquareTable castlingFlagsBlack = fromGrid({
    1, 1, 1, 0, 0, 0, 2, 2,
    1, 1, 0, 0, 0, 0, 2, 2,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable centre = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 1, 2, 2, 1, 0, 0,
    0, 0, 1, 2, 2, 1, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable advancedCentre = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 1, 0, 0, 1, 0, 0,
    0, 0, 2, 3, 3, 2, 0, 0,
    0, 0, 3, 4, 4, 3, 0, 0,
    0, 0, 3, 4, 4, 3, 0, 0,
    0, 0, 2, 3, 3, 2, 0, 0,
    0, 0, 1, 0, 0, 1, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable border = fromGrid({
    3, 2, 2, 2, 2, 2, 2, 3,
    2, 1, 1, 1, 1, 1, 1, 2,
    2, 1, 0, 0, 0, 0, 1, 2,
    2, 1, 0, 0, 0, 0, 1, 2,
    2, 1, 0, 0, 0, 0, 1, 2,
    2, 1, 0, 0, 0, 0, 1, 2,
    2, 1, 1, 1, 1, 1, 1, 2,
    3, 2, 2, 2, 2, 2, 2, 3,
});

inline constexpr SquareTable outpostKnightWhite = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable outpostKnightBlack = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable importantSqPawnWhite = fromGrid({
    0, 3, 4, 5, 5, 4, 3, 0,
    0, 3, 4, 5, 5, 4, 3, 0,
    0, 1, 4, 5, 5, 4, 1, 0,
    0, 1, 3, 4, 4, 3, 1, 0,
    0, 0, 0, 1, 1, 0, 1, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable importantSqPawnBlack = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 0, 1, 0,
    0, 1, 3, 4, 4, 3, 1, 0,
    0, 1, 4, 5, 5, 4, 1, 0,
    0, 3, 4, 5, 5, 4, 3, 0,
    0, 3, 4, 5, 5, 4, 3, 0,
});

inline constexpr SquareTable importantSqKnightWhite = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 3, 3, 3, 3, 1, 0,
    0, 1, 3, 5, 5, 5, 1, 0,
    0, 1, 3, 4, 4, 3, 1, 0,
    0, 1, 2, 2, 2, 2, 1, 0,
    0, 1, 0, 1, 1, 0, 1, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable importantSqKnightBlack = fromGrid({
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 1, 0, 1, 1, 0, 1, 0,
    0, 1, 2, 2, 2, 2, 1, 0,
    0, 1, 3, 4, 4, 3, 1, 0,
    0, 1, 3, 5, 5, 5, 1, 0,
    0, 1, 3, 3, 3, 3, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
});

inline constexpr SquareTable importantSqBishopWhite = fromGrid({
    1, 0, 1, 0, 0, 1, 0, 1,
    0, 1, 1, 0, 0, 2, 1, 1,
    0, 0, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 1, 1, 0, 0, 0, 1, 0,
    1, 0, 0, 0, 0, 0, 0, 1,
});

inline constexpr SquareTable importantSqBishopBlack = fromGrid({
    1, 0, 0, 0, 0, 0, 0, 1,
    0, 1, 1, 0, 0, 0, 1, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 2, 2, 2, 1, 0,
    0, 0, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 0, 0, 1, 1, 1,
    1, 0, 1, 0, 0, 1, 0, 1,
});

inline constexpr SquareTable importantSqRookWhite = fromGrid({
    0, 0, 0, 1, 1, 0, 0, 0,
    2, 2, 3, 4, 4, 3, 2, 2,
    0, 0, 1, 1, 1, 1, 1, 0,
    0, 0, 1, 1, 1, 1, 1, 0,
    1, 0, 1, 1, 1, 1, 0, 1,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
});

inline constexpr SquareTable importantSqRookBlack = fromGrid({
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    1, 0, 1, 1, 1, 1, 0, 1,
    0, 0, 1, 1, 1, 1, 1, 0,
    0, 0, 1, 1, 1, 1, 1, 0,
    2, 2, 3, 4, 4, 3, 2, 2,
    0, 0, 0, 1, 1, 0, 0, 0,
});

inline constexpr SquareTable importantSqQueenWhite = fromGrid({
    0, 0, 1, 1, 1, 1, 0, 0,
    1, 1, 1, 1, 1, 1, 2, 2,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    1, 0, 1, 1, 1, 1, 0, 1,
    0, 0, 1, 1, 1, 1, 0, 0,
});

inline constexpr SquareTable importantSqQueenBlack = fromGrid({
    0, 0, 1, 1, 1, 1, 0, 0,
    1, 0, 1, 1, 1, 1, 0, 1,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 2, 2, 1, 1, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    1, 1, 1, 1, 1, 1, 2, 2,
    0, 0, 1, 1, 1, 1, 0, 0,
});
// clang-format on

// The grids land rank 8 first: a8 is index 112, h1 index 7.
static_assert(border[A8] == 3 && border[B8] == 2 && border[A1] == 3 && border[D4] == 0);
static_assert(
    castlingFlagsWhite[C1] == 1 && castlingFlagsWhite[C2] == 0 && castlingFlagsBlack[C8] == 1);
static_assert(importantSqPawnWhite[G4] == 1 && importantSqPawnBlack[G5] == 1);
static_assert(importantSqRookWhite[A4] == 1 && importantSqRookBlack[A5] == 1);
static_assert(importantSqBishopWhite[F7] == 2 && importantSqKnightWhite[F5] == 5);
static_assert(importantSqQueenWhite[G7] == 2 && importantSqQueenBlack[G2] == 2);
static_assert(centre[8] == 0 && advancedCentre[0x78] == 0 && importantSqQueenBlack[127] == 0);

// Indexed by the rank of a White pawn, 9 - rank for a Black one; scaled by 11.
inline constexpr std::array<std::int32_t, 9> passedPawnTable = {0, 1, 1, 1, 1, 5, 6, 8, 10};
inline constexpr std::array<std::int32_t, 9> bonusRankPawnW = {0, 0, 0, 1, 4, 6, 8, 10, 14};
inline constexpr std::array<std::int32_t, 9> bonusRankPawnB = {0, 14, 10, 8, 6, 4, 1, 0, 0};
// By the average distance of the pieces near the enemy king (1..3 in practice).
inline constexpr std::array<std::int32_t, 8> malusNearToKing = {-15, -10, -5, -3, -2, 0, 0, 0};
// By the count of attacks on the squares around the enemy king: every byte value is covered.
inline constexpr auto bonusKingThreat = [] {
    constexpr std::int32_t start[15] = {0, 3, 15, 20, 25, 30, 45, 60, 65, 70, 75, 80, 85, 90, 95};
    std::array<std::int32_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = i < 15 ? start[i] : 100;
    return table;
}();
static_assert(
    bonusKingThreat[14] == 95 && bonusKingThreat[15] == 100 && bonusKingThreat[255] == 100);

// Squares of enemy pieces already counted as attacked by a pawn of the side, as the pawn
// probes below mark them; their caller clears them. The evaluation keeps its own marks.
extern constinit thread_local std::uint8_t minorAttackersMapW[128];
extern constinit thread_local std::uint8_t minorAttackersMapB[128];

// ---------------------------------------------------------------------------------------
// Probes. The piece probes add up the table values of the squares a piece controls and add
// its hits on the squares next to the enemy king to *kingZone (never resetting it).

// Sum of the empty squares the pawn attacks; *count = enemy pieces (not pawns) it attacks
// that no earlier pawn of its side has counted.
int getImportantPawnSquaresWhite(const Board* board, int sq, std::uint8_t* count);
int getImportantPawnSquaresBlack(const Board* board, int sq, std::uint8_t* count);
int getImportantKnightSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone);
int getImportantKnightSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone);
int getImportantBishopSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone);
int getImportantBishopSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone);
int getImportantRookSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone);
int getImportantRookSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone);
int getImportantQueenSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone);
int getImportantQueenSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone);
// 1 when the bishop is shut in on a7/h7 (a2/h2) by an enemy pawn.
int bishopIsTrappedWhite(const Board* board, int sq);
int bishopIsTrappedBlack(const Board* board, int sq);
// 0 not castled, 1 queen side, 2 king side: by where the king stands and the corner rook
// having left, whatever the castling rights say.
int kingHasCastledWhite(const Board* board);
int kingHasCastledBlack(const Board* board);
// Holes in front of the king, or 0 when there are fewer than two.
int getPawnShelterKingWhite(const Board* board);
int getPawnShelterKingBlack(const Board* board);

inline int getImportantPawnSquares(const Board* board, int sq, std::uint8_t* count, int black)
{
    return black ? getImportantPawnSquaresBlack(board, sq, count)
                 : getImportantPawnSquaresWhite(board, sq, count);
}
inline int getImportantKnightSquares(const Board* board, int sq, std::uint8_t* kingZone, int black)
{
    return black ? getImportantKnightSquaresBlack(board, sq, kingZone)
                 : getImportantKnightSquaresWhite(board, sq, kingZone);
}
inline int getImportantBishopSquares(const Board* board, int sq, std::uint8_t* kingZone, int black)
{
    return black ? getImportantBishopSquaresBlack(board, sq, kingZone)
                 : getImportantBishopSquaresWhite(board, sq, kingZone);
}
inline int getImportantRookSquares(const Board* board, int sq, std::uint8_t* kingZone, int black)
{
    return black ? getImportantRookSquaresBlack(board, sq, kingZone)
                 : getImportantRookSquaresWhite(board, sq, kingZone);
}
inline int getImportantQueenSquares(const Board* board, int sq, std::uint8_t* kingZone, int black)
{
    return black ? getImportantQueenSquaresBlack(board, sq, kingZone)
                 : getImportantQueenSquaresWhite(board, sq, kingZone);
}
inline int bishopIsTrapped(const Board* board, int sq, int black)
{
    return black ? bishopIsTrappedBlack(board, sq) : bishopIsTrappedWhite(board, sq);
}
inline int kingHasCastled(const Board* board, int black)
{
    return black ? kingHasCastledBlack(board) : kingHasCastledWhite(board);
}
inline int getPawnShelterKing(const Board* board, int black)
{
    return black ? getPawnShelterKingBlack(board) : getPawnShelterKingWhite(board);
}
