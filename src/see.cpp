#include "see.h"

#include <cstdlib>

#include "attack.h"
#include "movegen.h"

int seeMaterial;

int seeEval(const Board* board) { return board->sideToMove ? -board->material : board->material; }

namespace {

struct SeeBlack;

// The colour-specific facts of the attacker search; one body serves both colours.
struct SeeWhite {
    using Enemy = SeeBlack;
    static constexpr int side = 0, promotionRank = 8;
    static constexpr std::uint8_t pawn = WHITE_PAWN, knight = WHITE_KNIGHT, bishop = WHITE_BISHOP,
                                  rook = WHITE_ROOK, queen = WHITE_QUEEN, king = WHITE_KING;
    static constexpr int pawnFirst = -15, pawnSecond = -17;
    static constexpr const std::int32_t* knightOffsets = knightOffsetsWhite.data();
    static constexpr const std::int32_t* diagonalOffsets = diagonalOffsetsWhite.data();
    static constexpr const std::int32_t* heavyOffsets = heavyOffsetsWhite.data();
    static constexpr const std::int32_t* kingOffsets = kingOffsetsWhite.data();
};

struct SeeBlack {
    using Enemy = SeeWhite;
    static constexpr int side = 1, promotionRank = 1;
    static constexpr std::uint8_t pawn = BLACK_PAWN, knight = BLACK_KNIGHT, bishop = BLACK_BISHOP,
                                  rook = BLACK_ROOK, queen = BLACK_QUEEN, king = BLACK_KING;
    static constexpr int pawnFirst = 17, pawnSecond = 15;
    static constexpr const std::int32_t* knightOffsets = knightOffsetsBlack.data();
    static constexpr const std::int32_t* diagonalOffsets = diagonalOffsetsBlack.data();
    static constexpr const std::int32_t* heavyOffsets = heavyOffsetsBlack.data();
    static constexpr const std::int32_t* kingOffsets = kingOffsetsBlack.data();
};

// Every capture onto the square, found by looking outward from it; pins are ignored.
template <typename S>
int attackersOf(Board* board, Move* moves, int square)
{
    const std::uint8_t* squares = board->squares;
    int count = 0;
    auto add = [&](int from) {
        addMoveSimple(board, moves, &count, std::uint8_t(from), std::uint8_t(square), 0);
    };
    for (int from : {square + S::pawnFirst, square + S::pawnSecond})
        if (onBoard(from) && squares[from] == S::pawn) add(from);
    for (int i = 0; S::knightOffsets[i]; ++i) {
        const int from = square + S::knightOffsets[i];
        if (onBoard(from) && squares[from] == S::knight) add(from);
    }
    auto slide = [&](const std::int32_t* offsets, std::uint8_t slider) {
        for (int i = 0; offsets[i]; ++i) {
            int from = square + offsets[i];
            while (onBoard(from) && squares[from] == EMPTY) from += offsets[i];
            if (onBoard(from) && (squares[from] == slider || squares[from] == S::queen)) add(from);
        }
    };
    slide(S::diagonalOffsets, S::bishop);
    slide(S::heavyOffsets, S::rook);
    for (int i = 0; S::kingOffsets[i]; ++i) {
        const int from = square + S::kingOffsets[i];
        if (onBoard(from) && squares[from] == S::king) add(from);
    }
    return count;
}

// The exchange below plays its captures on the bare squares instead of making full moves.
// It visits the same captures in the same order as seeAlphaBeta over the generated lists
// (cheapest attacker first, ties in generation order, a promotion as queen, rook, bishop,
// knight), so every value and cut comes out the same.
struct Capture {
    std::uint8_t from;
    std::uint8_t promotion;  // EMPTY when the capture does not promote
};

// One square has at most 2 pawns x 4 promotions, 8 knights, 4 + 4 sliders and a king.
constexpr int MAX_CAPTURES = 32;

template <typename S>
int capturesInOrder(const std::uint8_t* squares, int square, int king, Capture* out)
{
    int n = 0;
    for (int from : {square + S::pawnFirst, square + S::pawnSecond}) {
        if (!onBoard(from) || squares[from] != S::pawn) continue;
        if (rank(square) == S::promotionRank) {
            for (int k = 0; k < 4; ++k) out[n++] = {std::uint8_t(from), std::uint8_t(S::queen - k)};
        } else {
            out[n++] = {std::uint8_t(from), EMPTY};
        }
    }
    for (int i = 0; S::knightOffsets[i]; ++i) {
        const int from = square + S::knightOffsets[i];
        if (onBoard(from) && squares[from] == S::knight) out[n++] = {std::uint8_t(from), EMPTY};
    }
    // Queens are found among the bishops and rooks but cost more than both: they wait.
    Capture queens[8];
    int q = 0;
    auto slide = [&](const std::int32_t* offsets, std::uint8_t slider) {
        for (int i = 0; offsets[i]; ++i) {
            int from = square + offsets[i];
            while (onBoard(from) && squares[from] == EMPTY) from += offsets[i];
            if (!onBoard(from)) continue;
            if (squares[from] == slider) out[n++] = {std::uint8_t(from), EMPTY};
            else if (squares[from] == S::queen) queens[q++] = {std::uint8_t(from), EMPTY};
        }
    };
    slide(S::diagonalOffsets, S::bishop);
    slide(S::heavyOffsets, S::rook);
    for (int i = 0; i < q; ++i) out[n++] = queens[i];
    // A side has one king (none once taken), and it stays put for the whole exchange: a
    // king that captures onto the square ends the exchange before its side moves again.
    if (distOnBoard(king, square) == 1 && squares[king] == S::king)
        out[n++] = {std::uint8_t(king), EMPTY};
    return n;
}

// material is seeMaterial's running value; *lastTaken follows the last capture played, as
// makeMove would have left it in the board's last-capture fields.
template <typename S>
int exchange(std::uint8_t* squares, int square, int alpha, int beta, int material,
    const std::uint8_t* kings, std::uint8_t* lastTaken)
{
    const int standPat = S::side ? material : -material;
    if (standPat >= beta) return beta;
    if (standPat > alpha) alpha = standPat;

    Capture captures[MAX_CAPTURES];
    const int n = capturesInOrder<S>(squares, square, kings[S::side], captures);
    if (n == 0) return alpha;
    const std::uint8_t victim = squares[square];
    // The previous capture left a king en prise: that line is illegal.
    if (victim == WHITE_KING || victim == BLACK_KING) return 32000;

    for (int i = 0; i < n; ++i) {
        const Capture c = captures[i];
        const std::uint8_t mover = squares[c.from];
        const int gained = pieceValues[victim] - pieceValues[c.promotion];
        squares[square] = c.promotion == EMPTY ? mover : c.promotion;
        squares[c.from] = EMPTY;
        *lastTaken = victim;
        const int v = -exchange<typename S::Enemy>(
            squares, square, -beta, -alpha, material + gained, kings, lastTaken);
        squares[c.from] = mover;
        squares[square] = victim;
        if (v >= beta) return beta;
        if (v > alpha) alpha = v;
    }
    return alpha;
}

}  // namespace

