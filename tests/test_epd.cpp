// SPDX-License-Identifier: GPL-3.0-or-later
#include "san.h"
#include "test_support.h"

namespace {

// The record as "fen | id | bm moves | am moves", or the reason it was refused.
std::string parsed(const std::string& line)
{
    auto r = std::make_unique<EpdRecord>();
    const char* why = "no reason given";
    if (!epdParse(line.c_str(), r.get(), &why)) return std::string("refused: ") + why;
    std::string text = std::string(r->fen) + " | " + r->id + " | bm";
    for (int i = 0; i < r->bestCount; ++i) text += std::string(" ") + r->best[i];
    text += " | am";
    for (int i = 0; i < r->avoidCount; ++i) text += std::string(" ") + r->avoid[i];
    return text;
}

TEST(EpdParse, ReadsPositionIdBestAndAvoidMovesAndRefusesWhatWouldOverflow)
{
    EXPECT_EQ(parsed("4k3/8/8/8/8/8/8/R3K2R w KQ - bm O-O Ra8+; am Kd1 Kf1; id \"a;b c\";"),
              "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1 | a;b c | bm O-O Ra8+ | am Kd1 Kf1");
    EXPECT_EQ(parsed("  8/8/8/8/8/8/8/K6k\tb  -  e3 c0 \"bm Qa1; x\"; acd 12;  bm\tKa2  ;  "),
              "8/8/8/8/8/8/8/K6k b - e3 0 1 |  | bm Ka2 | am");
    EXPECT_EQ(parsed("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 bm e4;"),
              "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 |  | bm e4 | am");
    std::string manyMoves = "8/8/8/8/8/8/8/K6k w - - bm";
    for (int i = 0; i <= EPD_MAX_MOVES; ++i) manyMoves += " Kb1";
    for (const std::string& line : {manyMoves + ";", std::string(200, '8') + " w - - bm Kb1;",
                                    "8/8/8/8/8/8/8/K6k w - - bm " + std::string(40, 'K') + ";",
                                    std::string("8/8/8/8/8/8/8/K6k w KX - bm Kb1;")})
        EXPECT_EQ(parsed(line).rfind("refused: ", 0), 0u) << line;
}

// The tool's output for the file in tests/data and the time, standard error included.
std::string epd(const std::string& args, int* status)
{
    std::string out;
    const std::string data = "'" QUILLMAREN_SOURCE_DIR "/tests/data/";
    *status = runCommand("'" QUILLMAREN_TOOL "' epd " + data + args + " 2>&1", &out);
    return out;
}

// The mate suite: mates in one for both sides and in two, a queen won by a fork, a poisoned
// pawn to avoid.
TEST(EpdCommand, MateSuiteSolvedBrokenPositionsAndAWrongBmUnsolved)
{
    int status = -1;
    EXPECT_TRUE(epd("mates.epd' 500", &status).ends_with("\nsolved 5 of 5\n"));
    EXPECT_EQ(status, 0);
    epd("mates.epd' 0", &status);
    EXPECT_EQ(status, 2) << "a search of no time accepted";
    const std::string out = epd("broken.epd' 50", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(out.ends_with("\nsolved 0 of 8\n")) << out;
    const std::pair<const char*, const char*> expected[] = {
        {"nine-ranks\"", "refused"}, {"wrong-bm\"", "expected bm Ra7 found"},
        {"wrong-bm\"", " unsolved"}, {"unreadable-bm\"", "Ra9"}, {"illegal-bm\"", "Rb8"},
        {"nothing-to-check\"", "refused"}, {"checkmated\"", "no legal move"},
        {"line 7", "refused"},
    };
    for (const auto& [where, text] : expected) {
        const std::size_t at = out.find(where);
        const std::string line =
            at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
        EXPECT_NE(line.find(text), std::string::npos) << where << " lacks " << text << ":\n" << out;
    }
}

}  // namespace
