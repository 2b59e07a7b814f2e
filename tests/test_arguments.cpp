// SPDX-License-Identifier: GPL-3.0-or-later
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

// The node counts a bench prints, position by position ("... nodes N time ...") and then the
// total ("N nodes M nps" from the engine, "nodes N nps M" from the tool).
std::vector<long long> benchNodes(const Output& r)
{
    std::vector<long long> nodes;
    for (const std::string& line : r.lines) {
        const std::size_t at = line.find("nodes ");
        long long n = 0;
        if (std::sscanf(line.c_str(), "%lld nodes", &n) == 1
            || (at != std::string::npos && std::sscanf(line.c_str() + at + 6, "%lld", &n) == 1))
            nodes.push_back(n);
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
