// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>

#include "utils.h"

// clang-format off
enum Piece : std::uint8_t {
    OFF_BOARD = 0,
    WHITE_PAWN, WHITE_KNIGHT, WHITE_BISHOP, WHITE_ROOK, WHITE_QUEEN, WHITE_KING,
    EMPTY,  // 7, not 0: sliding loops run over EMPTY and stop at anything else
    BLACK_PAWN, BLACK_KNIGHT, BLACK_BISHOP, BLACK_ROOK, BLACK_QUEEN, BLACK_KING,
};
static_assert(BLACK_PAWN == WHITE_PAWN + 7 && BLACK_KING == 13);

enum Square : std::uint8_t {
    A1 =   0, B1, C1, D1, E1, F1, G1, H1,
    A2 =  16, B2, C2, D2, E2, F2, G2, H2,
    A3 =  32, B3, C3, D3, E3, F3, G3, H3,
    A4 =  48, B4, C4, D4, E4, F4, G4, H4,
    A5 =  64, B5, C5, D5, E5, F5, G5, H5,
    A6 =  80, B6, C6, D6, E6, F6, G6, H6,
    A7 =  96, B7, C7, D7, E7, F7, G7, H7,
    A8 = 112, B8, C8, D8, E8, F8, G8, H8,
};
// clang-format on
constexpr std::uint8_t NO_SQUARE = 127;

// Castling bits of Board::castlingRights.
constexpr std::uint32_t CASTLE_WHITE_SHORT = 1, CASTLE_WHITE_LONG = 2;
constexpr std::uint32_t CASTLE_BLACK_SHORT = 4, CASTLE_BLACK_LONG = 8;

// Move::flags bits.
constexpr std::uint8_t FLAG_MOVE = 1, FLAG_CAPTURE = 2, FLAG_CASTLE = 4, FLAG_ENPASSANT = 8,
                       FLAG_PROMOTION = 16;

// Material, move ordering and exchange evaluation all use these values.
inline constexpr std::array<std::int32_t, 16> pieceValues = {
    0, 100, 320, 345, 540, 1050, 10000, 0, -100, -320, -345, -540, -1050, -10000, 0, 0};

inline constexpr auto sqString = [] {
    std::array<std::array<char, 4>, 128> names{};
    for (int sq = 0; sq < 128; ++sq)
        names[sq] = onBoard(sq) ? std::array<char, 4>{char('a' + (sq & 7)), char('1' + (sq >> 4))}
                                : std::array<char, 4>{'E', 'R', 'R'};
    return names;
}();
static_assert(sqString[8][0] == 'E' && sqString[119][0] == 'h' && sqString[119][1] == '8');

constexpr bool isWhitePiece(int code) { return code >= WHITE_PAWN && code <= WHITE_KING; }
constexpr bool isBlackPiece(int code) { return code >= BLACK_PAWN && code <= BLACK_KING; }

// Capacities.
// A move list holds every pseudo-legal move of an accepted position: at most 16 men a side
// (the position reader refuses more), none with more than 27 targets (a queen; a pawn has
// 12 with promotions), and the king 8 steps plus 2 castlings: 15 x 27 + 10 = 415 < 512.
constexpr int MAX_MOVES = 512;
constexpr int MAX_PLY = 256;            // search plies: move lists, pv, killers
constexpr int MAX_GAME_PLY = 2048;      // the longest game the engine keeps
constexpr int HISTORY_SIZE = MAX_GAME_PLY + MAX_PLY + 1;

// The undo information of makeMove travels in the move itself.
struct Move {
    std::uint8_t from;
    std::uint8_t to;
    std::uint8_t flags;
    std::uint8_t captured;
    std::uint8_t capturedIndex;
    std::uint8_t promotion;
    std::uint8_t oldCastling;
    std::uint8_t oldEnPassant;
    std::uint8_t piece;
};
static_assert(sizeof(Move) == 9);

constexpr Move NO_MOVE = {NO_SQUARE, NO_SQUARE, 0, EMPTY, 0, EMPTY, 0, NO_SQUARE, EMPTY};

struct MoveList {
    Move moves[MAX_MOVES];  // first, so a list can stand for an array of moves
    std::int32_t score[MAX_MOVES];
    std::int32_t seeScore[MAX_MOVES];
    std::uint8_t picked[MAX_MOVES];
    // Nonzero while score[i] is only an upper bound: the exchange value is counted when the
    // selection first needs it (see movepick.h).
    std::uint8_t pending[MAX_MOVES];
    std::uint16_t count;
};

// Castling as the protocols write it: the king's own move (e1g1), the king taking its own
// rook (e1h1, Chess960 in UCI), or O-O and O-O-O (Chess960 in xboard).
enum CastlingStyle : std::uint8_t { CASTLING_KING_MOVE, CASTLING_KING_TAKES_ROOK, CASTLING_O_O };

