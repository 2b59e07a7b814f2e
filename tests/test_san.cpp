// SPDX-License-Identifier: GPL-3.0-or-later
#include <sstream>

#include "movegen.h"
#include "san.h"
#include "test_support.h"

namespace {

constexpr const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char* QUEENS = "1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1";
constexpr const char* CASTLING = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
constexpr const char* PROMOTING = "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1";

// The position after the SAN moves, separated by blanks: en passant is only reached so.
BoardPtr boardAfter(const char* fen, const char* moves)
{
    BoardPtr board = boardFromFen(fen);
    std::istringstream in(moves);
    Move m;
    for (std::string san; board && in >> san; makeMove(board.get(), &m))
        if (!sanToMove(board.get(), san.c_str(), &m, nullptr)) return nullptr;
    return board;
}

struct SanCase {
    const char* fen;
    const char* before;    // SAN moves played first
    const char* san;
    const char* expected;  // the move in coordinates, or a word of the reason for refusing it
    const char* written = nullptr;  // what the writer gives for the move, when not the text
};

const SanCase sanCases[] = {
    // Disambiguation by file, rank and square; a pinned knight is no rival.
    {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "", "Nbd2", "b1d2"},
    {"7k/8/8/8/8/4R3/8/K3R3 w - - 0 1", "", "R1e2", "e1e2"},
    {QUEENS, "", "Qh4e1", "h4e1"},
    {"4k3/8/8/8/4b3/5N2/8/1N5K w - - 0 1", "", "Nd2", "b1d2"},
    {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "", "Nd2", "ambiguous"},
    {"7k/8/8/8/8/4R3/8/K3R3 w - - 0 1", "", "Ree2", "ambiguous"},
    {QUEENS, "", "Q4e1", "ambiguous"},
    // Castling both ways, with letters and zeros; the king's two-step is only castling.
    {CASTLING, "", "O-O", "e1g1"},
    {CASTLING, "", "O-O-O", "e1c1"},
    {CASTLING, "", "0-0", "e1g1", "O-O"},
    {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "", "O-O-O", "e8c8"},
    {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", "", "O-O", "no legal move"},
    {CASTLING, "", "Kg1", "no legal move"},
    // Promotions with and without '=', capturing, checking, for both colours.
    {PROMOTING, "", "e8Q", "e7e8q", "e8=Q"},
    {PROMOTING, "", "exd8=N", "e7d8n"},
    {"4k3/8/8/8/8/8/3p4/K7 b - - 0 1", "", "d1=Q+", "d2d1q"},
    {PROMOTING, "", "e8", "promotion"},
    {START, "", "e4=Q", "promotes"},
    // En passant for both colours, only right after the double step.
    {START, "e4 a6 e5 d5", "exd6", "e5d6"},
    {START, "e4 a6 e5 d5", "exd6e.p.", "e5d6", "exd6"},
    {START, "a3 d5 a4 d4 e4", "dxe3", "d4e3"},
    {START, "e4 a6 e5 d5 Nf3 Nf6", "exd6", "no legal move"},
    // Check, mate and annotation marks; a missing capture mark is forgiven, a false one not.
    {START, "e4 e5 Bc4 Nc6 Qh5 Nf6", "Qxf7#!!", "h5f7", "Qxf7#"},
    {START, "e4 d5", "ed5", "e4d5", "exd5"},
    {START, "", "Nxf3", "capture"},
    // Illegal: no such move, a pawn leaving its file, a pinned piece.
    {START, "", "e5", "no legal move"},
    {START, "e4 d5", "d5", "no legal move"},
    {"4k3/8/8/8/1b6/8/3N4/4K3 w - - 0 1", "", "Nf3", "no legal move"},
    // Not SAN at all.
    {START, "", "", "not a move"},
    {START, "", "Nf3xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "not a move"},
};

TEST(San, ReadsTheOneLegalMoveNamedAndWritesItBackOrRefusesWithAReason)
{
    for (const SanCase& c : sanCases) {
        BoardPtr board = boardAfter(c.fen, c.before);
        ASSERT_TRUE(board) << c.fen << " after " << c.before;
        Move m = NO_MOVE;
        const char* why = "";
        if (!sanToMove(board.get(), c.san, &m, &why)) {
            EXPECT_NE(std::strstr(why, c.expected), nullptr) << c.san << ": " << why;
            EXPECT_EQ(m.from, NO_SQUARE) << c.san << ": the move was written although refused";
            continue;
        }
        char coordinate[8], san[SAN_BUFFER];
        EXPECT_STREQ(moveToString(&m, coordinate), c.expected) << c.san;
        EXPECT_STREQ(moveToSan(board.get(), &m, san), c.written ? c.written : c.san) << c.san;
    }
}

// Every legal move, written and read back, is the same move: the writer gives just
// enough disambiguation and the reader accepts it.
void roundTrip(Board* board, int depth, int* checked)
{
    Move moves[MAX_MOVES];
    for (int i = 0, n = generateMoves(board, moves, 1); i < n; ++i, ++*checked) {
        char san[SAN_BUFFER];
        Move back = NO_MOVE;
        ASSERT_EQ(sanToMove(board, moveToSan(board, &moves[i], san), &back, nullptr), 1) << san;
        // The undo fields mean nothing before makeMove; squares and promotion fix the rest.
        ASSERT_TRUE(back.from == moves[i].from && back.to == moves[i].to
                    && back.promotion == moves[i].promotion && back.flags == moves[i].flags) << san;
        if (depth == 1) continue;
        makeMove(board, &moves[i]);
        roundTrip(board, depth - 1, checked);
        unmakeMove(board, &moves[i]);
    }
}

TEST(San, EveryLegalMoveSurvivesWritingAndReading)
{
    int checked = 0;
    for (const char* fen :
         {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
          "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
          "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", "7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1", QUEENS})
        roundTrip(boardFromFen(fen).get(), 2, &checked);
    EXPECT_GT(checked, 3000);
}

}  // namespace
