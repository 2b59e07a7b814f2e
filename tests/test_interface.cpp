#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "book.h"
#include "debug.h"
#include "hash.h"
#include "interface.h"

namespace {

struct BoardDeleter {
    void operator()(Board* b) const { delete b; }
};
using BoardPtr = std::unique_ptr<Board, BoardDeleter>;

BoardPtr boardFrom(const char* fen)
{
    initZobrist();
    BoardPtr board(newBoard());
    EXPECT_EQ(setupFen(board.get(), fen), 1) << fen;
    getHashkey(board.get());
    return board;
}

// The loop as a GUI drives it, in this process, with the book off and output captured.
struct Session {
    BoardPtr board = boardFrom(initialPosition);
    std::unique_ptr<LoopState> state = std::make_unique<LoopState>();
    Session() { initLoopState(state.get(), 0); }

    // Feeds the lines and returns what the engine printed meanwhile.
    std::string send(std::initializer_list<std::string> lines)
    {
        testing::internal::CaptureStdout();
        for (const std::string& line : lines) handleLine(board.get(), state.get(), line.c_str());
        return testing::internal::GetCapturedStdout();
    }
};

bool sameMen(const Board* a, const Board* b) { return std::memcmp(a->squares, b->squares, 128) == 0; }

}  // namespace

// ---- inputMoveLegal ----

TEST(InputMoveLegal, MatchesOnlyLegalMovesByTheirSquaresAndLetter)
{
    struct Case {
        const char* fen;
        const char* text;
        int expected;
        int promotion;  // expected promotion code, 0 when none is checked
    };
    const char* start = initialPosition;
    const char* whitePromotes = "7k/4P3/8/8/8/8/8/K7 w - - 0 1";
    const char* blackPromotes = "k7/8/8/8/8/8/4p3/7K b - - 0 1";
    const char* pinned = "4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1";
    const Case cases[] = {
        {start, "e2e4", 1, 0},
        {start, "e2e5", 0, 0},
        {start, "g1f3", 1, 0},
        {start, "e1g1", 0, 0},
        {start, "e2e4x", 1, 0},   // whatever follows a plain move is ignored
        {start, "E2E4", 0, 0},    // square names are lower case
        {start, "e2", 0, 0},
        {start, "e2e", 0, 0},
        {start, "", 0, 0},
        {start, "i2i4", 0, 0},
        {start, "e0e4", 0, 0},
        {start, "e7e5", 0, 0},    // the other side's move
        {whitePromotes, "e7e8q", 1, WHITE_QUEEN},
        {whitePromotes, "e7e8N", 1, WHITE_KNIGHT},
        {whitePromotes, "e7e8r", 1, WHITE_ROOK},
        {whitePromotes, "e7e8b", 1, WHITE_BISHOP},
        {whitePromotes, "e7e8", 0, 0},   // a promotion needs its letter
        {whitePromotes, "e7e8p", 0, 0},
        {whitePromotes, "e7e8k", 0, 0},
        {whitePromotes, "e7e8\n", 0, 0},
        {blackPromotes, "e2e1q", 1, BLACK_QUEEN},
        {blackPromotes, "e2e1R", 1, BLACK_ROOK},
        {blackPromotes, "e2e1", 0, 0},
        {pinned, "e2d3", 0, 0},   // the bishop is pinned to its king
        {pinned, "e1d1", 1, 0},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", 1, 0},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", 1, 0},
    };
    for (const Case& c : cases) {
        BoardPtr board = boardFrom(c.fen);
        BoardPtr before = boardFrom(c.fen);
        Move m = NO_MOVE;
        EXPECT_EQ(inputMoveLegal(board.get(), c.text, &m), c.expected) << c.fen << " " << c.text;
        if (c.expected) {
            char text[8];
            EXPECT_EQ(std::string(moveToString(&m, text)).substr(0, 4), std::string(c.text).substr(0, 4));
            if (c.promotion) {
                EXPECT_EQ(m.promotion, c.promotion) << c.text;
            }
        } else {
            EXPECT_EQ(m.from, NO_SQUARE) << "a refused text must leave the move untouched";
        }
        EXPECT_TRUE(sameMen(board.get(), before.get())) << c.text;
        EXPECT_EQ(board->hashKey, before->hashKey);
        EXPECT_EQ(board->sideToMove, before->sideToMove);
    }
}

