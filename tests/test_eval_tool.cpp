#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "test_support.h"

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ToolCase {
    const char* arguments;  // quoted for the shell
    int status;
    const char* lastLine = nullptr;  // of standard output, when accepted
    const char* alsoPrinted = "";
};

const ToolCase toolCases[] = {
    {"eval 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'", 0, "eval 0"},
    {"eval '3qk3/5ppp/8/8/8/8/5PPP/2RR2K1 b - - 0 1'", 0, "eval -180"},
    {"eval --terms '4k3/8/4P3/8/3p4/8/8/4K3 w - - 0 1'", 0, "eval 22",
        "passed pawns           132     110      22"},
    {"see '4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' e4d5", 0, "see 220"},
    {"see '4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' e4e6", 2},  // no such move
    {"see '4k3/8/8/8/8/1n6/3p4/4K3 w - - 0 1' e1d2", 2},  // into a defended square
    {"see '4k3/1P6/8/8/8/8/8/4K3 w - - 0 1' b7b8", 2},  // promotion without its piece
    {"see '4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' e4d5e4d5e4d5e4d5", 2},
    {"eval 'not a position'", 2},
    {"eval --terms '8/8/8/8 w'", 2},
    {"see 'xx' e2e4", 2},
    {"eval", 2}, {"see", 2},
    // A mated root is no search, for either colour: it once failed low for ever.
    {"bench 3 'k7/1Q6/1K6/8/8/8/8/8 b - - 0 1'", 0, "nodes 0 nps 0", "score -32000"},
    {"bench 3 'K7/1q6/1k6/8/8/8/8/8 w - - 0 1'", 0, "nodes 0 nps 0", "score -32000"},
};

TEST(EvalTool, LastLineOrRefusalWithStatusTwo)
{
    const std::string base = testing::TempDir() + "quillmaren-eval-tool-" + std::to_string(getpid());
    for (const ToolCase& c : toolCases) {
        const std::string command = std::string("timeout 20 '") + QUILLMAREN_TOOL + "' " + c.arguments + " >"
            + base + ".out 2>" + base + ".err";
        const int raw = std::system(command.c_str());
        const std::string out = slurp(base + ".out"), err = slurp(base + ".err");
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, c.status) << c.arguments;
        if (c.lastLine) {
            const std::size_t cut = out.rfind('\n', out.size() - 2);
            EXPECT_EQ(out.substr(cut + 1), c.lastLine + std::string("\n")) << c.arguments;
            EXPECT_NE(out.find(c.alsoPrinted), std::string::npos) << out;
        } else {
            EXPECT_FALSE(err.empty()) << c.arguments;
            EXPECT_EQ(out, "") << c.arguments;
        }
    }
}

}  // namespace
