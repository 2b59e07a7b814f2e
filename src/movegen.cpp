// SPDX-License-Identifier: GPL-3.0-or-later
#include "movegen.h"

#include <bit>
#include <cstring>

#include "attack.h"

namespace {

// How a generator applies the legality filter. When the king is not in check, only a king
// move, an en-passant capture or a pinned man can expose the king; every other move is
// legal without the trial make, and a pinned man's move is legal exactly when it stays on
// the line of its pin. The moves and their order are the same either way.
enum FilterMode { FILTER_NONE, FILTER_ALL, FILTER_EXPOSING };
struct LegalFilter {
    FilterMode mode;
    int kingSq;
    int pinCount;                // FILTER_EXPOSING: our men pinned to the king
    std::uint8_t pinned[8];      // their squares
    std::int8_t pinStep[8];      // and the step from the king towards each
};

// One look outward from the king of the side to move: true when he is attacked (as
// isAttackedSimple says), else the men that stand alone between him and an enemy slider
// of the line's kind go into the filter as pinned.
bool kingAttackedOrPins(const Board* board, LegalFilter* filter)
{
    const std::uint8_t* squares = board->squares;
    const int side = board->sideToMove;
    const int king = filter->kingSq;
    const int enemy = side ? 0 : EMPTY;  // added to a white code gives the enemy's code
    for (int k = 0; k < knightJumpsWhite.count[king]; ++k)
        if (squares[knightJumpsWhite.to[king][k]] == WHITE_KNIGHT + enemy) return true;
    // The steps from the king towards an enemy pawn that attacks him.
    const int pawnFirst = side ? -15 : 15, pawnSecond = side ? -17 : 17;
    int n = 0;
    // Whether the line is attacked; a pin on it is noted.
    auto attackedAlong = [&](int step, bool diagonal) {
        int t = king + step;
        if (!onBoard(t)) return false;
        int code = squares[t];
        if (code == WHITE_KING + enemy
            || (diagonal && code == WHITE_PAWN + enemy && (step == pawnFirst || step == pawnSecond)))
            return true;
        while (code == EMPTY) {
            t += step;
            if (!onBoard(t)) return false;
            code = squares[t];
        }
        const int slider = (diagonal ? WHITE_BISHOP : WHITE_ROOK) + enemy;
        if (code == WHITE_QUEEN + enemy || code == slider) return true;
        if ((code > EMPTY) != (side != 0)) return false;  // an enemy man that does not attack
        const int own = t;
        t += step;
        while (onBoard(t) && squares[t] == EMPTY) t += step;
        if (onBoard(t) && (squares[t] == WHITE_QUEEN + enemy || squares[t] == slider)) {
            filter->pinned[n] = std::uint8_t(own);
            filter->pinStep[n] = std::int8_t(step);
            ++n;
        }
        return false;
    };
    if (attackedAlong(15, true) || attackedAlong(17, true) || attackedAlong(-15, true)
        || attackedAlong(-17, true) || attackedAlong(1, false) || attackedAlong(-1, false)
        || attackedAlong(16, false) || attackedAlong(-16, false))
        return true;
    filter->pinCount = n;
    return false;
}

LegalFilter makeFilter(const Board* board, std::uint8_t checkLegal)
{
    LegalFilter filter;
    filter.pinCount = 0;
    if (!checkLegal) {
        filter.mode = FILTER_NONE;
        filter.kingSq = 0;
        return filter;
    }
    filter.kingSq = board->kingSquare[board->sideToMove];
    filter.mode = kingAttackedOrPins(board, &filter) ? FILTER_ALL : FILTER_EXPOSING;
    return filter;
}

inline bool rejected(Board* board, Move* m, const LegalFilter& filter)
{
    if (filter.mode == FILTER_NONE) return false;
    if (filter.mode == FILTER_EXPOSING && m->from != filter.kingSq && !(m->flags & FLAG_ENPASSANT)) {
        for (int i = 0; i < filter.pinCount; ++i)
            if (filter.pinned[i] == m->from)
                return geometry.step[m->to - filter.kingSq + 119] != filter.pinStep[i];
        return false;
    }
    return !isLegalSimple(board, m);
}

// Writes from->to at m (four moves for a promotion), classified from the board, and
// returns how many of them the filter keeps.
inline int addMove(Board* board, Move* m, int from, int to, const LegalFilter& filter)
{
    const std::uint8_t piece = board->squares[from];
    const std::uint8_t target = board->squares[to];
    m->from = std::uint8_t(from);
    m->to = std::uint8_t(to);
    m->flags = FLAG_MOVE;
    m->promotion = EMPTY;
    m->piece = piece;
    m->captured = EMPTY;
    if (target != EMPTY) {
        m->flags |= FLAG_CAPTURE;
        m->captured = target;
    }
    const bool whitePawn = piece == WHITE_PAWN, blackPawn = piece == BLACK_PAWN;
    if ((whitePawn || blackPawn) && to == board->epSquare) {
        m->flags |= FLAG_CAPTURE | FLAG_ENPASSANT;
        m->captured = board->squares[whitePawn ? to - 16 : to + 16];
    } else if ((whitePawn && rank(to) == 8) || (blackPawn && rank(to) == 1)) {
        // The verdict on the queen stands for all four: they differ only in the piece.
        m->flags |= FLAG_PROMOTION;
        m->promotion = whitePawn ? WHITE_QUEEN : BLACK_QUEEN;
        if (rejected(board, m, filter)) return 0;
        const std::uint8_t under[3] = {std::uint8_t(m->promotion - 1),
                                       std::uint8_t(m->promotion - 2),
                                       std::uint8_t(m->promotion - 3)};
        for (int i = 0; i < 3; ++i) {
            m[1 + i] = *m;
            m[1 + i].promotion = under[i];
        }
        return 4;
    }
    return rejected(board, m, filter) ? 0 : 1;
}

// A knight, bishop, rook or queen move, or a king step, whose target is known: the same
// fields as addMove would fill for these men, with nothing to classify. The undo fields
// are left to makeMove.
inline void putPieceMove(Move* m, int from, int to, int piece, std::uint8_t captured)
{
    const std::uint8_t flags = captured == EMPTY ? FLAG_MOVE : FLAG_MOVE | FLAG_CAPTURE;
    if constexpr (std::endian::native == std::endian::little) {
        // The four leading fields in one store.
        static_assert(offsetof(Move, from) == 0 && offsetof(Move, to) == 1
                      && offsetof(Move, flags) == 2 && offsetof(Move, captured) == 3);
        const std::uint32_t head = std::uint32_t(from) | std::uint32_t(to) << 8
                                 | std::uint32_t(flags) << 16 | std::uint32_t(captured) << 24;
        std::memcpy(m, &head, sizeof head);
    } else {
        m->from = std::uint8_t(from);
        m->to = std::uint8_t(to);
        m->flags = flags;
        m->captured = captured;
    }
    m->promotion = EMPTY;
    m->piece = std::uint8_t(piece);
}

// Per-colour facts, so that one body serves both colours line for line.
struct WhiteSide {
    static constexpr int side = 0;
    static constexpr std::uint8_t pawn = WHITE_PAWN, knight = WHITE_KNIGHT,
                                  bishop = WHITE_BISHOP, rook = WHITE_ROOK,
                                  queen = WHITE_QUEEN, king = WHITE_KING;
    static constexpr int up = 16, captureFirst = 17, captureSecond = 15, doubleRank = 2;
    static constexpr const std::int32_t* diagonalOffsets = diagonalOffsetsWhite.data();
    static constexpr const std::int32_t* heavyOffsets = heavyOffsetsWhite.data();
    static constexpr const Jumps* knightJumps = &knightJumpsWhite;
    static constexpr const Jumps* kingSteps = &kingStepsWhite;
    static constexpr std::uint32_t shortRight = CASTLE_WHITE_SHORT, longRight = CASTLE_WHITE_LONG;
    // a target that is empty or holds an enemy man (off-board squares are tested first)
    static constexpr bool open(int code) { return code > WHITE_KING; }
    static constexpr bool enemy(int code) { return code > EMPTY; }
};

struct BlackSide {
    static constexpr int side = 1;
    static constexpr std::uint8_t pawn = BLACK_PAWN, knight = BLACK_KNIGHT,
                                  bishop = BLACK_BISHOP, rook = BLACK_ROOK,
                                  queen = BLACK_QUEEN, king = BLACK_KING;
    static constexpr int up = -16, captureFirst = -15, captureSecond = -17, doubleRank = 7;
    static constexpr const std::int32_t* diagonalOffsets = diagonalOffsetsBlack.data();
    static constexpr const std::int32_t* heavyOffsets = heavyOffsetsBlack.data();
    static constexpr const Jumps* knightJumps = &knightJumpsBlack;
    static constexpr const Jumps* kingSteps = &kingStepsBlack;
    static constexpr std::uint32_t shortRight = CASTLE_BLACK_SHORT, longRight = CASTLE_BLACK_LONG;
    static constexpr bool open(int code) { return code <= EMPTY; }
    static constexpr bool enemy(int code) { return code > OFF_BOARD && code < EMPTY; }
};

// Whether the right's squares are empty and its king's squares unattacked. The rook is
// lifted for the attack tests: in Chess960 it may stand between an enemy slider and the
// king's path (it never does in standard chess). notInCheck: the king's own square is known
// safe with the rook in place, and when the king moves, its square needs no test: a slider
// that the lifted rook lets through along the rank reaches the target too, or stands on a
// square that must be empty. The squares found safe are added to *safe.
inline bool castlingIsOpen(Board* board, const CastlingPath& p, int enemySide, bool notInCheck,
                           std::uint64_t* safe)
{
    std::uint8_t* squares = board->squares;
    for (int i = 0; i < p.emptyCount; ++i)
        if (squares[p.mustBeEmpty[i]] != EMPTY) return false;
    const std::uint8_t rook = squares[p.rook];
    squares[p.rook] = EMPTY;
    bool open = true;
    for (int i = notInCheck && p.safeCount > 1 ? 1 : 0; i < p.safeCount && open; ++i) {
        open = !isAttackedSimple(board, p.mustBeSafe[i], enemySide);
        if (open) *safe |= squareBit(p.mustBeSafe[i]);
    }
    squares[p.rook] = rook;
    return open;
}

// Castling moves, short first: the king's first moves in generation order. A castling is
// written as the king's move to its target, which may be its own square or the rook's.
// One that passes castlingIsOpen is legal: with the king gone from his square only the rank
// opens, and a slider on it behind him would have attacked that square, which is tested or
// known safe. Returns the squares found unattacked with the rook lifted; when the king is
// not in check, a step onto one of them is legal too (the rook back on its square only
// blocks, and the king's leaving opens the rank alone, on which nothing attacks him).
template <typename S>
std::uint64_t addCastlings(Board* board, Move** out, const LegalFilter& filter)
{
    std::uint64_t safe = 0;
    if (!(board->castlingRights & (S::shortRight | S::longRight))) return safe;
    // The filter's mode is that of the side to move, who is not in check when exposing.
    const bool notInCheck = filter.mode == FILTER_EXPOSING && board->sideToMove == S::side;
    for (int wing = 0; wing < 2; ++wing) {
        if (!(board->castlingRights & (wing ? S::longRight : S::shortRight))) continue;
        const CastlingPath& p = board->castlingPaths[S::side * 2 + wing];
        if (!castlingIsOpen(board, p, S::side ^ 1, notInCheck, &safe)) continue;
        Move* m = (*out)++;
        m->from = p.king;
        m->to = p.kingTo;
        m->flags = FLAG_MOVE | FLAG_CASTLE;
        m->captured = EMPTY;
        m->promotion = EMPTY;
        m->piece = S::king;
    }
    return safe;
}

// How the generators below keep moves: all of them, those isLegalSimple accepts (in check),
// by the pins (not in check: a free man's moves all, a pinned man's along its line, the
// king's and en passant on the board), or through rejected() (a list for the side not to
// move). Each gives the same list as rejected() would.
enum KeepMode { KEEP_ALL, KEEP_EVASIONS, KEEP_BY_PINS, KEEP_GENERIC };

template <KeepMode Mode>
inline bool keptMove(Board* board, Move* m, const LegalFilter& filter, int pin)
{
    if constexpr (Mode == KEEP_ALL) return true;
    else if constexpr (Mode == KEEP_EVASIONS) return isLegalSimple(board, m) != 0;
    else if constexpr (Mode == KEEP_BY_PINS)
        return pin == 0 || geometry.step[m->to - filter.kingSq + 119] == pin;
    else return !rejected(board, m, filter);
}

template <KeepMode Mode>
inline bool keptKingMove(Board* board, Move* m, const LegalFilter& filter)
{
    if constexpr (Mode == KEEP_ALL) return true;
    else if constexpr (Mode == KEEP_GENERIC) return !rejected(board, m, filter);
    else return isLegalSimple(board, m) != 0;
}

// The step of the pin line of the man on `from`, 0 when he is free to move.
inline int pinOf(const LegalFilter& filter, int from)
{
    for (int i = 0; i < filter.pinCount; ++i)
        if (filter.pinned[i] == from) return filter.pinStep[i];
    return 0;
}

// A pawn's move other than en passant, as addMove writes it: a promotion as four moves,
// queen, rook, bishop, knight, on the verdict for the queen.
template <typename S, KeepMode Mode>
inline Move* addPawnMove(Board* board, Move* out, int from, int to, std::uint8_t captured,
                         const LegalFilter& filter, int pin)
{
    out->from = std::uint8_t(from);
    out->to = std::uint8_t(to);
    out->flags = captured == EMPTY ? FLAG_MOVE : FLAG_MOVE | FLAG_CAPTURE;
    out->captured = captured;
    out->promotion = EMPTY;
    out->piece = S::pawn;
    if (rank(to) != (S::side ? 1 : 8)) return keptMove<Mode>(board, out, filter, pin) ? out + 1 : out;
    out->flags |= FLAG_PROMOTION;
    out->promotion = S::queen;
    if (!keptMove<Mode>(board, out, filter, pin)) return out;
    for (int i = 1; i < 4; ++i) {
        out[i] = *out;
        out[i].promotion = std::uint8_t(S::queen - i);
    }
    return out + 4;
}

// A pawn's captures, en passant last, as every generator lists them.
template <typename S, KeepMode Mode>
inline Move* addPawnCaptures(Board* board, Move* out, int from, int ep, const LegalFilter& filter, int pin)
{
    const std::uint8_t* squares = board->squares;
    for (int t : {from + S::captureFirst, from + S::captureSecond})
        if (onBoard(t) && S::enemy(squares[t]))
            out = addPawnMove<S, Mode>(board, out, from, t, squares[t], filter, pin);
    if (ep != NO_SQUARE)
        for (int t : {from + S::captureFirst, from + S::captureSecond})
            if (t == ep) out += addMove(board, out, from, t, filter);
    return out;
}

// The generators below walk each slider's line over the empty squares and then look at
// the man that stops it: the same moves in the same order as testing every square.
template <typename S, KeepMode Mode>
int generateAll(Board* board, Move* moves, const LegalFilter& filter)
{
    const std::uint8_t* squares = board->squares;
    const PieceEntry* list = board->pieceList[S::side];
    Move* out = moves;
    // Read once: the moves are written as bytes, which the compiler must assume may
    // overwrite any field of the board.
    const int ep = board->epSquare, slots = board->pieceListLength[S::side];
    int pin = 0;
    // By the pins, the callers skip what a pinned man cannot do, and keep the rest.
    auto piece = [&](int from, int to, int code, std::uint8_t captured) {
        putPieceMove(out, from, to, code, captured);
        if (Mode == KEEP_BY_PINS || keptMove<Mode>(board, out, filter, pin)) ++out;
    };
    // A pinned slider moves along its pin line only, where every move keeps the king covered.
    auto slide = [&](int from, int code, const std::int32_t* offsets) {
        for (int i = 0; offsets[i]; ++i) {
            const int d = offsets[i];
            if constexpr (Mode == KEEP_BY_PINS)
                if (pin != 0 && d != pin && d != -pin) continue;
            int t = from + d;
            for (; onBoard(t) && squares[t] == EMPTY; t += d) piece(from, t, code, EMPTY);
            if (onBoard(t) && S::enemy(squares[t])) piece(from, t, code, squares[t]);
        }
    };
    for (int slot = 0; slot < slots; ++slot) {
        if (list[slot].alive != 1) continue;
        const int from = list[slot].square;
        const int code = squares[from];
        if constexpr (Mode == KEEP_BY_PINS) pin = filter.pinCount ? pinOf(filter, from) : 0;
        if (code == S::pawn) {
            const int one = from + S::up, two = from + 2 * S::up;
            if (rank(from) == S::doubleRank && squares[one] == EMPTY && squares[two] == EMPTY)
                out = addPawnMove<S, Mode>(board, out, from, two, EMPTY, filter, pin);
            if (onBoard(one) && squares[one] == EMPTY)
                out = addPawnMove<S, Mode>(board, out, from, one, EMPTY, filter, pin);
            out = addPawnCaptures<S, Mode>(board, out, from, ep, filter, pin);
        } else if (code == S::bishop) {
            slide(from, code, S::diagonalOffsets);
        } else if (code == S::rook) {
            slide(from, code, S::heavyOffsets);
        } else if (code == S::queen) {
            slide(from, code, S::diagonalOffsets);
            slide(from, code, S::heavyOffsets);
        } else if (code == S::knight) {
            // A pinned knight never stays on his line.
            if (Mode == KEEP_BY_PINS && pin != 0) continue;
            const Jumps* jumps = S::knightJumps;
            for (int k = 0; k < jumps->count[from]; ++k) {
                const int t = jumps->to[from][k];
                if (S::open(squares[t])) piece(from, t, code, squares[t]);
            }
        } else if (code == S::king) {
            const std::uint64_t safe = addCastlings<S>(board, &out, filter);
            const Jumps* steps = S::kingSteps;
            for (int k = 0; k < steps->count[from]; ++k) {
                const int t = steps->to[from][k];
                if (!S::open(squares[t])) continue;
                putPieceMove(out, from, t, code, squares[t]);
                if ((Mode == KEEP_BY_PINS && (safe & squareBit(t))) || keptKingMove<Mode>(board, out, filter))
                    ++out;
            }
        }
    }
    return int(out - moves);
}

template <typename S, KeepMode Mode>
int generateTakes(Board* board, Move* moves, const LegalFilter& filter)
{
    const std::uint8_t* squares = board->squares;
    const PieceEntry* list = board->pieceList[S::side];
    Move* out = moves;
    const int ep = board->epSquare, slots = board->pieceListLength[S::side];
    int pin = 0;
    // As generateAll's: by the pins, what a pinned man cannot do is skipped.
    auto take = [&](int from, int to, int code) {
        putPieceMove(out, from, to, code, squares[to]);
        if (Mode == KEEP_BY_PINS || keptMove<Mode>(board, out, filter, pin)) ++out;
    };
    auto slide = [&](int from, int code, const std::int32_t* offsets) {
        for (int i = 0; offsets[i]; ++i) {
            const int d = offsets[i];
            if constexpr (Mode == KEEP_BY_PINS)
                if (pin != 0 && d != pin && d != -pin) continue;
            int t = from + d;
            while (onBoard(t) && squares[t] == EMPTY) t += d;
            if (onBoard(t) && S::enemy(squares[t])) take(from, t, code);
        }
    };
    for (int slot = 0; slot < slots; ++slot) {
        if (list[slot].alive != 1) continue;
        const int from = list[slot].square;
        const int code = squares[from];
        if constexpr (Mode == KEEP_BY_PINS) pin = filter.pinCount ? pinOf(filter, from) : 0;
        if (code == S::bishop) {
            slide(from, code, S::diagonalOffsets);
        } else if (code == S::rook) {
            slide(from, code, S::heavyOffsets);
        } else if (code == S::queen) {
            slide(from, code, S::diagonalOffsets);
            slide(from, code, S::heavyOffsets);
        } else if (code == S::knight) {
            if (Mode == KEEP_BY_PINS && pin != 0) continue;
            const Jumps* jumps = S::knightJumps;
            for (int k = 0; k < jumps->count[from]; ++k) {
                const int t = jumps->to[from][k];
                if (S::enemy(squares[t])) take(from, t, code);
            }
        } else if (code == S::king) {
            const Jumps* steps = S::kingSteps;
            for (int k = 0; k < steps->count[from]; ++k) {
                const int t = steps->to[from][k];
                if (!S::enemy(squares[t])) continue;
                putPieceMove(out, from, t, code, squares[t]);
                if (keptKingMove<Mode>(board, out, filter)) ++out;
            }
        } else if (code == S::pawn) {
            out = addPawnCaptures<S, Mode>(board, out, from, ep, filter, pin);
        }
    }
    return int(out - moves);
}

// The keeping mode for a filter.
template <typename S>
KeepMode keepModeOf(const Board* board, const LegalFilter& filter)
{
    if (filter.mode == FILTER_NONE) return KEEP_ALL;
    if (board->sideToMove != S::side) return KEEP_GENERIC;
    return filter.mode == FILTER_ALL ? KEEP_EVASIONS : KEEP_BY_PINS;
}

template <typename S>
int generateAll(Board* board, Move* moves, std::uint8_t checkLegal)
{
    const LegalFilter filter = makeFilter(board, checkLegal);
    switch (keepModeOf<S>(board, filter)) {
    case KEEP_ALL: return generateAll<S, KEEP_ALL>(board, moves, filter);
    case KEEP_EVASIONS: return generateAll<S, KEEP_EVASIONS>(board, moves, filter);
    case KEEP_BY_PINS: return generateAll<S, KEEP_BY_PINS>(board, moves, filter);
    default: return generateAll<S, KEEP_GENERIC>(board, moves, filter);
    }
}

template <typename S>
int generateTakes(Board* board, Move* moves, std::uint8_t checkLegal)
{
    const LegalFilter filter = makeFilter(board, checkLegal);
    switch (keepModeOf<S>(board, filter)) {
    case KEEP_ALL: return generateTakes<S, KEEP_ALL>(board, moves, filter);
    case KEEP_EVASIONS: return generateTakes<S, KEEP_EVASIONS>(board, moves, filter);
    case KEEP_BY_PINS: return generateTakes<S, KEEP_BY_PINS>(board, moves, filter);
    default: return generateTakes<S, KEEP_GENERIC>(board, moves, filter);
    }
}

// Whether a move of the man on `from` may uncover a check: the first man beyond it, seen
// from the enemy king, is one of our sliders of that line's kind. givesCheck's own test
// stops at the move's target as well, so this one says yes at least as often.
template <typename S>
bool mayUncoverCheck(const Board* board, int from, int king)
{
    const int lines = geometry.kind[from - king + 119] & (LINE_DIAGONAL | LINE_STRAIGHT);
    if (!lines) return false;
    const int code = board->squares[firstOnLine(
        king, lineByDelta[from - king + 119], board->occupied & ~squareBit(from))];
    return code == S::queen || code == ((lines & LINE_DIAGONAL) ? S::bishop : S::rook);
}

// The quiet moves of generateAll (checkLegal 0) that givesCheck accepts, in the same order.
// givesCheck is asked only where the geometry allows a check: a target from which the
// arriving man attacks the king's square, any target of a man that may uncover a check,
// promotions and castling.
template <typename S>
int generateChecks(Board* board, Move* moves)
{
    const LegalFilter none = makeFilter(board, 0);
    const std::uint8_t* squares = board->squares;
    const int king = board->kingSquare[S::side ^ 1];
    const PieceEntry* list = board->pieceList[S::side];
    Move* out = moves;
    // Keeps, of the moves written from `first` on, those that give check.
    auto keepChecks = [&](Move* first) {
        Move* kept = first;
        for (Move* m = first; m < out; ++m)
            if (givesCheck(board, m)) *kept++ = *m;
        out = kept;
    };
    for (int slot = 0; slot < board->pieceListLength[S::side]; ++slot) {
        if (list[slot].alive != 1) continue;
        const int from = list[slot].square;
        const int code = squares[from];
        const bool uncovers = mayUncoverCheck<S>(board, from, king);
        auto mayCheckFrom = [&](int t, int kinds) {
            return uncovers || (geometry.kind[king - t + 119] & kinds);
        };
        auto tryQuiet = [&](int t) {
            putPieceMove(out, from, t, code, EMPTY);
            if (givesCheck(board, out)) ++out;
        };
        auto slide = [&](const std::int32_t* offsets, int kinds) {
            for (int i = 0; offsets[i]; ++i)
                for (int t = from + offsets[i]; onBoard(t) && squares[t] == EMPTY; t += offsets[i])
                    if (mayCheckFrom(t, kinds)) tryQuiet(t);
        };
        auto jump = [&](const Jumps* jumps, int kinds) {
            for (int k = 0; k < jumps->count[from]; ++k) {
                const int t = jumps->to[from][k];
                if (squares[t] == EMPTY && mayCheckFrom(t, kinds)) tryQuiet(t);
            }
        };
        auto push = [&](int t) {
            const bool promotes = rank(t) == (S::side ? 1 : 8);
            if (!uncovers && !promotes && king != t + S::captureFirst && king != t + S::captureSecond)
                return;
            Move* first = out;
            out += addMove(board, out, from, t, none);
            keepChecks(first);
        };
        constexpr int queenLines = LINE_DIAGONAL | LINE_STRAIGHT;
        if (code == S::bishop) {
            slide(S::diagonalOffsets, LINE_DIAGONAL);
        } else if (code == S::rook) {
            slide(S::heavyOffsets, LINE_STRAIGHT);
        } else if (code == S::queen) {
            slide(S::diagonalOffsets, queenLines);
            slide(S::heavyOffsets, queenLines);
        } else if (code == S::knight) {
            jump(S::knightJumps, KNIGHT_JUMP);
        } else if (code == S::pawn) {
            const int one = from + S::up, two = from + 2 * S::up;
            if (rank(from) == S::doubleRank && squares[one] == EMPTY && squares[two] == EMPTY)
                push(two);
            if (onBoard(one) && squares[one] == EMPTY) push(one);
        } else if (code == S::king) {
            Move* first = out;
            addCastlings<S>(board, &out, none);
            keepChecks(first);
            jump(S::kingSteps, KING_STEP);
        }
    }
    return int(out - moves);
}

}  // namespace

