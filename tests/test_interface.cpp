// SPDX-License-Identifier: GPL-3.0-or-later
// The protocol loop driven in this process, line by line, with the book off.
#include <csignal>
#include <sstream>
#include <tuple>

#include "game.h"
#include "threads.h"
#include "xboard.h"
#include "test_support.h"

namespace {

struct Session {
    BoardPtr board = boardFromFen(initialPosition);
    std::unique_ptr<LoopState> state = std::make_unique<LoopState>();
    Session() { initLoopState(state.get(), 0); }

    // Feeds the text a line at a time and returns what the engine printed meanwhile.
    std::string send(const std::string& text)
    {
        std::istringstream in(text);
        testing::internal::CaptureStdout();
        for (std::string line; std::getline(in, line);)
            handleLine(board.get(), state.get(), (line + (in.eof() ? "" : "\n")).c_str());
        return testing::internal::GetCapturedStdout();
    }
};

// Men, side, rights, check and both keys as the position reader gives them for fen.
void expectPosition(const Board* board, const std::string& fen)
{
    BoardPtr e = boardFromFen(fen);
    EXPECT_TRUE(std::memcmp(board->squares, e->squares, sizeof e->squares) == 0
                && board->sideToMove == e->sideToMove && board->castlingRights == e->castlingRights
                && board->inCheck == e->inCheck && board->hashKey == e->hashKey
                && board->hashKey2 == e->hashKey2 && boardIsOk(board))
        << fen;
}

const std::string REFUSED = "tellusererror Illegal position\n";

}  // namespace

TEST(InputMoveLegal, AcceptsOnlyLegalMovesAndPromotionsWithTheirLetter)
{
    const char* start = initialPosition;
    const char* promoting = "7k/4P3/8/8/8/8/8/K7 w - - 0 1";
    const char* castling = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
    // The position, the text, the promotion expected (0: none, -1: the text is refused).
    // Wrong case, short, off-board and unlettered texts are refused in test_protocol.cpp.
    const std::tuple<const char*, const char*, int> cases[] = {
        {start, "e2e4", 0}, {start, "e2e4x", 0}, {start, "", -1}, {start, "e7e5", -1},
        {promoting, "e7e8q", WHITE_QUEEN}, {promoting, "e7e8p", -1}, {promoting, "e7e8k", -1},
        {"k7/8/8/8/8/8/4p3/7K b - - 0 1", "e2e1R", BLACK_ROOK},
        {"4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1", "e2d3", -1},  // pinned
        {castling, "e8c8", 0}, {castling, "e1g1", -1},
    };
    for (const auto& [fen, text, promotion] : cases) {
        BoardPtr board = boardFromFen(fen);
        Move m = NO_MOVE;
        char written[8];
        EXPECT_EQ(inputMoveLegal(board.get(), text, &m), promotion >= 0) << fen << " " << text;
        const std::string played = promotion < 0 ? "" : std::string(text).substr(0, 4);
        EXPECT_EQ(std::string(moveToString(&m, written)).substr(0, played.size()), played);
        EXPECT_EQ(m.promotion, promotion > 0 ? promotion : m.promotion) << text;
        EXPECT_EQ(m.from == NO_SQUARE, promotion < 0) << "a refused text leaves the move untouched";
        expectPosition(board.get(), fen);
    }
}

