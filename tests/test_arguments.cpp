// The engine's command line: the bench it shares with the tool, and the usage texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Output {
    std::vector<std::string> lines;  // standard output only
    int status;
};

Output run(const std::string& command)
{
    FILE* p = popen(("timeout 120 " + command + " 2>/dev/null </dev/null").c_str(), "r");
    Output r{{}, -1};
    char buf[4096];
    while (p && std::fgets(buf, sizeof buf, p)) r.lines.emplace_back(buf);
    if (p) r.status = WEXITSTATUS(pclose(p));
    return r;
}

// The node counts a bench prints, position by position and then the total.
std::vector<long long> benchNodes(const Output& r)
{
    std::vector<long long> nodes;
    for (const std::string& line : r.lines) {
        long long n = 0, m = 0;
        const std::size_t at = line.find(" nodes ");
        if (std::sscanf(line.c_str(), "%lld nodes %lld nps", &n, &m) == 2)
            nodes.push_back(n);  // the engine's total
        else if (std::sscanf(line.c_str(), "nodes %lld", &n) == 1)
            nodes.push_back(n);  // the tool's total
        else if (at != std::string::npos && std::sscanf(line.c_str() + at, " nodes %lld", &n) == 1)
            nodes.push_back(n);  // a position: "... nodes N time ..."
    }
    return nodes;
}

}  // namespace

TEST(Arguments, BenchIsTheToolsEndingInTheTestersForm)
{
    const Output engine = run(QUILLMAREN_BIN " bench 4");
    const Output tool = run(QUILLMAREN_TOOL " bench 4");
    ASSERT_EQ(engine.status, 0);
    ASSERT_FALSE(engine.lines.empty());
    long long total = 0, nps = 0;
    EXPECT_EQ(std::sscanf(engine.lines.back().c_str(), "%lld nodes %lld nps", &total, &nps), 2)
        << engine.lines.back();
    EXPECT_EQ(benchNodes(engine), benchNodes(tool));
    EXPECT_EQ(benchNodes(engine).size(), 43u);
}

TEST(Arguments, VersionHelpAndMistakes)
{
    const Output version = run(QUILLMAREN_BIN " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.lines, std::vector<std::string>{"Quillmaren v0.1g\n"});
    const Output help = run(QUILLMAREN_BIN " --help");
    EXPECT_EQ(help.status, 0);
    ASSERT_FALSE(help.lines.empty());
    EXPECT_EQ(help.lines[0].rfind("usage: quillmaren", 0), 0u);
    for (const char* wrong : {"--bogus", "bench 0", "bench x", "bench 3 4", "--version extra"}) {
        const Output r = run(std::string(QUILLMAREN_BIN " ") + wrong);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_TRUE(r.lines.empty()) << wrong;  // the usage text goes to standard error
    }
}