// Whether a move other than a king move or an en-passant capture keeps its own king safe
// from the lines through `from`: it can only expose the king when its man is pinned, that
// is, when the line from the king is empty up to `from` and an enemy slider of that
// line's kind stands behind it. Only then is the move tried on the board.
int keepsKingCovered(Board* board, Move* m)
{
    const std::uint8_t* squares = board->squares;
    const int side = board->sideToMove;
    const int king = board->kingSquare[side];
    const int from = m->from;
    const int lines = geometry.kind[from - king + 119] & (LINE_DIAGONAL | LINE_STRAIGHT);
    if (!lines) return 1;
    const int step = geometry.step[from - king + 119];
    int t = king + step;
    while (t != from && squares[t] == EMPTY) t += step;
    if (t != from) return 1;
    t = from + step;
    while (onBoard(t) && squares[t] == EMPTY) t += step;
    if (!onBoard(t)) return 1;
    const int code = squares[t];
    if (side ? code >= EMPTY : code <= EMPTY) return 1;  // not an enemy man
    const int slider = side ? code : code - EMPTY;
    if (slider != WHITE_QUEEN && slider != ((lines & LINE_DIAGONAL) ? WHITE_BISHOP : WHITE_ROOK))
        return 1;
    return isLegalSimple(board, m);
}

