#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "board.h"
#include "hash.h"
#include "movegen.h"
#include "san.h"

namespace {

constexpr const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

std::unique_ptr<Board> boardAt(const char* fen)
{
    initZobrist();
    std::unique_ptr<Board> board(newBoard());
    EXPECT_EQ(setupFen(board.get(), fen), 1) << fen;
    return board;
}

// Plays SAN moves separated by blanks; en passant can only be reached this way.
void play(Board* board, const char* moves)
{
    char text[16];
    for (const char* p = moves; *p;) {
        while (*p == ' ') ++p;
        int n = 0;
        while (*p && *p != ' ' && n < 15) text[n++] = *p++;
        text[n] = '\0';
        if (!n) break;
        Move m;
        const char* why = nullptr;
        ASSERT_EQ(sanToMove(board, text, &m, &why), 1) << text << ": " << why;
        makeMove(board, &m);
    }
}

std::string coordinate(const Move& m)
{
    char buf[8];
    return moveToString(&m, buf);
}

struct Resolves {
    const char* fen;
    const char* before;  // SAN moves played first
    const char* san;
    const char* expected;  // coordinate notation with the promotion letter
};

// Every text names exactly one legal move; the expected squares are the chess answer.
constexpr Resolves resolving[] = {
    // Disambiguation by file, rank and square.
    {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "", "Nbd2", "b1d2"},
    {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "", "Nfd2", "f3d2"},
    {"7k/8/8/8/8/4R3/8/K3R3 w - - 0 1", "", "R1e2", "e1e2"},
    {"7k/8/8/8/8/4R3/8/K3R3 w - - 0 1", "", "R3e2", "e3e2"},
    {"1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1", "", "Qh4e1", "h4e1"},
    {"1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1", "", "Qee1", "e4e1"},
    {"1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1", "", "Q1e1", "h1e1"},
    {"7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1", "", "Nc2d4", "c2d4"},
    // A pinned knight does not count as a rival: Nd2 is enough.
    {"4k3/8/8/8/4b3/5N2/8/1N5K w - - 0 1", "", "Nd2", "b1d2"},
    {"4k3/8/8/8/8/5N2/8/rN2K3 w - - 0 1", "", "Nd2", "f3d2"},
    // Castling both ways, with letters and with zeros, for both sides.
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "O-O", "e1g1"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "O-O-O", "e1c1"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "0-0", "e1g1"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "0-0-0+", "e1c1"},
    {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "", "O-O", "e8g8"},
    {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "", "O-O-O", "e8c8"},
    // Promotions with and without '=', quiet and capturing, both colours.
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "e8=Q", "e7e8q"},
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "e8Q", "e7e8q"},
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "e8=q", "e7e8q"},
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "exd8=R", "e7d8r"},
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "exd8B", "e7d8b"},
    {"4k3/8/8/8/8/8/3p4/K7 b - - 0 1", "", "d1=Q+", "d2d1q"},
    {"4k3/8/8/8/8/8/3p4/K7 b - - 0 1", "", "d1N", "d2d1n"},
    // En passant, reached by playing the double step.
    {START, "e4 a6 e5 d5", "exd6", "e5d6"},
    {START, "e4 a6 e5 d5", "exd6e.p.", "e5d6"},
    {START, "a3 d5 a4 d4 e4", "dxe3", "d4e3"},
    // Check, mate and annotation marks.
    {START, "e4 e5 Bc4 Nc6 Qh5 Nf6", "Qxf7#", "h5f7"},
    {START, "e4 e5 Bc4 Nc6 Qh5 Nf6", "Qxf7+", "h5f7"},
    {START, "e4 e5 Bc4 Nc6 Qh5 Nf6", "Qxf7#!!", "h5f7"},
    {START, "e4 e5 Bc4 Nc6", "Qh5?!", "d1h5"},
    // Pawn pushes and captures; a missing capture mark is forgiven.
    {START, "e4 d5", "exd5", "e4d5"},
    {START, "", "e4", "e2e4"},
    {START, "e4 d5", "ed5", "e4d5"},
    {START, "e4 d5 Nc3 Nf6 Nf3", "Nxe4", "f6e4"},
};

TEST(San, ResolvesDisambiguationCastlingPromotionAndEnPassant)
{
    for (const Resolves& c : resolving) {
        auto board = boardAt(c.fen);
        play(board.get(), c.before);
        Move m;
        const char* why = nullptr;
        ASSERT_EQ(sanToMove(board.get(), c.san, &m, &why), 1) << c.san << ": " << why;
        EXPECT_EQ(coordinate(m), c.expected) << c.san;
    }
}

struct Refused {
    const char* fen;
    const char* before;
    const char* san;
    const char* reasonPart;  // a word the message must hold
};