TEST(InputMoveLegal, ReturnsTheGeneratorsRecordReadyForMakeMove)
{
    BoardPtr board = boardFrom("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    board->epSquare = D6;  // the position reader skips the field
    Move m;
    ASSERT_EQ(inputMoveLegal(board.get(), "e5d6", &m), 1);
    EXPECT_EQ(m.flags, FLAG_MOVE | FLAG_CAPTURE | FLAG_ENPASSANT);
    EXPECT_EQ(m.captured, BLACK_PAWN);
    EXPECT_EQ(m.piece, WHITE_PAWN);
}

// ---- checkGameDraw and the game-end test ----

TEST(CheckGameDraw, KnightShuffleIsReportedFromTheThirdOccurrenceAfterMoveOne)
{
    // Entry 0 (the set-up position) is never compared: the start position standing for the
    // third time after half-move 8 is not a draw yet; the one after g1f3 is, at 9.
    const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    const int expected[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0};
    BoardPtr board = boardFrom(initialPosition);
    for (int i = 0; i < 14; ++i) {
        Move m;
        ASSERT_EQ(inputMoveLegal(board.get(), shuffle[i % 4], &m), 1);
        Move* stored = &board->gameMoves[board->gamePly];
        *stored = m;
        makeMove(board.get(), stored);
        updateHashKey(board.get(), stored);
        EXPECT_EQ(checkGameDraw(board.get()), expected[i]) << "after half-move " << i + 1;
    }
}

TEST(CheckGameDraw, NoHistoryNoDraw)
{
    BoardPtr board = boardFrom(initialPosition);
    EXPECT_EQ(checkGameDraw(board.get()), 0);
}

TEST(GameEnd, ResultLinesForMateStalemateAndPlay)
{
    struct Case {
        const char* fen;
        const char* expected;
    };
    const Case cases[] = {
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", "0-1 {Black mates}\n"},
        {"6Rk/5Q2/8/8/8/8/8/K7 b - - 0 1", "1-0 {White mates}\n"},
        {"k7/8/1Q6/8/8/8/8/K7 b - - 0 1", "1/2-1/2 {Stalemate}\n"},
        {initialPosition, ""},
    };
    for (const Case& c : cases) {
        BoardPtr board = boardFrom(c.fen);
        Move moves[MAX_MOVES];
        testing::internal::CaptureStdout();
        const int ended = checkGameEnd(board.get(), moves);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expected) << c.fen;
        EXPECT_EQ(ended, c.expected[0] != '\0');
    }
}

// ---- the loop, line by line ----

