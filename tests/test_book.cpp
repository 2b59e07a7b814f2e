// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "book.h"
#include "game.h"
#include "test_support.h"

namespace {

// The contents installed as the open book for the lifetime of the object; none for a
// missing book.
struct TestBook {
    std::FILE* saved = bookFile;
    explicit TestBook(const std::string* contents)
    {
        bookFile = contents ? std::tmpfile() : nullptr;
        if (bookFile) std::fputs(contents->c_str(), bookFile);
    }
    ~TestBook()
    {
        if (bookFile) std::fclose(bookFile);
        bookFile = saved;
    }
};

// A board from the position after the moves written back to back (e2e4e7e5); null when
// one is illegal.
BoardPtr boardAfter(const std::string& fen, const std::string& moves)
{
    BoardPtr board = boardFromFen(fen);
    return play(board.get(), moves) ? std::move(board) : nullptr;
}

// The book's move, "" for none. A move is announced as one thinking line; no move prints
// nothing and leaves the record untouched.
std::string bookChoice(Board* board)
{
    Move m = NO_MOVE;
    testing::internal::CaptureStdout();
    const int found = chooseBookMove(board, &m);
    const std::string printed = testing::internal::GetCapturedStdout();
    char text[8];
    const std::string move = found ? moveToString(&m, text) : "";
    EXPECT_EQ(printed, found ? "0 0 0 0 " + move + " (Book)\n" : "");
    EXPECT_EQ(m.from == NO_SQUARE, !found);
    return move;
}

}  // namespace

TEST(ShippedBook, EveryLineReplaysLegallyAndTheMainFirstMovesAreAnswered)
{
    std::stringstream contents;
    contents << std::ifstream(std::string(QUILLMAREN_SOURCE_DIR) + "/quillmaren.bk").rdbuf();
    for (std::string line; std::getline(contents, line);) {
        if (line.empty() || line[0] != ' ') continue;  // comments never match a game
        EXPECT_TRUE(line.size() % 4 == 1 && line.size() < BOOK_LINE_SIZE - 1) << line;
        EXPECT_NE(boardAfter(initialPosition, line.substr(1)), nullptr) << line;
    }
    const std::string text = contents.str();
    TestBook book(&text);
    for (const char* first : {"e2e4", "d2d4", "c2c4", "g1f3"})
        EXPECT_NE(bookChoice(boardAfter(initialPosition, first).get()), "") << first;
}

TEST(BookDraw, ThreeLinesAgainstOneAreDrawnThreeTimesAsOften)
{
    const std::string lines = " e2e4e7e5\n e2e4e7e5\n e2e4e7e5\n d2d4d7d5\n";
    TestBook book(&lines);
    BoardPtr board = boardFromFen(initialPosition);
    std::srand(20240601);
    std::map<std::string, int> drawn;
    for (int i = 0; i < 4000; ++i) ++drawn[bookChoice(board.get())];
    EXPECT_NEAR(drawn["e2e4"], 3000, 150);  // five standard deviations
    EXPECT_EQ(drawn["d2d4"], 4000 - drawn["e2e4"]);
}

TEST(BookDraw, ContinuesOnlyLinesThatFollowTheGameAndStaysInBounds)
{
    std::string manyLines, knights;  // more lines than the candidate list holds; 254 half-moves
    for (int i = 0; i < MAX_BOOK_CANDIDATES + 100; ++i) manyLines += " e2e4\n";
    for (int i = 0; i < 254 / 4; ++i) knights += "g1f3g8f6f3g1f6g8";
    knights += "g1f3g8f6";
    const char* S = initialPosition;
    // The book, the position set up, the moves played since, the book move expected ("": none).
    // A line's next move is answered in test_protocol.cpp.
    const std::tuple<std::string, const char*, std::string, const char*> cases[] = {
        {" d2d4d7d5\n e2e4c7c5\n", S, "e2e4", "c7c5"},
        {"# a comment\n e2e4g8f6\n", S, "", "e2e4"},
        {" e2e4 e7e5\n", S, "e2e4", ""},  // a blank between moves breaks the line
        {" e2e4", S, "e2e4e7e5", ""},     // the line (and file) ends before the game
        {" e2e4\n", S, "e2e4", ""},       // the line ends where the game does
        {"e2e4e7e5\n", S, "e2e4", ""},    // no leading space: never matches
        {" e2e4e2e4\n", S, "e2e4", ""},   // not a legal move now
        {"", S, "", ""},
        // After setboard the lines are read from the set-up position, where only g1f3 is legal.
        {" e2e4e7e5\n g1f3g8f6\n", "4k3/8/8/8/8/8/8/4K1N1 w - - 0 1", "", "g1f3"},
        {manyLines, S, "", "e2e4"},
        {" " + std::string(3000, 'e') + "\n e2e4\n", S, "", "e2e4"},  // read in pieces
        {" " + knights + "b1c3\n", S, knights, "b1c3"},  // 254 moves still fit the game line
        {" " + knights + "b1c3\n", S, knights + "b1c3f6g8", ""},
    };
    for (const auto& [contents, fen, played, expected] : cases) {
        TestBook book(&contents);
        BoardPtr board = boardAfter(fen, played);
        ASSERT_NE(board, nullptr) << played;
        EXPECT_EQ(bookChoice(board.get()), expected) << contents.substr(0, 30) << played;
    }
    TestBook missing(nullptr);
    Move m = NO_MOVE;
    EXPECT_EQ(getBookMove(boardFromFen(initialPosition).get(), &m), 0);
    EXPECT_EQ(m.from, NO_SQUARE);
}