void addMoveSimple(Board* board, Move* moves, int* count, std::uint8_t from, std::uint8_t to,
                   std::uint8_t checkLegal)
{
    LegalFilter filter = makeFilter(board, 0);
    if (checkLegal) filter.mode = FILTER_ALL;
    *count += addMove(board, &moves[*count], from, to, filter);
}

// Whether the move, not yet made, will leave the enemy king attacked: the man arriving on
// `to` attacks it, or leaving `from` opens a line of one of our sliders onto it. Nothing
// else can change, for the enemy king is not attacked before the move. Castling and en
// passant move a second man and take the general road.
int givesCheck(Board* board, const Move* m)
{
    const std::uint8_t* squares = board->squares;
    const int side = m->piece > EMPTY;
    const int king = board->kingSquare[side ^ 1];
    if (m->flags & (FLAG_CASTLE | FLAG_ENPASSANT)) {
        Move copy = *m;
        makeMoveSimple(board, &copy);
        const int attacked = isAttackedSimple(board, board->kingSquare[side ^ 1], side);
        unmakeMoveSimple(board, &copy);
        return attacked;
    }
    const int from = m->from, to = m->to;
    // The man on `to`, as a white code.
    const int arriving = (m->flags & FLAG_PROMOTION) ? m->promotion : m->piece;
    const int kind = side ? arriving - EMPTY : arriving;
    const int toKing = king - to + 119;
    switch (kind) {
    case WHITE_PAWN:
        if (side ? (king == to - 15 || king == to - 17) : (king == to + 15 || king == to + 17))
            return 1;
        break;
    case WHITE_KNIGHT:
        if (geometry.kind[toKing] & KNIGHT_JUMP) return 1;
        break;
    case WHITE_KING:
        if (geometry.kind[toKing] & KING_STEP) return 1;
        break;
    default: {
        const int lines = kind == WHITE_QUEEN ? (LINE_DIAGONAL | LINE_STRAIGHT)
                                              : kind == WHITE_BISHOP ? LINE_DIAGONAL : LINE_STRAIGHT;
        if ((geometry.kind[toKing] & lines)
            && firstOnLine(to, lineByDelta[toKing], board->occupied & ~squareBit(from)) == king)
            return 1;
        break;
    }
    }
    // Discovered: the first man beyond `from`, seen from the king, is one of our sliders.
    const int fromKing = from - king + 119;
    const int lines = geometry.kind[fromKing] & (LINE_DIAGONAL | LINE_STRAIGHT);
    if (!lines) return 0;
    const int t = firstOnLine(
        king, lineByDelta[fromKing], (board->occupied & ~squareBit(from)) | squareBit(to));
    if (t == to) return 0;
    const int code = squares[t];
    if (side ? code <= EMPTY : code >= EMPTY) return 0;
    const int slider = side ? code - EMPTY : code;
    if (slider == WHITE_QUEEN) return 1;
    return slider == ((lines & LINE_DIAGONAL) ? WHITE_BISHOP : WHITE_ROOK);
}