TEST(Loop, TimeAndStBudgetsIncludingOverflowingNumbers)
{
    struct Case {
        const char* line;
        std::int32_t timeLimit;
        std::int32_t hardCap;
    };
    const Case cases[] = {
        {"time 6000\n", 1500, 0},
        {"st 5\n", 5000, 4750},
        {"st 1\n", 1000, 900},
        {"st 100\n", 100000, 95000},
        {"time -4\n", -1, 0},
        {"time -3\n", 0, 0},
        {"st 0\n", 0, 1},
        {"st -5\n", -5000, 1},
        {"time 99999999999999999999999\n", 214748364, 0},
        {"time -99999999999999999999999\n", -214748364, 0},
        {"st 99999999999\n", 214748364, 214748364 - 214748364 / 20},
        {"st 2147483647\n", 214748364, 214748364 - 214748364 / 20},
    };
    for (const Case& c : cases) {
        Session s;
        s.send({c.line});
        EXPECT_EQ(s.state->timeLimit, c.timeLimit) << c.line;
        EXPECT_EQ(s.state->hardCap, c.hardCap) << c.line;
    }
    // Under "st" the GUI sends "time" with the time left for the move (xboard sends
    // "time 100" before every move of "st 1"): it may shorten the move, never stretch it.
    struct Sequence {
        std::initializer_list<std::string> lines;
        std::int32_t timeLimit;
        std::int32_t hardCap;
    };
    const Sequence sequences[] = {
        {{"st 1\n", "time 100\n"}, 1000, 900},
        {{"st 5\n", "time 6000\n"}, 5000, 4750},
        {{"st 5\n", "time 300\n"}, 3000, 2850},
        {{"st 5\n", "time 300\n", "time 6000\n"}, 5000, 4750},
        {{"st 5\n", "time -50\n"}, -500, 1},
        {{"st 5\n", "level 40 5 0\n", "time 6000\n"}, 1500, 0},  // a clock for the game again
        {{"time 6000\n", "st 2\n"}, 2000, 1900},
        {{"st 2\n", "time abc\n", "st \n", "time\n"}, 2000, 1900},  // no number: no change
    };
    for (const Sequence& q : sequences) {
        Session s;
        s.send(q.lines);
        EXPECT_EQ(s.state->timeLimit, q.timeLimit) << *q.lines.begin() << " " << q.lines.size();
        EXPECT_EQ(s.state->hardCap, q.hardCap) << *q.lines.begin() << " " << q.lines.size();
    }
}

TEST(Loop, ForceModeRecordsMovesSilentlyAndUndoTwiceRestoresKeys)
{
    Session s;
    s.send({"new\n", "force\n"});
    const std::uint64_t key = s.board->hashKey, key2 = s.board->hashKey2;
    EXPECT_EQ(s.send({"e2e4\n", "e7e5\n"}), "");
    EXPECT_EQ(s.board->gamePly, 2u);
    const std::uint64_t keyAfterE4 = s.board->hashHistory[1];
    EXPECT_EQ(s.send({"g1f3\n", "undo\n", "undo\n"}), "");
    EXPECT_EQ(s.board->gamePly, 1u);
    EXPECT_EQ(s.board->hashKey, keyAfterE4);
    s.send({"undo\n"});
    EXPECT_EQ(s.board->gamePly, 0u);
    EXPECT_EQ(s.board->hashKey, key);
    EXPECT_EQ(s.board->hashKey2, key2);
    EXPECT_TRUE(sameMen(s.board.get(), boardFrom(initialPosition).get()));
    s.send({"undo\n"});  // nothing left to take back
    EXPECT_EQ(s.board->gamePly, 0u);
    EXPECT_TRUE(boardIsOk(s.board.get()));
}

TEST(Loop, UndoRestoresCastlingRightsCapturesAndCheck)
{
    Session s;
    s.send({"setboard r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1\n", "force\n"});
    const std::uint64_t key = s.board->hashKey;
    s.send({"a1a8\n"});  // takes a rook, gives check, costs both sides a right
    EXPECT_EQ(s.board->inCheck, 1);
    EXPECT_EQ(s.board->castlingRights, CASTLE_WHITE_SHORT | CASTLE_BLACK_SHORT);
    s.send({"undo\n"});
    EXPECT_EQ(s.board->castlingRights, 15u);
    EXPECT_EQ(s.board->inCheck, 0);
    EXPECT_EQ(s.board->hashKey, key);
    EXPECT_EQ(s.board->squares[A8], BLACK_ROOK);
    EXPECT_TRUE(boardIsOk(s.board.get()));
}

TEST(Loop, RemoveTakesBackOneMoveOfEachSide)
{
    Session s;
    s.send({"force\n", "e2e4\n", "e7e5\n", "g1f3\n", "remove\n"});
    EXPECT_EQ(s.board->gamePly, 1u);
    EXPECT_EQ(s.board->sideToMove, 1);
}

