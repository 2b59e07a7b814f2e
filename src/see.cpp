#include "see.h"

#include <cstdlib>

#include "attack.h"
#include "movegen.h"

int seeMaterial;

int seeEval(const Board* board) { return board->sideToMove ? -board->material : board->material; }

namespace {

// The colour-specific facts of the attacker search; one body serves both colours.
struct SeeWhite {
    static constexpr std::uint8_t pawn = WHITE_PAWN, knight = WHITE_KNIGHT, bishop = WHITE_BISHOP,
                                  rook = WHITE_ROOK, queen = WHITE_QUEEN, king = WHITE_KING;
    static constexpr int pawnFirst = -15, pawnSecond = -17;
    static constexpr const std::int32_t* knightOffsets = knightOffsetsWhite.data();
    static constexpr const std::int32_t* diagonalOffsets = diagonalOffsetsWhite.data();
    static constexpr const std::int32_t* heavyOffsets = heavyOffsetsWhite.data();
    static constexpr const std::int32_t* kingOffsets = kingOffsetsWhite.data();
};

struct SeeBlack {
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
    makeMove(board, m);
    seeMaterial = pieceValues[m->captured];
    const int r = seeAlphaBeta(board, -std::abs(seeMaterial), 32000, m->to);
    unmakeMove(board, m);
    return -r;
}