int generateQuietChecks(Board* board, Move* moves)
{
    return board->sideToMove ? generateChecks<BlackSide>(board, moves)
                             : generateChecks<WhiteSide>(board, moves);
}

int generateMovesWhite(Board* board, Move* moves, std::uint8_t checkLegal)
{
    return generateAll<WhiteSide>(board, moves, checkLegal);
}

int generateMovesBlack(Board* board, Move* moves, std::uint8_t checkLegal)
{
    return generateAll<BlackSide>(board, moves, checkLegal);
}

int generateMoves(Board* board, Move* moves, std::uint8_t checkLegal)
{
    return board->sideToMove ? generateMovesBlack(board, moves, checkLegal)
                             : generateMovesWhite(board, moves, checkLegal);
}

int generateCapturesWhite(Board* board, Move* moves, std::uint8_t checkLegal)
{
    return generateTakes<WhiteSide>(board, moves, checkLegal);
}

int generateCapturesBlack(Board* board, Move* moves, std::uint8_t checkLegal)
{
    return generateTakes<BlackSide>(board, moves, checkLegal);
}

int generateCaptures(Board* board, Move* moves, std::uint8_t checkLegal)
{
    return board->sideToMove ? generateCapturesBlack(board, moves, checkLegal)
                             : generateCapturesWhite(board, moves, checkLegal);
}