TEST(Loop, RefusedSetboardKeepsPositionAndGame)
{
    const char* refused[] = {
        "setboard garbage\n",
        "setboard\n",
        "setboard 8/8/8/8/8/8/8/8 w - - 0 1\n",                 // no kings
        "setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1\n",  // seven ranks
        "setboard 4k3/8/8/8/8/8/8/4K2R b - - 0 1\n",            // accepted
    };
    for (int i = 0; i < 4; ++i) {
        Session s;
        s.send({"force\n", "e2e4\n", "e7e5\n"});
        const std::uint64_t key = s.board->hashKey;
        EXPECT_EQ(s.send({refused[i]}), "tellusererror Illegal position\n") << refused[i];
        EXPECT_EQ(s.board->gamePly, 2u);
        EXPECT_EQ(s.board->hashKey, key);
        EXPECT_EQ(s.board->gameMoves[0].from, E2);
        EXPECT_EQ(s.send({"undo\n"}), "");
        EXPECT_EQ(s.board->gamePly, 1u);
    }
    Session s;
    EXPECT_EQ(s.send({refused[4]}), "");
    EXPECT_EQ(s.board->sideToMove, 1);
}

TEST(Loop, SetboardTurnsTheBookOffAndComputesTrueKeys)
{
    Session s;
    s.state->bookEnabled = 1;
    const char* fen = "r3k2r/pppq1ppp/2n5/3pp3/8/2N5/PPPQ1PPP/R3K2R w KQkq - 0 1";
    EXPECT_EQ(s.send({std::string("setboard ") + fen + "\n"}), "");
    EXPECT_EQ(s.state->bookEnabled, 0);
    EXPECT_EQ(s.board->gamePly, 0u);
    BoardPtr expected = boardFrom(fen);
    EXPECT_EQ(s.board->hashKey, expected->hashKey);
    EXPECT_EQ(s.board->hashKey2, expected->hashKey2);
}

TEST(Loop, SetboardTakesTheEnPassantSquareOnlyWhenACaptureCanBeReal)
{
    struct Case {
        const char* fen;
        int epSquare;
    };
    const Case cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", D6},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 2", D3},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 2", NO_SQUARE},
        {"4k3/8/8/3nP3/8/8/8/4K3 w - d6 0 2", NO_SQUARE},  // no pawn passed there
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 2", NO_SQUARE},  // wrong rank for white to move
        {"4k3/3p4/8/3pP3/8/8/8/4K3 w - d6 0 2", NO_SQUARE},  // d7 not empty
        {"4k3/8/8/3pP3/8/8/8/4K3 w - z9 0 2", NO_SQUARE},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6x 0 2", NO_SQUARE},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d", NO_SQUARE},
    };
    for (const Case& c : cases) {
        Session s;
        s.send({std::string("setboard ") + c.fen + "\n"});
        EXPECT_EQ(s.board->epSquare, c.epSquare) << c.fen;
        EXPECT_TRUE(boardIsOk(s.board.get()));
    }
    // The capture the GUI allows is accepted as the opponent's move.
    Session s;
    s.send({"force\n", "setboard 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2\n", "e5d6\n"});
    EXPECT_EQ(s.board->gamePly, 1u);
    EXPECT_EQ(s.board->squares[D5], EMPTY);
}

TEST(Loop, EditModeSetsTheEditedPositionWithConventionalCastling)
{
    Session s;
    // As cutechess-cli sends a set-up position with black to move, before it knows setboard.
    const std::string out = s.send({"new\n", "force\n", "b2b3\n", "edit\n", "#\n", "Ke1\n", "Rh1\n",
                                    "Ra2\n", "Pe4\n", "xe4\n", "Pd4\n", "c\n", "Ke8\n", "Ra8\n",
                                    "Pd5\n", ".\n"});
    EXPECT_EQ(out, "");
    EXPECT_EQ(s.state->editMode, 0);
    EXPECT_EQ(s.board->sideToMove, 1) << "edit mode keeps the side to move";
    EXPECT_EQ(s.board->gamePly, 0u);
    BoardPtr expected = boardFrom("r3k3/8/8/3p4/3P4/8/R7/4K2R b Kq - 0 1");
    EXPECT_TRUE(sameMen(s.board.get(), expected.get()));
    EXPECT_EQ(s.board->castlingRights, CASTLE_WHITE_SHORT | CASTLE_BLACK_LONG);
    EXPECT_EQ(s.board->hashKey, expected->hashKey);
    EXPECT_EQ(s.state->bookEnabled, 0);
    EXPECT_TRUE(boardIsOk(s.board.get()));
}