TEST(Loop, ClockBudgetsStayInRangeAndStIsOnlyShortenedByTime)
{
    constexpr std::int32_t BIG = 214748364;  // budgets stay well inside int32 for the search
    // The lines, then the budget and hard cap they leave.
    const std::tuple<const char*, std::int32_t, std::int32_t> cases[] = {
        {"time 6000\n", 1500, 0},
        {"time 200\n", (2000 - 300) / 40, 0},  // a short clock keeps a reserve back
        {"time 40\n", (400 - 200) / 40, 0},
        {"time -3\n", 0, 0}, {"time -4\n", -1, 0}, {"time -7\n", -1, 0},  // no reserve below 0
        {"st 1\n", 1000, 900},
        {"st -5\n", -5000, 1},
        {"time -99999999999999999999999\n", -BIG, 0},
        {"st 2147483647\n", BIG, BIG - BIG / 20},
        {"st 1e9\n", BIG, BIG - BIG / 20},
        // A fraction of a second (python-chess's short limits) keeps three quarters of it.
        {"st 0.05\n", 50, 38}, {"st 0.2\n", 200, 150}, {"st 2.5\n", 2500, 2375},
        // Under "st" the GUI reports the time left for the move: it may shorten, never stretch.
        {"st 5\ntime 300\n", 3000, 2850},
        {"st 5\ntime 300\ntime 6000\n", 5000, 4750},
        {"st 5\nlevel 40 5 0\ntime 6000\n", 1500, 0},  // a clock for the game again
        {"time 6000\nst 2\ntime abc\nst \ntime\n", 2000, 1900},  // no number: no change
    };
    for (const auto& [lines, timeLimit, hardCap] : cases) {
        Session s;
        s.send(lines);
        EXPECT_EQ(s.state->timeLimit, timeLimit) << lines;
        EXPECT_EQ(s.state->hardCap, hardCap) << lines;
    }
}

TEST(Loop, UndoAndRemoveRestoreKeysCapturesAndCastling)
{
    Session s;
    EXPECT_EQ(s.send("new\nforce\ng1f3\ng8f6\nb1c3\nundo\nundo\n"), "") << "force mode records";
    EXPECT_EQ(s.board->gamePly, 1u);
    expectPosition(s.board.get(), "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq - 0 1");
    s.send("undo\nundo\n");  // the second has nothing to take back
    expectPosition(s.board.get(), initialPosition);

    const std::string castling = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    s.send("setboard " + castling + "\ne1g1\ne8c8\nremove\na1a8\n");  // takes a rook with check
    EXPECT_EQ(s.board->castlingRights, CASTLE_WHITE_SHORT | CASTLE_BLACK_SHORT);
    s.send("undo\n");
    expectPosition(s.board.get(), castling);
}

TEST(Loop, SetboardTurnsTheBookOffAndTakesOnlyARealEnPassantSquare)
{
    const std::pair<const char*, int> cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", D6},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 2", D3},
        {"4k3/8/8/3nP3/8/8/8/4K3 w - d6 0 2", NO_SQUARE},   // no pawn passed there
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 2", NO_SQUARE},   // wrong rank for white to move
        {"4k3/3p4/8/3pP3/8/8/8/4K3 w - d6 0 2", NO_SQUARE}, // d7 not empty
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d", NO_SQUARE},
        {"garbage", NO_SQUARE},  // refused: the position stays, the book goes off all the same
    };
    for (const auto& [fen, epSquare] : cases) {
        Session s;
        s.state->bookEnabled = 1;
        EXPECT_EQ(s.send(std::string("force\nsetboard ") + fen + "\n"), fen[0] == 'g' ? REFUSED : "");
        EXPECT_EQ(s.board->epSquare, epSquare) << fen;
        EXPECT_EQ(s.state->bookEnabled, 0);
        // The capture the GUI allows is the generator's own record, ready for makeMove.
        if (epSquare != D6) continue;
        s.send("e5d6\n");
        expectPosition(s.board.get(), "4k3/8/3P4/8/8/8/8/4K3 b - - 0 1");
    }
    // "go" in a finished game (its replies are in test_protocol.cpp) asks the book too; it
    // has no move there and goes off.
    Session s;
    s.state->bookEnabled = 1;
    s.send("force\nf2f3\ne7e5\ng2g4\nd8h4\ngo\n");
    EXPECT_EQ(s.state->bookEnabled, 0);
}