int seeGenerateMovesWhite(Board* board, Move* moves, std::uint8_t square)
{
    return attackersOf<SeeWhite>(board, moves, square);
}

int seeGenerateMovesBlack(Board* board, Move* moves, std::uint8_t square)
{
    return attackersOf<SeeBlack>(board, moves, square);
}

int seeGenerateMoves(Board* board, Move* moves, std::uint8_t square)
{
    return board->sideToMove ? seeGenerateMovesBlack(board, moves, square)
                             : seeGenerateMovesWhite(board, moves, square);
}

void seeAssignScoreMovelist(Board*, MoveList* list)
{
    // Most valuable victim first; for the same victim the cheapest attacker.
    for (int i = 0; i < list->count; ++i) {
        const Move& m = list->moves[i];
        list->picked[i] = 0;
        if (m.flags & FLAG_CAPTURE)
            list->score[i] = std::abs(pieceValues[m.captured]) - std::abs(pieceValues[m.piece]) / 100;
    }
}

int seeAlphaBeta(Board* board, int alpha, int beta, std::uint8_t square)
{
    const int standPat = board->sideToMove ? seeMaterial : -seeMaterial;
    if (standPat >= beta) return beta;
    if (standPat > alpha) alpha = standPat;

    MoveList* list = &board->moveLists[board->ply];
    const int n = seeGenerateMoves(board, list->moves, square);
    list->count = std::uint16_t(n);
    if (n == 0) return alpha;
    seeAssignScoreMovelist(board, list);

    for (int i = 0; i < n; ++i) {
        Move m;
        getNextBestMove(list, &m);
        // The previous capture left a king en prise: that line is illegal.
        if (m.captured == WHITE_KING || m.captured == BLACK_KING) return 32000;
        const int gained = pieceValues[m.captured] - pieceValues[m.promotion];
        makeMove(board, &m);
        seeMaterial += gained;
        const int v = -seeAlphaBeta(board, -beta, -alpha, square);
        unmakeMove(board, &m);
        seeMaterial -= gained;
        if (v >= beta) return beta;
        if (v > alpha) alpha = v;
    }
    return alpha;
}

int see(Board* board, Move* m)
{
    constexpr std::uint8_t NONE_TAKEN = 0xff;
    std::uint8_t lastTaken = NONE_TAKEN;
    seeMaterial = pieceValues[m->captured];
    const int alpha = -std::abs(seeMaterial);
    std::uint8_t* squares = board->squares;
    const int from = m->from, to = m->to;
    int r;
    if (m->flags & (FLAG_CASTLE | FLAG_ENPASSANT | FLAG_PROMOTION)) {
        makeMove(board, m);
        const std::uint8_t* kings = board->kingSquare;
        r = board->sideToMove
            ? exchange<SeeBlack>(squares, to, alpha, 32000, seeMaterial, kings, &lastTaken)
            : exchange<SeeWhite>(squares, to, alpha, 32000, seeMaterial, kings, &lastTaken);
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
        squares[to] = mover;
        squares[from] = EMPTY;
        r = board->sideToMove  // the side that moves, so the other one answers
            ? exchange<SeeWhite>(squares, to, alpha, 32000, seeMaterial, kings, &lastTaken)
            : exchange<SeeBlack>(squares, to, alpha, 32000, seeMaterial, kings, &lastTaken);
        squares[from] = mover;
        squares[to] = target;
    }
    if (lastTaken != NONE_TAKEN) {
        board->lastCaptureSquare = std::uint8_t(to);
        board->lastCapturedPiece = lastTaken;
    }
    return -r;
}