TEST(Loop, RefusedEditKeepsTheGameAndIgnoresCommandsMeanwhile)
{
    Session s;
    s.send({"force\n", "e2e4\n"});
    const std::uint64_t key = s.board->hashKey;
    // A lone king; lines that are not edit commands do nothing while editing.
    const std::string out = s.send({"edit\n", "#\n", "Ke1\n", "e7e5\n", "go\n", "Zz9\n", "Ke9\n",
                                    "P\n", ".\n"});
    EXPECT_EQ(out, "tellusererror Illegal position\n");
    EXPECT_EQ(s.board->gamePly, 1u);
    EXPECT_EQ(s.board->hashKey, key);
    EXPECT_EQ(s.state->editMode, 0);
    // Pawns on the first or last rank are refused too.
    EXPECT_EQ(s.send({"edit\n", "Pa8\n", ".\n"}), "tellusererror Illegal position\n");
    EXPECT_EQ(s.board->gamePly, 1u);
    // Without "#" the men are added to the current position.
    s.send({"edit\n", "xe4\n", "Pe2\n", ".\n"});
    EXPECT_TRUE(sameMen(s.board.get(), boardFrom(initialPosition).get()));
    EXPECT_EQ(s.board->castlingRights, 15u);
}

TEST(Loop, GameLengthLimitRefusesMovesAndTheEnginesTurnClaimsOrResigns)
{
    const char* shuffle[] = {"g1f3\n", "g8f6\n", "f3g1\n", "f6g8\n"};
    Session s;
    s.send({"force\n"});
    testing::internal::CaptureStdout();
    for (int i = 0; i < MAX_GAME_PLY; ++i) handleLine(s.board.get(), s.state.get(), shuffle[i % 4]);
    const std::string during = testing::internal::GetCapturedStdout();
    // Reported after half-moves 9 to 12, where positions stand exactly three times.
    std::string fourDraws;
    for (int i = 0; i < 4; ++i) fourDraws += "1/2-1/2 {Draw by repetition}\n";
    EXPECT_EQ(during, fourDraws);
    ASSERT_EQ(s.board->gamePly, std::uint32_t(MAX_GAME_PLY));
    const std::uint64_t key = s.board->hashKey;

    EXPECT_EQ(s.send({"g1f3\n"}), "Illegal move (game too long): g1f3\n");
    EXPECT_EQ(s.board->gamePly, std::uint32_t(MAX_GAME_PLY));
    EXPECT_EQ(s.board->hashKey, key);
    // A hundred half-moves without pawn move or capture: the GUI confirms this claim.
    EXPECT_EQ(s.send({"go\n"}), "1/2-1/2 {50 move rule}\n");
    EXPECT_EQ(s.board->gamePly, std::uint32_t(MAX_GAME_PLY));
    // Taking moves back makes room again.
    s.send({"force\n", "undo\n"});
    EXPECT_EQ(s.board->gamePly, std::uint32_t(MAX_GAME_PLY - 1));
    // Ending on pawn moves, the claim would be false: the engine resigns instead.
    s.send({"undo\n", "undo\n", "undo\n", "a2a3\n", "a7a6\n", "a3a4\n", "a6a5\n"});
    ASSERT_EQ(s.board->gamePly, std::uint32_t(MAX_GAME_PLY));
    EXPECT_EQ(s.send({"go\n"}), "resign\n");
}