TEST(Loop, EditModeSetsTheMenWithConventionalCastlingOrRefuses)
{
    Session s;
    // As cutechess-cli sends a position with black to move to an engine without setboard.
    EXPECT_EQ(s.send("new\nforce\nb2b3\nedit\n#\nKe1\nRh1\nRa2\nPe4\nxe4\nPd4\n"
                     "c\nKe8\nRa8\nPd5\n.\n"),
              "");
    EXPECT_EQ(s.board->gamePly, 0u);
    expectPosition(s.board.get(), "r3k3/8/8/3p4/3P4/8/R7/4K2R b Kq - 0 1");

    s.send("new\nforce\ne2e4\n");
    // A lone king is refused; lines that are not edit commands do nothing meanwhile.
    EXPECT_EQ(s.send("edit\n#\nKe1\ne7e5\ngo\nZz9\nKe9\nP\n.\n"), REFUSED);
    EXPECT_EQ(s.send("edit\nPa8\n.\n"), REFUSED) << "a pawn on the last rank";
    EXPECT_EQ(s.board->gamePly, 1u);
    s.send("edit\nxe4\nPe2\n.\n");  // without "#" the men are added to the position
    expectPosition(s.board.get(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
}

TEST(Loop, KnightShuffleDrawsThenTheGameLengthLimitClaimsOrResigns)
{
    const char* shuffle[] = {"g1f3\n", "g8f6\n", "f3g1\n", "f6g8\n"};
    Session s;
    s.send("force\n");
    std::vector<int> draws, fifty;
    testing::internal::CaptureStdout();  // the claims' text is checked in test_protocol.cpp
    for (int i = 0; i < MAX_GAME_PLY; ++i) {
        handleLine(s.board.get(), s.state.get(), shuffle[i % 4]);
        if (i < 14) draws.push_back(checkGameDraw(s.board.get()));
        if (i == 98 || i == 99) fifty.push_back(fiftyMoveRule(s.board.get()));
    }
    testing::internal::GetCapturedStdout();
    // Claimed on the third time only; the set-up position is not counted.
    EXPECT_EQ(draws, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(fifty, (std::vector<int>{0, 1}));
    ASSERT_EQ(s.board->gamePly, std::uint32_t(MAX_GAME_PLY));
    const std::uint64_t key = s.board->hashKey;

    EXPECT_EQ(s.send("g1f3\n"), "Illegal move (game too long): g1f3\n");
    EXPECT_EQ(s.board->hashKey, key);
    EXPECT_EQ(s.send("go\n"), "1/2-1/2 {50 move rule}\n");
    // Taking moves back makes room again; ending on pawn moves the claim would be false.
    s.send("force\nundo\nundo\nundo\nundo\na2a3\na7a6\na3a4\n");
    EXPECT_EQ(fiftyMoveRule(s.board.get()), 0);
    EXPECT_EQ(s.send("a6a5\ngo\n"), "resign\n");
}

TEST(Loop, XboardIgnoresInterruptsOverlongLinesChangeNothingAndOnlyQuitEnds)
{
    Session s;
    EXPECT_EQ(s.send("xboard\nforce\ne2e4\n").substr(0, 1), "\n");
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_IGN) << "xboard interrupts before moves";
    const std::uint64_t key = s.board->hashKey;
    EXPECT_EQ(s.send("e7e5" + std::string(LINE_SIZE, ' ') + "\nsetboard " + std::string(400, '/')),
              "");
    EXPECT_EQ(s.board->hashKey, key);
    EXPECT_EQ(handleLine(s.board.get(), s.state.get(), "quit\n"), 0);
    for (const char* notQuit : {"quit \n", "quit", static_cast<const char*>(nullptr)})
        EXPECT_EQ(handleLine(s.board.get(), s.state.get(), notQuit), 1);
}

TEST(Loop, MemorySizesTheTableInPowersOfTwoAndCoresSetsTheThreads)
{
    const std::int32_t before = hashSize;
    Session s;
    // Buckets are 128 bytes: 8192 to the MiB, and 3 MiB hold the 2 MiB of a power of two.
    const std::pair<const char*, std::int32_t> sizes[] = {
        {"memory 1\n", 8192}, {"memory 3\n", 16384}, {"memory 0\n", 16384}, {"memory -5\n", 16384},
    };
    for (const auto& [line, buckets] : sizes) {
        s.send(line);
        EXPECT_EQ(hashSize, buckets) << line;
    }
    EXPECT_EQ(s.send("cores 3\ncores 0\ncores\n"),
              "Error (bad number of cores): cores 0\nError (bad number of cores): cores\n");
    EXPECT_EQ(searchThreadCount(), 3);
    s.send("cores 1\n");
    EXPECT_EQ(searchThreadCount(), 1);
    initHashtable(before);
}
