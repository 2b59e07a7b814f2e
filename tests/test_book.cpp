#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#include "book.h"
#include "hash.h"
#include "interface.h"

namespace {

struct BoardDeleter {
    void operator()(Board* b) const { delete b; }
};
using BoardPtr = std::unique_ptr<Board, BoardDeleter>;

BoardPtr startBoard(const char* fen = initialPosition)
{
    initZobrist();
    BoardPtr board(newBoard());
    EXPECT_EQ(setupFen(board.get(), fen), 1);
    getHashkey(board.get());
    return board;
}

void play(Board* board, const char* text)
{
    Move m;
    ASSERT_EQ(inputMoveLegal(board, text, &m), 1) << text;
    Move* stored = &board->gameMoves[board->gamePly];
    *stored = m;
    makeMove(board, stored);
    updateHashKey(board, stored);
}

// A book file in a temporary place, installed as the open book for one test.
class TestBook {
public:
    explicit TestBook(const std::string& contents)
    {
        char name[] = "/tmp/quillmaren-book-XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        FILE* f = fdopen(fd, "w");
        std::fputs(contents.c_str(), f);
        std::fclose(f);
        saved_ = bookFile;
        bookFile = std::fopen(path_.c_str(), "r");
    }
    ~TestBook()
    {
        if (bookFile) std::fclose(bookFile);
        bookFile = saved_;
        std::remove(path_.c_str());
    }

private:
    std::string path_;
    std::FILE* saved_;
};

// The book's choice with its announcement captured.
std::string bookChoice(Board* board, int* found, std::string* printed = nullptr)
{
    Move m = NO_MOVE;
    testing::internal::CaptureStdout();
    *found = chooseBookMove(board, &m);
    const std::string out = testing::internal::GetCapturedStdout();
    if (printed) *printed = out;
    char text[8];
    return *found ? moveToString(&m, text) : "";
}

}  // namespace

// ---- the shipped book ----

TEST(ShippedBook, EveryLineReplaysAsLegalMovesOfReasonableLength)
{
    const std::string path = std::string(QUILLMAREN_SOURCE_DIR) + "/quillmaren.bk";
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr) << path;
    char line[BOOK_LINE_SIZE];
    int lines = 0;
    std::map<std::string, int> occurrences;
    std::map<std::string, int> firstMoves;
    while (std::fgets(line, sizeof line, f)) {
        std::string text(line);
        ASSERT_EQ(text.back(), '\n') << "line too long for one read: " << text;
        text.pop_back();
        if (text.empty() || text[0] != ' ') continue;  // comments never match a game
        ++lines;
        ++occurrences[text];
        const std::string moves = text.substr(1);
        ASSERT_EQ(moves.size() % 4, 0u) << text;
        const std::size_t count = moves.size() / 4;
        EXPECT_GE(count, 8u) << text;
        EXPECT_LE(count, 20u) << text;
        ++firstMoves[moves.substr(0, 4)];
        BoardPtr board = startBoard();
        for (std::size_t i = 0; i < count; ++i) {
            const std::string move = moves.substr(4 * i, 4);
            play(board.get(), move.c_str());
            if (HasFatalFailure()) {
                ADD_FAILURE() << "in line: " << text << " at move " << i + 1;
                std::fclose(f);
                return;
            }
        }
    }
    std::fclose(f);
    EXPECT_GE(lines, 60);
    EXPECT_LE(lines, 150);
    int repeated = 0;
    for (const auto& [text, n] : occurrences) repeated += n > 1;
    EXPECT_GE(repeated, 10) << "popular lines stand more than once";
    // Both main first moves, and flank openings too.
    EXPECT_GT(firstMoves["e2e4"], 0);
    EXPECT_GT(firstMoves["d2d4"], 0);
    EXPECT_GT(firstMoves["c2c4"], 0);
    EXPECT_GT(firstMoves["g1f3"], 0);
}

TEST(ShippedBook, AnswersTheMainFirstMovesAsBlack)
{
    const std::string path = std::string(QUILLMAREN_SOURCE_DIR) + "/quillmaren.bk";
    std::FILE* saved = bookFile;
    bookFile = std::fopen(path.c_str(), "r");
    ASSERT_NE(bookFile, nullptr);
    for (const char* first : {"e2e4", "d2d4", "c2c4", "g1f3"}) {
        BoardPtr board = startBoard();
        play(board.get(), first);
        int found = 0;
        bookChoice(board.get(), &found);
        EXPECT_EQ(found, 1) << "no book reply to " << first;
    }
    std::fclose(bookFile);
    bookFile = saved;
}

// ---- stringMatch ----

