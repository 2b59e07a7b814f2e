// SPDX-License-Identifier: GPL-3.0-or-later
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "eval.h"
#include "movegen.h"
#include "see.h"
#include "tool.h"
#include "utils.h"

namespace {

// A FEN given unquoted arrives as several arguments: put it back together.
std::string joinArguments(int argc, char** argv)
{
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (i) text += ' ';
        text += argv[i];
    }
    return text;
}

void printTerms(const EvalTerms* terms)
{
    std::printf("%-18s %7s %7s %7s\n", "term", "white", "black", "net");
    std::printf("%-18s %7s %7s %7d\n", "material", "", "", terms->material);
    if (terms->drawn) {
        std::printf("material draw: the score is 0\n");
        return;
    }
    for (int t = 0; t < TERM_COUNT; ++t) {
        const int w = terms->white[t], b = terms->black[t];
        std::printf("%-18s %7d %7d %7d\n", evalTermNames[t], w, b, w - b);
    }
    std::printf("%-18s %7s %7s %7d\n", "king halved", "", "", terms->kingHalving);
    std::printf("phase %s\n", terms->endgame ? "endgame" : "middlegame");
    std::printf("%-18s %7s %7s %7d\n", "total (White)", "", "", terms->total);
}

// Positions of every kind: openings, middlegames with castled and uncastled kings,
// endgames, promotions pending, material draws.
constexpr const char* benchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 8",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r2q1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/2KR1B1R w - - 3 10",
    "r1bq1rk1/ppp2ppp/2n2n2/3pp3/1bPP4/2N1PN2/PP3PPP/R1BQKB1R w KQ - 0 6",
    "2rq1rk1/pp1bppbp/3p1np1/4n3/3NP3/1BN1BP2/PPPQ2PP/2KR3R w - - 7 12",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "rnbq1rk1/pp2bppp/4pn2/2pp4/2PP4/2N1PN2/PP3PPP/R1BQKB1R w KQ - 0 6",
    "2kr3r/pp1q1ppp/2n1bn2/2bpp3/4P3/2NP1N2/PPPBBPPP/R2Q1RK1 b - - 4 9",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3QP3/1BN1B3/PPP2PPP/R4RK1 w - - 0 12",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 b - - 0 10",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "8/8/4k3/8/2P5/8/5K2/8 w - - 0 1",
    "8/5pk1/6p1/3P4/8/6P1/5PK1/8 b - - 0 1",
    "4r1k1/pp3ppp/2p5/8/3P4/2P5/P4PPP/4R1K1 w - - 0 1",
    "8/8/8/3k4/8/8/8/3K1N2 w - - 0 1",
    "8/8/1p2k3/p1p5/P1P1K3/1P6/8/8 w - - 0 1",
    "r1bqk2r/pppp1Bpp/2n2n2/2b1p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 0 4",
    "3rr1k1/pp3pbp/2p3p1/3q4/3P4/1QP1B3/P4PPP/R4RK1 w - - 0 18",
    "2r2rk1/1bqnbppp/pp1ppn2/8/2PNP3/1PN1BP2/P2QB1PP/2RR2K1 w - - 1 15",
    "r5k1/5ppp/1p6/p1p5/7b/1PPrqPP1/1PQ4P/R4R1K b - - 0 1",
    "8/1k6/3p4/p2P1p2/P2P1P2/8/8/1K6 w - - 0 1",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 1",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - - 0 1",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - - 0 1",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 1",
    "7k/8/8/8/8/8/8/K7 w - - 0 1",
};

int bench()
{
    constexpr int rounds = 100000;
    std::unique_ptr<Board> boards[std::size(benchPositions)];
    for (std::size_t i = 0; i < std::size(benchPositions); ++i) {
        boards[i].reset(toolBoard(benchPositions[i]));
        if (!boards[i]) return 2;
    }
    long long checksum = 0;
    const std::int64_t start = timer();
    for (int round = 0; round < rounds; ++round)
        for (const auto& board : boards) checksum += eval(board.get());
    const std::int64_t ms = timer() - start;
    const long long evaluations =
        static_cast<long long>(rounds) * static_cast<long long>(std::size(boards));
    std::printf("positions %zu, evaluations %lld, checksum %lld\n", std::size(boards), evaluations,
        checksum / rounds);
    std::printf("time %lld ms, %.0f evaluations per second\n", static_cast<long long>(ms),
        ms > 0 ? double(evaluations) * 1000.0 / double(ms) : 0.0);
    return 0;
}

}  // namespace

int toolEval(int argc, char** argv)
{
    if (argc == 1 && !std::strcmp(argv[0], "--bench")) return bench();
    bool withTerms = false;
    if (argc > 0 && !std::strcmp(argv[0], "--terms")) {
        withTerms = true;
        --argc;
        ++argv;
    }
    if (argc < 1) return toolUsage("usage: eval [--terms] \"<FEN>\" | eval --bench");
    const std::string fen = joinArguments(argc, argv);
    std::unique_ptr<Board> board(toolBoard(fen.c_str()));
    if (!board) return 2;
    EvalTerms terms;
    const int score = eval(board.get(), withTerms ? &terms : nullptr);
    if (withTerms) printTerms(&terms);
    std::printf("eval %d\n", score);
    return 0;
}

int toolSee(int argc, char** argv)
{
    if (argc < 2) return toolUsage("usage: see \"<FEN>\" <move>");
    const std::string fen = joinArguments(argc - 1, argv);
    std::string text = argv[argc - 1];
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    std::unique_ptr<Board> board(toolBoard(fen.c_str()));
    if (!board) return 2;

    Move moves[MAX_MOVES];
    const int n = generateMoves(board.get(), moves, 1);
    char name[8];
    for (int i = 0; i < n; ++i) {
        if (text != moveToString(&moves[i], name)) continue;
        std::printf("see %d\n", see(board.get(), &moves[i]));
        return 0;
    }
    std::fprintf(
        stderr, "quillmaren-tool: not a legal move in this position: %s\n", argv[argc - 1]);
    return 2;
}
