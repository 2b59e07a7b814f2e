// SPDX-License-Identifier: GPL-3.0-or-later
#include <tuple>

#include "attack.h"
#include "movegen.h"
#include "movepick.h"
#include "see.h"
#include "test_support.h"

namespace {

struct SeeCase {
    const char* fen;
    const char* move;
    int checkLegal;  // 0 where the move is refused as illegal by the legal generator
    int value;
    const char* what;
};

const SeeCase seeCases[] = {
    {"4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 1, 320, "pawn takes an undefended knight"},
    {"4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 1, 220, "pawn takes a defended knight"},
    {"4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", 1, -950, "queen takes a defended pawn"},
    {"4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1f3", 1, -320, "quiet knight onto a pawn's square"},
    {"4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1h3", 1, 0, "quiet knight nobody attacks"},
    {"4k3/8/8/8/8/1n6/3p4/4K3 w - - 0 1", "e1d2", 0, -32000, "king takes a defended pawn"},
    {"3r2k1/8/8/3r4/8/8/3R4/3R2K1 w - - 0 1", "d2d5", 1, 540, "a second rook behind the first"},
    {"3r2k1/8/8/3r4/8/8/3R4/6K1 w - - 0 1", "d2d5", 1, 0, "rook takes rook, recaptured"},
    {"4k3/8/8/8/8/8/4K3/R6r w - - 0 1", "a1h1", 1, 540, "rook takes a rook along a rank"},
    {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8q", 1, 540, "a promotion counts the victim only"},
    {"4k3/8/8/3q4/4P3/5P2/8/4K3 b - - 0 1", "d5e4", 1, -950, "Black queen takes a defended pawn"},
};

TEST(See, ExchangesWorkedOutByHandLeaveTheBoardAsItWas)
{
    for (const SeeCase& c : seeCases) {
        auto board = boardFromFen(c.fen);
        auto before = boardFromFen(c.fen);
        Move m = legalMove(board.get(), c.move, std::uint8_t(c.checkLegal));
        ASSERT_NE(m.from, NO_SQUARE) << "no move " << c.move;
        EXPECT_EQ(see(board.get(), &m), c.value) << c.what;
        EXPECT_TRUE(snap(board.get()) == snap(before.get())) << c.what;
    }
}

// The exchange as a recursive search over generated lists plays it, with full moves: the
// plain form that see() must agree with.

// Every capture onto the square by the side to move, found by looking outward from it, in
// generation order; pins are ignored.
int capturesOnto(Board* board, Move* moves, int square)
{
    const bool black = board->sideToMove;
    const int own = black ? EMPTY : 0;  // added to a white code gives the mover's code
    const std::uint8_t* squares = board->squares;
    int count = 0;
    auto add = [&](int from) {
        addMoveSimple(board, moves, &count, std::uint8_t(from), std::uint8_t(square), 0);
    };
    const int pawnSteps[2] = {black ? 17 : -15, black ? 15 : -17};
    for (int step : pawnSteps)
        if (onBoard(square + step) && squares[square + step] == WHITE_PAWN + own) add(square + step);
    auto jump = [&](const std::int32_t* offsets, int piece) {
        for (int i = 0; offsets[i]; ++i)
            if (onBoard(square + offsets[i]) && squares[square + offsets[i]] == piece) add(square + offsets[i]);
    };
    auto slide = [&](const std::int32_t* offsets, int slider) {
        for (int i = 0; offsets[i]; ++i) {
            int from = square + offsets[i];
            while (onBoard(from) && squares[from] == EMPTY) from += offsets[i];
            if (onBoard(from) && (squares[from] == slider || squares[from] == WHITE_QUEEN + own)) add(from);
        }
    };
    jump(black ? knightOffsetsBlack.data() : knightOffsetsWhite.data(), WHITE_KNIGHT + own);
    slide(black ? diagonalOffsetsBlack.data() : diagonalOffsetsWhite.data(), WHITE_BISHOP + own);
    slide(black ? heavyOffsetsBlack.data() : heavyOffsetsWhite.data(), WHITE_ROOK + own);
    jump(black ? kingOffsetsBlack.data() : kingOffsetsWhite.data(), WHITE_KING + own);
    return count;
}

// material: what has changed hands so far, signed like pieceValues.
int listExchange(Board* board, int material, int alpha, int beta, int square)
{
    const int standPat = board->sideToMove ? material : -material;
    if (standPat >= beta) return beta;
    if (standPat > alpha) alpha = standPat;

    MoveList* list = &board->moveLists[board->ply];
    const int n = capturesOnto(board, list->moves, square);
    list->count = std::uint16_t(n);
    if (n == 0) return alpha;
    // Most valuable victim first; for the same victim the cheapest attacker.
    for (int i = 0; i < n; ++i) {
        const Move& m = list->moves[i];
        list->picked[i] = 0;
        if (m.flags & FLAG_CAPTURE)
            list->score[i] = std::abs(pieceValues[m.captured]) - std::abs(pieceValues[m.piece]) / 100;
    }
    for (int i = 0; i < n; ++i) {
        Move m;
        getNextBestMove(list, &m);
        // The previous capture left a king en prise: that line is illegal.
        if (m.captured == WHITE_KING || m.captured == BLACK_KING) return 32000;
        const int gained = pieceValues[m.captured] - pieceValues[m.promotion];
        makeMove(board, &m);
        const int v = -listExchange(board, material + gained, -beta, -alpha, square);
        unmakeMove(board, &m);
        if (v >= beta) return beta;
        if (v > alpha) alpha = v;
    }
    return alpha;
}

int listSee(Board* board, Move* m)
{
    makeMove(board, m);
    const int material = pieceValues[m->captured];
    const int r = listExchange(board, material, -std::abs(material), 32000, m->to);
    unmakeMove(board, m);
    return -r;
}

// Crowded squares: x-rays through both colours, promotions by capture, kings in the fight.
const char* const crowdedFens[] = {
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "1r1q1rk1/1P1b1ppp/2nbpn2/2Qp4/3P4/2NBPN2/1B3PPP/2R2RK1 w - - 0 14",
    "3r1rk1/p4ppp/1qp1bn2/4p3/4P3/1BN1Q3/PPP2PPP/3R1RK1 w - - 0 16",
    "2q1r1k1/1P3ppp/2n5/3pN3/3Pn3/2B5/1Q3PPP/4R1K1 b - - 0 1",
    // knights of both sides round the same squares, rooks doubled on a rank and a file
    "r2n1rk1/1p1n1ppp/p1N1p3/3N4/1n1Pn3/2N1P3/PP3PPP/R2R2K1 w - - 0 1",
    // kings in the middle with sliders lined up behind them
    "8/1b3q2/8/2k1r3/3R4/4K3/1B3Q2/8 w - - 0 1",
};

// The bare-squares exchange against the full-move one, on every pseudo-legal move of the
// positions met along seeded random games: same value, same traces of a full make (last-capture
// fields, the history slot above the game, the undo fields), and the board as it was.
TEST(See, BareSquaresExchangeMatchesTheFullMoveSearch)
{
    std::srand(20240611);
    int compared = 0;
    for (const char* fen : crowdedFens) {
        auto board = boardFromFen(fen);
        for (int step = 0; step < 60; ++step) {
            Move moves[MAX_MOVES];
            const int n = generateMoves(board.get(), moves, 0);
            for (int i = 0; i < n; ++i) {
                Move a = moves[i], b = moves[i];
                std::uint8_t squares[128];
                std::memcpy(squares, board->squares, sizeof squares);
                std::uint64_t* above = &board->hashHistory[board->gamePly + 1];
                board->lastCaptureSquare = board->lastCapturedPiece = 99;
                *above = 0;
                const int expected = listSee(board.get(), &a);
                const auto listTrace = std::make_tuple(board->lastCaptureSquare,
                    board->lastCapturedPiece, *above, a.oldCastling, a.oldEnPassant,
                    (a.flags & FLAG_CAPTURE) ? a.capturedIndex : 0);
                board->lastCaptureSquare = board->lastCapturedPiece = 99;
                *above = 0;
                EXPECT_EQ(see(board.get(), &b), expected) << fen << " step " << step;
                // What a full make leaves behind beyond the board: the same, or none of it.
                EXPECT_EQ(std::make_tuple(board->lastCaptureSquare, board->lastCapturedPiece,
                              *above, b.oldCastling, b.oldEnPassant,
                              (b.flags & FLAG_CAPTURE) ? b.capturedIndex : 0),
                    listTrace) << fen << " step " << step;
                EXPECT_EQ(std::memcmp(board->squares, squares, sizeof squares), 0);
                ++compared;
            }
            const int legal = generateMoves(board.get(), moves, 1);
            if (legal == 0) break;
            Move m = moves[std::rand() % legal];
            makeMove(board.get(), &m);
            updateHashKey(board.get(), &m);
        }
    }
    EXPECT_GT(compared, 2000);
}

}  // namespace