TEST(StringMatch, PrefixRulesIncludingEmptyTextAndShortLine)
{
    struct Case {
        const char* text;
        const char* line;
        int expected;
    };
    constexpr Case cases[] = {
        {"", "anything", 1},
        {"", "", 1},
        {" e2e4", " e2e4e7e5\n", 1},
        {" e2e4", " e2e4", 1},
        {" e2e4e7e5", " e2e4", 0},  // the line ends before the text
        {" e2e4", "e2e4e7e5", 0},   // no leading space
        {" e2e4", " e2e3", 0},
        {"abc", "abd", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stringMatch(c.text, c.line), c.expected) << '"' << c.text << "\" in \"" << c.line << '"';
}

// ---- getBookMove ----

TEST(BookDraw, ThreeLinesAgainstOneAreDrawnThreeTimesAsOften)
{
    TestBook book(" e2e4e7e5\n e2e4e7e5\n e2e4e7e5\n d2d4d7d5\n");
    BoardPtr board = startBoard();
    std::srand(20240601);
    int e4 = 0, d4 = 0;
    const int draws = 4000;
    for (int i = 0; i < draws; ++i) {
        int found = 0;
        const std::string move = bookChoice(board.get(), &found);
        ASSERT_EQ(found, 1);
        if (move == "e2e4") ++e4;
        else if (move == "d2d4") ++d4;
        else ADD_FAILURE() << "unexpected book move " << move;
    }
    // 3000 expected, standard deviation about 27.
    EXPECT_GT(e4, 2850);
    EXPECT_LT(e4, 3150);
    EXPECT_EQ(e4 + d4, draws);
}

TEST(BookDraw, AnnouncesTheMoveAsOneThinkingLine)
{
    TestBook book(" e2e4e7e5\n");
    BoardPtr board = startBoard();
    int found = 0;
    std::string printed;
    EXPECT_EQ(bookChoice(board.get(), &found, &printed), "e2e4");
    EXPECT_EQ(printed, "0 0 0 0 e2e4 (Book)\n");
}

TEST(BookDraw, ContinuesOnlyLinesThatFollowTheGame)
{
    struct Case {
        const char* book;
        const char* played;  // moves played before the lookup, back to back
        const char* expected;  // "" for no book move
    };
    const Case cases[] = {
        {" e2e4e7e5\n", "e2e4", "e7e5"},
        {" e2e4 e7e5\n", "e2e4", ""},         // a blank between moves breaks the line
        {" e2e4\n", "e2e4", ""},              // the line ends where the game does
        {"e2e4e7e5\n", "e2e4", ""},           // no leading space: never matches
        {" d2d4d7d5\n e2e4c7c5\n", "e2e4", "c7c5"},
        {" e2e4e2e4\n", "e2e4", ""},          // not a legal move now
        {" e2e4e7e5\n", "d2d4", ""},
        {"# a comment\n e2e4g8f6\n", "e2e4", "g8f6"},
        {"", "", ""},                         // an empty book
    };
    for (const Case& c : cases) {
        TestBook book(c.book);
        BoardPtr board = startBoard();
        const std::string played = c.played;
        for (std::size_t i = 0; i + 4 <= played.size(); i += 4) play(board.get(), played.substr(i, 4).c_str());
        int found = 0;
        EXPECT_EQ(bookChoice(board.get(), &found), c.expected) << "book \"" << c.book << "\" after " << c.played;
        EXPECT_EQ(found, c.expected[0] != '\0');
    }
}

TEST(BookDraw, AfterSetboardTheBookOffersFirstMovesLegalThere)
{
    TestBook book(" e2e4e7e5\n g1f3g8f6\n");
    // No pawn on e2 here: only g1f3 is legal.
    BoardPtr board = startBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1");
    int found = 0;
    EXPECT_EQ(bookChoice(board.get(), &found), "g1f3");
}

TEST(BookDraw, MissingBookGivesNoMoveAndLeavesTheMoveUntouched)
{
    std::FILE* saved = bookFile;
    bookFile = nullptr;
    BoardPtr board = startBoard();
    Move m = NO_MOVE;
    EXPECT_EQ(getBookMove(board.get(), &m), 0);
    EXPECT_EQ(m.from, NO_SQUARE);
    bookFile = saved;
}

TEST(BookDraw, GameTooLongForTheGameLineGivesNoMoveWithoutOverrun)
{
    // Knights out and back: 4 half-moves a round.
    const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string bookLine254 = " ";
    for (int i = 0; i < 254; ++i) bookLine254 += shuffle[i % 4];
    TestBook book(bookLine254 + "b1c3\n");
    BoardPtr board = startBoard();
    for (int i = 0; i < 254; ++i) play(board.get(), shuffle[i % 4]);
    int found = 0;
    EXPECT_EQ(bookChoice(board.get(), &found), "b1c3") << "254 moves still fit the game line";

    for (int i = 254; i < 256; ++i) play(board.get(), shuffle[i % 4]);
    Move m = NO_MOVE;
    testing::internal::CaptureStdout();
    EXPECT_EQ(chooseBookMove(board.get(), &m), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(m.from, NO_SQUARE);
}

TEST(BookDraw, MoreMatchingLinesThanTheCandidateListHoldsStaySafe)
{
    std::string contents;
    for (int i = 0; i < MAX_BOOK_CANDIDATES + 100; ++i) contents += " e2e4\n";
    TestBook book(contents);
    BoardPtr board = startBoard();
    int found = 0;
    EXPECT_EQ(bookChoice(board.get(), &found), "e2e4");
}

TEST(BookDraw, OverlongBookLinesAreReadInPiecesWithoutHarm)
{
    std::string contents = " " + std::string(3000, 'e') + "\n e2e4\n";
    TestBook book(contents);
    BoardPtr board = startBoard();
    int found = 0;
    EXPECT_EQ(bookChoice(board.get(), &found), "e2e4");
}
