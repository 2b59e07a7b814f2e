// SPDX-License-Identifier: GPL-3.0-or-later
// Make and unmake: every field comes back, keys follow the position, null moves too; the fast
// legality filter agrees with the trial make.
#include "movegen.h"
#include "test_support.h"

namespace {

// At every inner node below the board: the fast filter keeps exactly the moves the trial make
// keeps, in order (captures too), and the trial leaves the board alone. Each legal move made and
// keyed gives the from-scratch keys and a consistent board; taken back, it restores everything.
void walk(Board* b, int depth, int* made)
{
    const Snapshot before = snap(b);
    Move pseudo[MAX_MOVES], captures[MAX_MOVES];
    // A capture with every field the generators fill, so that the capture generator and
    // the full one are held to the same records in the same order.
    auto records = [](const Move* moves, int n, bool capturesOnly) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i)
            if (!capturesOnly || (moves[i].flags & FLAG_CAPTURE))
                out.push_back(moveText(moves[i]) + char('A' + moves[i].flags) + char('A' + moves[i].captured)
                              + char('A' + moves[i].piece));
        return out;
    };
    // The quiet-check generator gives the quiet moves that givesCheck accepts, in order.
    std::vector<std::string> legal, legalCaptures, quietChecks;
    const int np = generateMoves(b, pseudo, 0);
    ASSERT_EQ(records(captures, generateCaptures(b, captures, 0), true), records(pseudo, np, true));
    for (int i = 0; i < np; ++i) {
        if (!(pseudo[i].flags & FLAG_CAPTURE) && givesCheck(b, &pseudo[i]))
            quietChecks.push_back(moveText(pseudo[i]));
        if (!isLegalSimple(b, &pseudo[i])) continue;
        legal.push_back(moveText(pseudo[i]));
        if (pseudo[i].flags & FLAG_CAPTURE) legalCaptures.push_back(records(&pseudo[i], 1, false)[0]);
    }
    ASSERT_TRUE(snap(b) == before);
    ASSERT_EQ(moveTexts(pseudo, generateQuietChecks(b, pseudo)), quietChecks);
    MoveList* list = &b->moveLists[b->ply];
    const int n = generateMoves(b, list->moves, 1);
    ASSERT_EQ(moveTexts(list->moves, n), legal);
    ASSERT_EQ(records(captures, generateCaptures(b, captures, 1), false), legalCaptures);
    // The null move: side turned, en passant gone, keys as from scratch and predicted.
    Move null{};
    const std::uint64_t predictedNull = hashKey2AfterNull(b);
    makeNullmove(b, &null);
    const std::uint64_t n1 = b->hashKey, n2 = b->hashKey2;
    ASSERT_TRUE(b->sideToMove != before.sideToMove && b->epSquare == NO_SQUARE
                && b->gamePly == before.gamePly + 1 && b->hashHistory[b->gamePly] == n1);
    getHashkey(b);
    ASSERT_TRUE(b->hashKey == n1 && b->hashKey2 == n2 && n2 == predictedNull);
    unmakeNullmove(b, &null);
    ASSERT_TRUE(snap(b) == before);
    for (int i = 0; i < n; ++i) {
        Move* m = &list->moves[i];
        const std::uint64_t predicted = hashKey2After(b, m);
        makeMove(b, m);
        updateHashKey(b, m);
        ASSERT_TRUE(boardIsOk(b));
        const std::uint64_t k1 = b->hashKey, k2 = b->hashKey2;
        ASSERT_EQ(predicted, k2);
        getHashkey(b);
        ASSERT_EQ(k1, b->hashKey);
        ASSERT_EQ(k2, b->hashKey2);
        ASSERT_EQ(b->hashHistory[b->gamePly], k1);
        if (depth > 1) walk(b, depth - 1, made);
        updateHashKey(b, m);
        unmakeMove(b, m);
        ++*made;
        ASSERT_TRUE(snap(b) == before);
    }
}

TEST(MakeUnmake, EveryMoveAndNullMoveRestoresEveryFieldAndKeysAndFiltersAgree)
{
    // All four castlings, promotions with and without capture for both sides, and en passant
    // for both sides (the reader ignores the en-passant field: the double steps come in the walk).
    const struct { const char* fen; int depth; } cases[] = {
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3},
        {"r3k2r/1P4P1/8/3pP3/8/8/1p4p1/R3K2R w KQkq - 0 1", 3},
        {"4k3/3p4/8/4P3/2p5/8/1P6/4K3 w - - 0 1", 4},  // b2b4 c4b3; Ke1f1 d7d5 e5d6
        // Checks uncovered by a knight, a pawn, a king and a bishop, for both sides.
        {"4k2r/1b6/8/4N3/8/4R3/1P4n1/B3K3 w k - 0 1", 3},
        {"3rk3/4r3/8/8/6b1/5p2/8/2K4Q b - - 0 1", 3},
    };
    for (const auto& c : cases) {
        BoardPtr b = boardFromFen(c.fen);
        int made = 0;
        walk(b.get(), c.depth - (sanitizedRun() ? 1 : 0), &made);
        EXPECT_GT(made, 0) << c.fen;
    }
}

}  // namespace
