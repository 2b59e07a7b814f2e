// SPDX-License-Identifier: GPL-3.0-or-later
#include "see.h"

#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdlib>

#include "attack.h"

int seeEval(const Board* board) { return board->sideToMove ? -board->material : board->material; }

namespace {

// A side's lines in the order its attacker search walks them.
template <std::size_t N>
constexpr std::array<std::uint8_t, 4> linesInOrder(const std::array<std::int32_t, N>& offsets)
{
    return {std::uint8_t(lineOf(offsets[0])), std::uint8_t(lineOf(offsets[1])),
            std::uint8_t(lineOf(offsets[2])), std::uint8_t(lineOf(offsets[3]))};
}

// For each square, the on-board knight jumps to it (in the white order), each with its
// bit in either colour's jump order.
struct KnightJumps {
    std::uint8_t from[128][8];
    std::uint8_t bit[128][8][2];
    std::uint8_t count[128];
};

template <std::size_t N>
constexpr int jumpIndex(const std::array<std::int32_t, N>& offsets, std::int32_t offset)
{
    int i = 0;
    while (offsets[i] != offset) ++i;
    return i;
}

constexpr KnightJumps knightJumps = [] {
    KnightJumps table{};
    for (int sq = 0; sq < 128; ++sq) {
        if (!onBoard(sq)) continue;
        int n = 0;
        for (int i = 0; knightOffsetsWhite[i]; ++i) {
            const int offset = knightOffsetsWhite[i];
            if (!onBoard(sq + offset)) continue;
            table.from[sq][n] = std::uint8_t(sq + offset);
            table.bit[sq][n][0] = std::uint8_t(1u << jumpIndex(knightOffsetsWhite, offset));
            table.bit[sq][n][1] = std::uint8_t(1u << jumpIndex(knightOffsetsBlack, offset));
            ++n;
        }
        table.count[sq] = std::uint8_t(n);
    }
    return table;
}();
static_assert(knightJumps.count[A1] == 2 && knightJumps.from[A1][0] == B3
              && knightJumps.bit[A1][0][0] == 2 && knightJumps.bit[A1][0][1] == 128);

// Codes of the knights, as bits: (KNIGHT_CODES >> code) & 1 says whether a code is one.
constexpr unsigned KNIGHT_CODES = 1u << WHITE_KNIGHT | 1u << BLACK_KNIGHT;

struct SeeBlack;

// The colour-specific facts of the attacker search; one body serves both colours.
struct SeeWhite {
    using Enemy = SeeBlack;
    static constexpr int side = 0, promotionRank = 8;
    static constexpr std::uint8_t pawn = WHITE_PAWN, knight = WHITE_KNIGHT, bishop = WHITE_BISHOP,
                                  rook = WHITE_ROOK, queen = WHITE_QUEEN, king = WHITE_KING;
    static constexpr int pawnFirst = -15, pawnSecond = -17;
    static constexpr const std::int32_t* knightOffsets = knightOffsetsWhite.data();
    static constexpr std::array<std::uint8_t, 4> diagonalLines = linesInOrder(diagonalOffsetsWhite);
    static constexpr std::array<std::uint8_t, 4> heavyLines = linesInOrder(heavyOffsetsWhite);
};

struct SeeBlack {
    using Enemy = SeeWhite;
    static constexpr int side = 1, promotionRank = 1;
    static constexpr std::uint8_t pawn = BLACK_PAWN, knight = BLACK_KNIGHT, bishop = BLACK_BISHOP,
                                  rook = BLACK_ROOK, queen = BLACK_QUEEN, king = BLACK_KING;
    static constexpr int pawnFirst = 17, pawnSecond = 15;
    static constexpr const std::int32_t* knightOffsets = knightOffsetsBlack.data();
    static constexpr std::array<std::uint8_t, 4> diagonalLines = linesInOrder(diagonalOffsetsBlack);
    static constexpr std::array<std::uint8_t, 4> heavyLines = linesInOrder(heavyOffsetsBlack);
};

// The exchange below plays its captures on the bare squares instead of making full moves.
// It visits the same captures in the same order as an alpha-beta search over generated
// lists of the captures onto the square would (cheapest attacker first, ties in generation
// order, a promotion as queen, rook, bishop, knight), so every value and cut comes out the
// same.
struct Capture {
    std::uint8_t from;
    std::uint8_t promotion;  // EMPTY when the capture does not promote
};

// One square has at most 2 pawns x 4 promotions, 8 knights, 4 + 4 sliders and a king.
constexpr int MAX_CAPTURES = 32;

// The first man on each line seen from the square and his code (OFF_BOARD where there is
// none). Only the square itself changes hands and every other square only empties, so a
// line changes only when its first man takes, and then the next man behind it steps up.
struct Fronts {
    std::uint8_t at[8];
    std::uint8_t code[8];
};

// What stays the same in every node of one exchange.
struct Exchange {
    std::uint8_t* squares;
    int square;
    const std::uint8_t* kings;
    std::uint8_t knights[2];  // by colour: the knights a jump away at the start, as bits of
                              // the colour's jump order
    std::uint8_t lastTaken;  // the last capture played, as makeMove would have left it
};

template <typename S>
int capturesInOrder(const Exchange* x, const Fronts* fronts, Capture* out)
{
    const std::uint8_t* squares = x->squares;
    const int square = x->square;
    int n = 0;
    // A pawn takes from beside the square, so it is the first man on its line.
    for (int step : {S::pawnFirst, S::pawnSecond}) {
        const int r = lineOf(step);
        if (fronts->code[r] != S::pawn || fronts->at[r] != square + step) continue;
        if (rank(square) == S::promotionRank) {
            for (int k = 0; k < 4; ++k)
                out[n++] = {std::uint8_t(square + step), std::uint8_t(S::queen - k)};
        } else {
            out[n++] = {std::uint8_t(square + step), EMPTY};
        }
    }
    for (unsigned left = x->knights[S::side]; left; left &= left - 1) {
        const int from = square + S::knightOffsets[std::countr_zero(left)];
        if (squares[from] == S::knight) out[n++] = {std::uint8_t(from), EMPTY};
    }
    // Queens are found among the bishops and rooks but cost more than both: they wait.
    Capture queens[8];
    int q = 0;
    auto slide = [&](const std::array<std::uint8_t, 4>& order, std::uint8_t slider) {
        for (int r : order) {
            const int code = fronts->code[r];
            if (code == slider) out[n++] = {fronts->at[r], EMPTY};
            else if (code == S::queen) queens[q++] = {fronts->at[r], EMPTY};
        }
    };
    slide(S::diagonalLines, S::bishop);
    slide(S::heavyLines, S::rook);
    for (int i = 0; i < q; ++i) out[n++] = queens[i];
    // A side has one king (none once taken), and it stays put for the whole exchange: a
    // king that captures onto the square ends the exchange before its side moves again.
    const int king = x->kings[S::side];
    if (distOnBoard(king, square) == 1 && squares[king] == S::king)
        out[n++] = {std::uint8_t(king), EMPTY};
    return n;
}

// material: what has changed hands so far, signed like pieceValues.
template <typename S>
int exchange(Exchange* x, const Fronts* fronts, int alpha, int beta, int material)
{
    const int standPat = S::side ? material : -material;
    if (standPat >= beta) return beta;
    if (standPat > alpha) alpha = standPat;

    Capture captures[MAX_CAPTURES];
    const int n = capturesInOrder<S>(x, fronts, captures);
    if (n == 0) return alpha;
    std::uint8_t* squares = x->squares;
    const int square = x->square;
    const std::uint8_t victim = squares[square];
    // The previous capture left a king en prise: that line is illegal.
    if (victim == WHITE_KING || victim == BLACK_KING) return 32000;

    for (int i = 0; i < n; ++i) {
        const Capture c = captures[i];
        const std::uint8_t mover = squares[c.from];
        const int gained = pieceValues[victim] - pieceValues[c.promotion];
        squares[square] = c.promotion == EMPTY ? mover : c.promotion;
        squares[c.from] = EMPTY;
        x->lastTaken = victim;
        Fronts next = *fronts;
        const int r = lineByDelta[c.from - square + 119];
        if (r != NO_LINE) {
            int t = c.from + lineSteps[r];
            while (onBoard(t) && squares[t] == EMPTY) t += lineSteps[r];
            next.at[r] = std::uint8_t(t);
            next.code[r] = onBoard(t) ? squares[t] : std::uint8_t(OFF_BOARD);
        }
        const int v = -exchange<typename S::Enemy>(x, &next, -beta, -alpha, material + gained);
        squares[c.from] = mover;
        squares[square] = victim;
        if (v >= beta) return beta;
        if (v > alpha) alpha = v;
    }
    return alpha;
}

// The exchange that answers a move already on the squares, by the side not making it;
// occupied: the squares' men.
int answer(Exchange* x, int moverIsBlack, int material, int alpha, std::uint64_t occupied)
{
    const std::uint8_t* squares = x->squares;
    const int square = x->square;
    Fronts fronts;
    assert(squares[LINE_END] == OFF_BOARD);
    for (int r = 0; r < 8; ++r) {
        fronts.at[r] = std::uint8_t(firstOnLine(square, r, occupied));
        fronts.code[r] = squares[fronts.at[r]];
    }
    const int jumps = knightJumps.count[square];
    unsigned near = 0;
    for (int k = 0; k < jumps; ++k) near |= KNIGHT_CODES >> squares[knightJumps.from[square][k]];
    x->knights[0] = x->knights[1] = 0;
    if (near & 1) {
        for (int k = 0; k < jumps; ++k) {
            const int code = squares[knightJumps.from[square][k]];
            if (code == WHITE_KNIGHT) x->knights[0] |= knightJumps.bit[square][k][0];
            if (code == BLACK_KNIGHT) x->knights[1] |= knightJumps.bit[square][k][1];
        }
    }
    return moverIsBlack ? exchange<SeeWhite>(x, &fronts, alpha, 32000, material)
                        : exchange<SeeBlack>(x, &fronts, alpha, 32000, material);
}

}  // namespace