// How the position reader takes the castling field: the letters KQkq for a king and rook on
// their home squares, quietly dropping the others; Chess960's fields as well (Shredder-FEN
// files, X-FEN letters for the outermost rook), refusing a letter that names no rook; or the
// Chess960 reading exactly when the field names a rook's file.
enum CastlingRead : std::uint8_t { CASTLING_STANDARD, CASTLING_CHESS960, CASTLING_BY_FIELD };

// One castling right, fixed when the position is set up: where its king and rook stand and
// go, the squares that must be empty (all between either man and its target, those two men
// aside) and those the enemy may not attack (the king's square, path and target), in the
// order they are tested.
struct CastlingPath {
    std::uint8_t king, rook, kingTo, rookTo;
    std::uint8_t emptyCount, safeCount;
    std::uint8_t mustBeEmpty[8];
    std::uint8_t mustBeSafe[8];
};

struct PieceEntry {
    std::uint8_t piece;
    std::uint8_t square;
    std::uint8_t alive;
};

struct Board {
    std::uint32_t ply;
    std::uint32_t gamePly;
    std::uint32_t castlingRights;
    std::uint32_t maxPly;
    std::uint8_t sideToMove;
    std::uint8_t squares[128];
    // The squares' men as a set of squares (squareBit): the exchange search and the check
    // tests find a line's first man in it.
    std::uint64_t occupied;
    std::uint8_t pieceIndex[128];
    PieceEntry pieceList[2][24];
    std::uint8_t pieceListLength[2];
    std::uint8_t kingSquare[2];
    std::uint8_t epSquare;
    std::uint8_t lastCaptureSquare;
    std::uint8_t lastCapturedPiece;
    std::uint8_t pieceCount[2];
    std::uint8_t inCheck;
    std::uint64_t hashKey;
    std::uint64_t hashKey2;
    std::int32_t material;
    // By right index (white short, white long, black short, black long; the index of the
    // bit in castlingRights), and the rights a move keeps when it leaves or lands on each
    // square. Set up with the position, constant through the game.
    CastlingPath castlingPaths[4];
    std::uint8_t castlingKept[128];
    std::uint8_t chess960;        // the castling field was read the Chess960 way
    CastlingStyle castlingStyle;  // chosen by the protocol; the position reader leaves it
    std::uint64_t hashHistory[HISTORY_SIZE];
    // By gamePly, as hashHistory: the half-moves since the last capture or pawn move (the
    // FEN's halfmove clock counts for the set-up position). The fifty-move rule reads it.
    std::uint16_t reversiblePlies[HISTORY_SIZE];
    std::int64_t rootMoveNodes[MAX_MOVES];
    Move hashMove;
    Move pv[MAX_PLY];
    Move gameMoves[MAX_GAME_PLY];
    MoveList moveLists[MAX_PLY];
};

inline constexpr const char* initialPosition =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The Board is a few megabytes: callers keep it on the heap.
Board* newBoard();

// The piece code of a FEN letter (PNBRQK white, pnbrqk black), EMPTY for anything else.
int pieceFromLetter(char c);

void clearBoard(Board* board);
// The FEN reader for every position a user gives: placement, side to move, castling, the
// en-passant square (when a pawn that has just passed stands behind it) and the halfmove
// clock, the castling field as `read` says. 1 when the text was accepted; a refused text
// leaves the Board as it was, and *problem (when given) says why. The caller computes the keys.
int setupFen(Board* board, const char* fen, CastlingRead read = CASTLING_STANDARD,
             const char** problem = nullptr);
// The bench's reader, for its own positions only: placement, side to move and castling,
// the en-passant square and the clocks ignored, as the bench's node count was taken.
int setupBenchFen(Board* board, const char* fen);

// Makes room in a full game record: the plies before the last capture or pawn move can
// never repeat, so they are dropped and the record starts just before that move (at worst
// only the last half of the record is kept, in a game that long without one). The Board's
// position, keys and counts are unchanged; gamePly and the history move down.
void dropOldGamePlies(Board* board);

// The castling right a castling move of the board's game uses.
inline const CastlingPath& castlingPathOf(const Board* board, const Move* m)
{
    return board->castlingPaths[(m->piece > EMPTY) * 2 + ((m->to & 7) < 4)];
}

void makeMove(Board* board, Move* m);
void unmakeMove(Board* board, Move* m);
void makeNullmove(Board* board, Move* m);
void unmakeNullmove(Board* board, Move* m);
void makeMoveSimple(Board* board, Move* m);
void unmakeMoveSimple(Board* board, Move* m);
int isLegalSimple(Board* board, Move* m);

// The redundant fields agree with the squares: lists, indices, king squares, counts,
// material. Asserted after every make and unmake in debug builds.
bool boardIsOk(const Board* board);

// Coordinate notation with the promotion letter (e2e4, e7e8q), castling as the king's move;
// buf holds at least 6 chars.
char* moveToString(const Move* m, char* buf);
// The same with castling written in the board's castlingStyle.
char* moveToText(const Board* board, const Move* m, char* buf);
