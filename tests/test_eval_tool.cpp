#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "eval.h"
#include "test_support.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path)
{
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

// Runs the tool with the arguments (already quoted for the shell).
ToolRun runTool(const std::string& arguments)
{
    const std::string base = testing::TempDir() + "quillmaren-eval-tool";
    const std::string command = std::string("'") + QUILLMAREN_TOOL + "' " + arguments + " >" + base
        + ".out 2>" + base + ".err";
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return {status, readFile(base + ".out"), readFile(base + ".err")};
}

std::string lastLine(const std::string& text)
{
    std::string trimmed = text;
    while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
    const std::size_t cut = trimmed.rfind('\n');
    return cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
}

TEST(EvalTool, PrintsTheSameScoreAsTheEngine)
{
    const char* fens[] = {
        "r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 8",
        "2kr3r/pp1q1ppp/2n1bn2/2bpp3/4P3/2NP1N2/PPPBBPPP/R2Q1RK1 b - - 4 9",
    };
    for (const char* fen : fens) {
        auto board = boardFromFen(fen);
        const ToolRun run = runTool(std::string("eval '") + fen + "'");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(lastLine(run.out), "eval " + std::to_string(eval(board.get()))) << fen;
    }
}

TEST(EvalTool, TermsTraceTheHandWorkedPassedPawns)
{
    const ToolRun run = runTool("eval --terms '4k3/8/4P3/8/3p4/8/8/4K3 w - - 0 1'");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("passed pawns           132     110      22"), std::string::npos)
        << run.out;
    EXPECT_EQ(lastLine(run.out), "eval 22");
}

TEST(EvalTool, SeeOfALegalMove)
{
    const ToolRun run = runTool("see '4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' e4d5");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(lastLine(run.out), "see 220");
}

TEST(EvalTool, SeeRefusesMovesThatAreNotLegal)
{
    const char* refused[] = {
        "'4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' e4e6",  // no such move
        "'4k3/8/8/8/8/1n6/3p4/4K3 w - - 0 1' e1d2",  // into a defended square
        "'4k3/1P6/8/8/8/8/8/4K3 w - - 0 1' b7b8",  // promotion without its piece
        "'4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' xyzzy",
        "'4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1' e4d5e4d5e4d5e4d5",
    };
    for (const char* arguments : refused) {
        const ToolRun run = runTool(std::string("see ") + arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out.find("see "), std::string::npos) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
    }
}

TEST(EvalTool, BadPositionsAreRefused)
{
    for (const char* arguments :
        {"eval 'not a position'", "eval --terms '8/8/8/8 w'", "see 'xx' e2e4", "eval", "see"}) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
    }
}

}  // namespace