int see(Board* board, Move* m)
{
    constexpr std::uint8_t NONE_TAKEN = 0xff;
    const int material = pieceValues[m->captured];
    const int alpha = -std::abs(material);
    std::uint8_t* squares = board->squares;
    const int from = m->from, to = m->to;
    const int side = board->sideToMove;
    Exchange x;
    x.squares = squares;
    x.square = to;
    x.lastTaken = NONE_TAKEN;
    int r;
    if (m->flags & (FLAG_CASTLE | FLAG_ENPASSANT | FLAG_PROMOTION)) {
        makeMove(board, m);
        x.kings = board->kingSquare;
        r = answer(&x, side, material, alpha, board->occupied);
        unmakeMove(board, m);
    } else {
        // A plain move touches two squares, and the exchange reads nothing else but the
        // kings' squares. What makeMove leaves behind that outlives the exchange is kept:
        // the undo fields of the move, the history slot above the game and the last-capture
        // fields.
        m->oldCastling = std::uint8_t(board->castlingRights);
        m->oldEnPassant = board->epSquare;
        if (m->flags & FLAG_CAPTURE) m->capturedIndex = board->pieceIndex[to];
        board->hashHistory[board->gamePly + 1] = board->hashKey;
        board->lastCaptureSquare = (m->flags & FLAG_CAPTURE) ? std::uint8_t(to) : NO_SQUARE;
        board->lastCapturedPiece = (m->flags & FLAG_CAPTURE) ? m->captured : std::uint8_t(EMPTY);

        const std::uint8_t mover = squares[from], target = squares[to];
        std::uint8_t kings[2] = {board->kingSquare[0], board->kingSquare[1]};
        if (mover == WHITE_KING || mover == BLACK_KING) kings[mover > EMPTY] = std::uint8_t(to);
        x.kings = kings;
        squares[to] = mover;
        squares[from] = EMPTY;
        r = answer(&x, side, material, alpha, (board->occupied & ~squareBit(from)) | squareBit(to));
        squares[from] = mover;
        squares[to] = target;
    }
    if (x.lastTaken != NONE_TAKEN) {
        board->lastCaptureSquare = std::uint8_t(to);
        board->lastCapturedPiece = x.lastTaken;
    }
    return -r;
}
