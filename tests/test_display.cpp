// The diagram, as the show tool prints it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace {

// The exit status and standard output of "quillmaren-tool show".
std::pair<int, std::string> show(const std::string& fen)
{
    const std::string command = std::string(QUILLMAREN_TOOL) + " show \"" + fen + "\" 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buf[512];
    while (p && std::fgets(buf, sizeof buf, p)) out += buf;
    return {p ? WEXITSTATUS(pclose(p)) : -1, out};
}

}  // namespace

TEST(Display, DiagramStartsWithRankEightAndEndsWithTheBookkeeping)
{
    const std::string bar = "\x1b[1;37;40m|";
    const std::string files = "      A     B     C     D     E     F     G     H\n";
    const std::string top = "\x1b[1;37;40m   " + std::string(49, '-') + "\n\x1b[1;33;40m8  " + bar;
    // Each part follows the one before; the first opens the diagram. Black men are blue,
    // white men red, light squares white (a8, b1).
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         {top + "\x1b[1;34;47m  r  " + bar + "\x1b[1;34;40m  n  " + bar,
          "\x1b[1;33;40m1  " + bar + "\x1b[1;31;40m  R  " + bar + "\x1b[1;31;47m  N  ", files,
          "[Ply 0: White to move.]", "[Material balance = 0, nWhite = 16, nBlack = 16].",
          "[Castling status: 15, wKing on e1, bKing on e8]"}},
        {"4k3/8/8/8/8/8/8/R3K3 b Q - 0 1",
         {top + "\x1b[1;31;47m     " + bar, files, "[Ply 0: Black to move.]",
          "[Material balance = 540, nWhite = 2, nBlack = 1].",
          "[Castling status: 2, wKing on e1, bKing on e8]"}},
    };
    for (const auto& [fen, parts] : cases) {
        const auto [status, out] = show(fen);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out.rfind(parts[0], 0), 0u) << fen;
        std::size_t at = 0;
        for (const std::string& part : parts)
            EXPECT_NE(at = out.find(part, at), std::string::npos) << part;
        EXPECT_EQ(out.substr(out.size() - 10), "\x1b[0;37;40m") << "colours reset at the end";
    }
    EXPECT_EQ(show("not a position").first, 2);
}