TEST(Loop, GoWithoutLegalMovesPlaysNothing)
{
    Session s;
    s.send({"setboard k7/8/1Q6/8/8/8/8/K7 b - - 0 1\n"});
    EXPECT_EQ(s.send({"go\n"}), "1/2-1/2 {Stalemate}\n");
    EXPECT_EQ(s.board->gamePly, 0u);
    s.send({"setboard rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3\n"});
    EXPECT_EQ(s.send({"go\n"}), "0-1 {Black mates}\n");
    EXPECT_EQ(s.board->gamePly, 0u);
}

TEST(Loop, OverlongAndGarbageLinesNeitherCrashNorChangeTheGame)
{
    Session s;
    s.send({"force\n", "e2e4\n"});
    const std::uint64_t key = s.board->hashKey;
    const std::string overlong = std::string(300, 'a') + "\n";
    const std::string movesInside = "e7e5" + std::string(LINE_SIZE, ' ') + "\n";
    EXPECT_EQ(s.send({overlong, movesInside, std::string(LINE_SIZE - 1, 'q'),
                      "setboard " + std::string(400, '/') + "\n"}),
              "");
    EXPECT_EQ(s.board->gamePly, 1u);
    EXPECT_EQ(s.board->hashKey, key);

    // Random bytes and mangled commands, never "go" or "new" (they would leave force mode).
    std::mt19937 rng(12345);
    const char* words[] = {"time ", "st ", "setboard ", "edit\n", ".\n", "#\n", "c\n", "undo\n",
                           "remove\n", "xboard\n", "Ke1\n", "xa1\n", "e2e4\n", "e7e5\n", "g1f3\n",
                           "b8c6\n", "protover 2\n", "level 40 5 0\n", "otim 100\n"};
    testing::internal::CaptureStdout();
    for (int i = 0; i < 5000; ++i) {
        std::string line;
        if (rng() % 2) {
            line = words[rng() % (sizeof words / sizeof *words)];
            if (line.back() != '\n') {
                const int tail = int(rng() % 40);
                for (int k = 0; k < tail; ++k) line += char(32 + rng() % 95);
                line += '\n';
            }
        } else {
            const int length = int(rng() % 300);
            for (int k = 0; k < length; ++k) line += char(1 + rng() % 255);
        }
        if (line == "go\n" || line == "new\n") continue;
        handleLine(s.board.get(), s.state.get(), line.c_str());
        ASSERT_TRUE(boardIsOk(s.board.get())) << "after line " << i;
        ASSERT_LE(s.board->gamePly, std::uint32_t(MAX_GAME_PLY));
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(s.state->forceMode, 1);
}

TEST(Loop, QuitEndsOnlyAsAWholeLine)
{
    Session s;
    EXPECT_EQ(handleLine(s.board.get(), s.state.get(), "quit\n"), 0);
    EXPECT_EQ(handleLine(s.board.get(), s.state.get(), "quit \n"), 1);
    EXPECT_EQ(handleLine(s.board.get(), s.state.get(), "quit"), 1);
    EXPECT_EQ(handleLine(s.board.get(), s.state.get(), nullptr), 1);
}

TEST(FiftyMoveRule, CountsOnlyRecordedQuietPieceMoves)
{
    Session s;
    s.send({"force\n"});
    const char* shuffle[] = {"g1f3\n", "g8f6\n", "f3g1\n", "f6g8\n"};
    testing::internal::CaptureStdout();
    for (int i = 0; i < 99; ++i) handleLine(s.board.get(), s.state.get(), shuffle[i % 4]);
    EXPECT_EQ(fiftyMoveRule(s.board.get()), 0);
    handleLine(s.board.get(), s.state.get(), shuffle[99 % 4]);
    EXPECT_EQ(fiftyMoveRule(s.board.get()), 1);
    handleLine(s.board.get(), s.state.get(), "e2e4\n");
    EXPECT_EQ(fiftyMoveRule(s.board.get()), 0);
    testing::internal::GetCapturedStdout();
}
