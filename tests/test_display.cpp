#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "display.h"
#include "hash.h"

namespace {

std::string drawn(const char* fen)
{
    initZobrist();
    std::unique_ptr<Board> board(newBoard());
    EXPECT_EQ(setupFen(board.get(), fen), 1);
    getHashkey(board.get());
    testing::internal::CaptureStdout();
    displayBoard(board.get());
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string color(int attribute, int foreground, int background)
{
    return "\x1b[" + std::to_string(attribute) + ";" + std::to_string(30 + foreground) + ";"
           + std::to_string(40 + background) + "m";
}

}  // namespace

TEST(Display, SetColorWritesTheAnsiSequence)
{
    testing::internal::CaptureStdout();
    setColor(1, 3, 0);
    setColor(0, 7, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\x1b[1;33;40m\x1b[0;37;40m");
}

TEST(Display, StartPositionDrawsRankEightFirstWithColoursAndBookkeeping)
{
    const std::string out = drawn(initialPosition);
    const std::string dashes = "   " + std::string(49, '-');
    // Rank 8 first: a8 is a light square, black men in blue.
    const std::string rank8 = color(1, 3, 0) + "8  " + color(1, 7, 0) + "|" + color(1, 4, 7) + "  r  "
                              + color(1, 7, 0) + "|" + color(1, 4, 0) + "  n  ";
    EXPECT_EQ(out.find(color(1, 7, 0) + dashes + "\n" + rank8), 0u);
    // White men in red; a1 dark, b1 light.
    EXPECT_NE(out.find("1  " + color(1, 7, 0) + "|" + color(1, 1, 0) + "  R  " + color(1, 7, 0) + "|"
                       + color(1, 1, 7) + "  N  "),
              std::string::npos);
    // An empty light square is five blanks on white (a6).
    EXPECT_NE(out.find("6  " + color(1, 7, 0) + "|" + color(1, 1, 7) + "     "), std::string::npos);
    EXPECT_LT(out.find("8  "), out.find("1  "));
    EXPECT_NE(out.find("      A     B     C     D     E     F     G     H"), std::string::npos);
    EXPECT_NE(out.find("\t\t[Ply 0: White to move.]\n"), std::string::npos);
    EXPECT_NE(out.find("\t[Material balance = 0, nWhite = 16, nBlack = 16].\n"), std::string::npos);
    EXPECT_NE(out.find("\t[Castling status: 15, wKing on e1, bKing on e8]\n"), std::string::npos);
    EXPECT_NE(out.find("\t[Hash key: "), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - color(0, 7, 0).size()), color(0, 7, 0));
}

TEST(Display, BookkeepingFollowsThePosition)
{
    const std::string out = drawn("4k3/8/8/8/8/8/8/R3K3 b Q - 0 1");
    EXPECT_NE(out.find("[Ply 0: Black to move.]"), std::string::npos);
    EXPECT_NE(out.find("[Material balance = 540, nWhite = 2, nBlack = 1]."), std::string::npos);
    EXPECT_NE(out.find("[Castling status: 2, wKing on e1, bKing on e8]"), std::string::npos);
}

TEST(Display, ShowToolDrawsTheDiagramAndRefusesBadPositions)
{
    const std::string tool = QUILLMAREN_TOOL;
    FILE* p = popen((tool + " show \"8/8/8/8/8/8/8/K6k w - - 0 1\" 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    EXPECT_EQ(pclose(p), 0);
    EXPECT_NE(out.find("wKing on a1, bKing on h1"), std::string::npos) << out;

    p = popen((tool + " show \"not a position\" 2>/dev/null").c_str(), "r");
    ASSERT_NE(p, nullptr);
    while (std::fgets(buf, sizeof buf, p)) {}
    EXPECT_NE(pclose(p), 0);
}