constexpr Refused refusals[] = {
    // Ambiguous: two pieces can go there and the text does not say which.
    {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "", "Nd2", "ambiguous"},
    {"7k/8/8/8/8/4R3/8/K3R3 w - - 0 1", "", "Ree2", "ambiguous"},
    {"7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1", "", "Ncd4", "ambiguous"},
    {"7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1", "", "N2d4", "ambiguous"},
    {"1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1", "", "Qhe1", "ambiguous"},
    {"1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1", "", "Q4e1", "ambiguous"},
    // Illegal: no such move, blocked, pinned, into check, through check.
    {START, "", "e5", "no legal move"},
    {START, "", "Ke2", "no legal move"},
    {"4k3/8/8/8/1b6/8/3N4/4K3 w - - 0 1", "", "Nf3", "no legal move"},
    {"4k3/8/8/8/8/8/5r2/4K3 w - - 0 1", "", "Kf1", "no legal move"},
    {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", "", "O-O", "no legal move"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1", "", "O-O", "no legal move"},
    // The king's two-square step is only ever written as castling.
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "Kg1", "no legal move"},
    // A pawn only leaves its file to capture, and then names its file.
    {START, "e4 d5", "d5", "no legal move"},
    {START, "e4 d5", "Pd5", "no legal move"},
    // Capture mark on a quiet move; the promotion piece missing or wrong.
    {START, "", "Nxf3", "capture"},
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "e8", "promotion"},
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "e8=K", "not a move"},
    {START, "", "e4=Q", "promotes"},
    // En passant is gone once another move has been played.
    {START, "e4 a6 e5 d5 Nf3 Nf6", "exd6", "no legal move"},
    // Not SAN at all.
    {START, "", "", "not a move"},
    {START, "", "Z", "not a move"},
    {START, "", "e9", "not a move"},
    {START, "", "Nf3x", "not a move"},
    {START, "", "O-O-O-O", "not a move"},
    {START, "", "nf3", "not a move"},
    {START, "", "Nf3xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "not a move"},
};

TEST(San, RefusesAmbiguousIllegalAndUnreadableMovesWithAReason)
{
    for (const Refused& c : refusals) {
        auto board = boardAt(c.fen);
        play(board.get(), c.before);
        Move m = NO_MOVE;
        const char* why = nullptr;
        EXPECT_EQ(sanToMove(board.get(), c.san, &m, &why), 0) << c.san << " gave " << coordinate(m);
        ASSERT_NE(why, nullptr) << c.san;
        EXPECT_NE(std::strstr(why, c.reasonPart), nullptr) << c.san << ": " << why;
        EXPECT_EQ(m.from, NO_SQUARE) << c.san << ": the move was written although refused";
    }
}

struct Written {
    const char* fen;
    const char* before;
    const char* coordinate;
    const char* san;
};

// What PGN writers produce for these moves.
constexpr Written writing[] = {
    {"7k/8/8/8/8/4R3/8/K3R3 w - - 0 1", "", "e1e2", "R1e2"},
    {"7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1", "", "c2d4", "Nc2d4"},
    {"7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1", "", "e2d4", "Ned4"},
    {"7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1", "", "c6d4", "N6d4"},
    {"1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1", "", "h4e1", "Qh4e1"},
    {"1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1", "", "e4e1", "Qee1"},
    {"4k3/8/8/8/4b3/5N2/8/1N5K w - - 0 1", "", "b1d2", "Nd2"},
    {"4k3/8/8/8/8/5N2/8/rN2K3 w - - 0 1", "", "f3d2", "Nd2"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "e1g1", "O-O"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "e1c1", "O-O-O"},
    {"3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", "", "e7d8n", "exd8=N"},
    {"4k3/8/8/8/8/8/3p4/K7 b - - 0 1", "", "d2d1r", "d1=R+"},
    {START, "e4 a6 e5 d5", "e5d6", "exd6"},
    {START, "e4 e5 Bc4 Nc6 Qh5 Nf6", "h5f7", "Qxf7#"},
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "", "a1a8", "Ra8#"},
};

TEST(San, WritesWhatPgnWritersWrite)
{
    for (const Written& c : writing) {
        auto board = boardAt(c.fen);
        play(board.get(), c.before);
        Move moves[MAX_MOVES];
        const int n = generateMoves(board.get(), moves, 1);
        bool found = false;
        for (int i = 0; i < n; ++i) {
            if (coordinate(moves[i]) != c.coordinate) continue;
            found = true;
            char san[SAN_BUFFER];
            EXPECT_STREQ(moveToSan(board.get(), &moves[i], san), c.san);
        }
        EXPECT_TRUE(found) << c.coordinate;
    }
}

// Every legal move, written and read back, is the same move: the writer gives just
// enough disambiguation and the reader accepts it.
void roundTrip(Board* board, int depth, int* checked)
{
    Move moves[MAX_MOVES];
    const int n = generateMoves(board, moves, 1);
    for (int i = 0; i < n; ++i) {
        char san[SAN_BUFFER];
        moveToSan(board, &moves[i], san);
        Move back = NO_MOVE;
        const char* why = nullptr;
        ASSERT_EQ(sanToMove(board, san, &back, &why), 1) << san << ": " << why;
        // The undo fields mean nothing before makeMove; the rest must agree.
        ASSERT_TRUE(back.from == moves[i].from && back.to == moves[i].to
                    && back.flags == moves[i].flags && back.captured == moves[i].captured
                    && back.promotion == moves[i].promotion && back.piece == moves[i].piece)
            << san;
        ++*checked;
        if (depth > 1) {
            makeMove(board, &moves[i]);
            roundTrip(board, depth - 1, checked);
            unmakeMove(board, &moves[i]);
        }
    }
}

TEST(San, EveryLegalMoveSurvivesWritingAndReading)
{
    const char* positions[] = {
        START,
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
        "1k6/8/8/8/4Q2Q/8/8/K6Q w - - 0 1",
        "7k/8/2N5/8/8/8/2N1N3/3K4 w - - 0 1",
        "4k3/8/8/8/4b3/5N2/8/1N5K w - - 0 1",
    };
    int checked = 0;
    for (const char* fen : positions) {
        auto board = boardAt(fen);
        roundTrip(board.get(), 2, &checked);
    }
    EXPECT_GT(checked, 3000);
}

}  // namespace
