// SPDX-License-Identifier: GPL-3.0-or-later
#include <climits>
#include <tuple>

#include "bench.h"
#include "search_support.h"

namespace {

// Scores the position's moves for the main search, into the list of the current ply; the
// score of the move named, INT_MIN when it is not among them.
int scoreOf(Board* board, const char* move, const Move& hashMove = NO_MOVE)
{
    board->hashMove = hashMove;
    MoveList* list = &board->moveLists[board->ply];
    list->count = std::uint16_t(generateMoves(board, list->moves, 1));
    assignScoreMovelist(board, list);
    settleScores(board, list);
    for (int i = 0; i < list->count; ++i)
        if (moveText(list->moves[i]) == move) return list->score[i];
    return INT_MIN;
}

TEST(Ordering, EachMoveKindScoresInItsBand)
{
    constexpr const char* captures = "4k3/8/2p5/3b4/4P3/8/8/3RK3 w - - 0 1";
    constexpr const char* promotions = "r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1";
    // Men landing within two squares of the enemy king earn a bonus; the king does not.
    constexpr const char* nearKing = "8/8/8/4k3/8/R3K3/Q7/6N1 w - - 0 1";
    const std::tuple<const char*, const char*, int> cases[] = {
        {captures, "e4d5", 5000 + 345}, {captures, "d1d5", 0},  // loses 95: sorts as quiet
        // Every value is a multiple of 5: an exchange losing 50 is the last good capture.
        {"rk6/pp6/8/2B4K/3B4/3q4/8/8 w - - 0 1", "c5a7", 5000 - 50},
        {promotions, "b7a8q", 5000 + 540 + 1050}, {promotions, "b7b8q", 1050 + 1000 + 1000},
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1", 3000},
        {nearKing, "g1f3", 420}, {nearKing, "g1h3", 0}, {nearKing, "a3c3", 300},
        {nearKing, "a2c4", 500}, {nearKing, "e3d3", 0},
        // Pawns next to the king, and reaching their sixth rank.
        {"8/5k2/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6", 1200},
        {"4k3/8/8/8/4p3/8/8/7K b - - 0 1", "e4e3", 1000},
    };
    for (const auto& [fen, move, expected] : cases) {
        freshTables();
        auto board = boardFromFen(fen);
        EXPECT_EQ(scoreOf(board.get(), move), expected) << fen << " " << move;
    }
}

TEST(Ordering, HashMoveAndKillersReplaceTheScore)
{
    freshTables();
    auto board = boardFromFen(initialPosition);
    const Move e4 = legalMove(board.get(), "e2e4");
    updateKillerMove(board.get(), &e4);
    killerMove[0][0].killers[1] = legalMove(board.get(), "d2d4");
    EXPECT_EQ(scoreOf(board.get(), "d2d4"), 2000);
    MoveList* list = &board->moveLists[0];
    EXPECT_EQ(moveText(list->moves[assignScoreMovelist(board.get(), list)]), "e2e4");
    EXPECT_EQ(scoreOf(board.get(), "e2e4", e4), 1000000);  // above the first killer
    killerMove[0][0].killers[1] = e4;  // in both slots: the second killer's score
    EXPECT_EQ(scoreOf(board.get(), "e2e4"), 2000);
    // Another man's move on the same squares is not the killer.
    killerMove[0][0].killers[0].piece = killerMove[0][0].killers[1].piece = WHITE_QUEEN;
    EXPECT_EQ(scoreOf(board.get(), "e2e4"), 0);
    // Black keeps killers of its own.
    auto black = boardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    const Move f6 = legalMove(black.get(), "g8f6");
    updateKillerMove(black.get(), &f6);
    EXPECT_EQ(scoreOf(black.get(), "g8f6"), 3000);
}

TEST(Ordering, RootFollowsSubtreeSizesBelowTheHashMove)
{
    auto board = boardFromFen(initialPosition);
    MoveList* list = &board->moveLists[0];
    list->count = std::uint16_t(generateMoves(board.get(), list->moves, 1));
    for (int i = 0; i < list->count; ++i) board->rootMoveNodes[i] = 100 + i;
    board->rootMoveNodes[3] = 5000000000LL;  // beyond 32 bits: must neither wrap nor win
    board->rootMoveNodes[4] = 7;
    board->rootMoveNodes[6] = board->rootMoveNodes[5];  // a tie: the lower index first
    board->hashMove = list->moves[4];
    assignScoreRootMovelist(board.get(), list);
    std::string picks;
    Move m;
    for (int i = 0; i < list->count; ++i) picks += std::to_string(getNextBestMove(list, &m)) + " ";
    EXPECT_EQ(picks, "4 3 19 18 17 16 15 14 13 12 11 10 9 8 7 5 6 2 1 0 ");
}

TEST(Ordering, PickerHandsOutTheSelectionOrderAndNamesEachNextMove)
{
    // Lists of 1..60 moves with few distinct scores (many ties), started with and without
    // the ordering's best index.
    auto board = boardFromFen(initialPosition);
    MoveList* list = &board->moveLists[0];
    MoveList* reference = &board->moveLists[1];
    std::uint64_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        const int n = 1 + round % 60;
        list->count = std::uint16_t(n);
        for (int i = 0; i < n; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            list->moves[i] = NO_MOVE;
            list->moves[i].to = std::uint8_t(i);
            list->score[i] = int(seed >> 59) * 1000 - 31000;
            list->picked[i] = 0;
            list->pending[i] = 0;
        }
        *reference = *list;
        std::vector<int> expected;
        Move m;
        for (int i = 0; i < n; ++i) expected.push_back(getNextBestMove(reference, &m));
        MovePicker picker;
        startPicking(&picker, board.get(), list, round % 2 ? expected[0] : -1);
        for (int i = 0; i < n; ++i) {
            // The second move is named only when asked for: most nodes stop at their first.
            ASSERT_EQ(picker.following, i == 1 ? UNNAMED : expected[i])
                << "round " << round << " pick " << i;
            ASSERT_EQ(pickMove(&picker, &m), expected[i]);
            ASSERT_EQ(m.to, expected[i]);
        }
        EXPECT_EQ(picker.following, -1);
    }
}

TEST(Ordering, ExchangesCountedLateLeaveTheOrderAsCountedUpFront)
{
    // Both orderings, the main search's with and without a hash move, along random games
    // from the bench's positions: hanging men and exchanges of every size.
    freshTables();
    std::uint64_t seed = 2024;
    for (int p = 0; p < benchPositionCount; ++p) {
        auto board = boardFromFen(benchPositions[p]);
        MoveList* lazy = &board->moveLists[0];
        MoveList* counted = &board->moveLists[1];
        for (int step = 0; step < 12; ++step) {
            for (int kind = 0; kind < 3; ++kind) {
                const bool quiescence = kind == 2;
                lazy->count = std::uint16_t(quiescence ? generateCaptures(board.get(), lazy->moves, 1)
                                                       : generateMoves(board.get(), lazy->moves, 1));
                if (lazy->count == 0) break;
                board->hashMove = kind == 1 ? lazy->moves[step % lazy->count] : NO_MOVE;
                *counted = *lazy;
                auto order = quiescence ? assignQScoreMovelist : assignScoreMovelist;
                const int first = order(board.get(), lazy);
                order(board.get(), counted);
                settleScores(board.get(), counted);
                MovePicker picker;
                startPicking(&picker, board.get(), lazy, first);
                Move m;
                for (int i = 0; i < lazy->count; ++i) {
                    const int expected = getNextBestMove(counted, &m);
                    const int got = !quiescence ? pickMove(&picker, &m)
                                  : i == 0      ? getMove(lazy, &m, first)
                                                : nextBestMove(board.get(), lazy, &m);
                    ASSERT_EQ(got, expected) << benchPositions[p] << " step " << step
                                             << " kind " << kind << " pick " << i;
                }
            }
            const int n = generateMoves(board.get(), lazy->moves, 1);
            if (n == 0) break;
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            Move m = lazy->moves[(seed >> 33) % n];
            const int checks = givesCheck(board.get(), &m);
            makeMove(board.get(), &m);
            updateHashKey(board.get(), &m);
            board->inCheck = std::uint8_t(checks);
        }
    }
}

TEST(Killers, RankingFollowsSuccessCounts)
{
    freshTables();
    auto board = boardFromFen(initialPosition);
    const std::pair<const char*, const char*> steps[] = {
        {"e2e4", "e2e4 - - "},        // straight to the top past empty slots
        {"d2d4", "e2e4 d2d4 - "},     // one count does not pass another
        {"g1f3", "e2e4 d2d4 g1f3 "},  // stays at the bottom
        {"g1f3", "g1f3 e2e4 d2d4 "},  // two counts pass both ones
        {"c2c4", "g1f3 e2e4 c2c4 "},  // a new move replaces the bottom slot
    };
    for (const auto& [move, expected] : steps) {
        const Move m = legalMove(board.get(), move);
        updateKillerMove(board.get(), &m);
        std::string slots;
        for (const Move& k : killerMove[0][0].killers)
            slots += (k.from == NO_SQUARE ? std::string("-") : moveText(k)) + " ";
        EXPECT_EQ(slots, expected) << "after " << move;
    }
    board->ply = MAX_PLY + 3;  // no table row there: nothing is written, not even black's
    updateKillerMove(board.get(), &killerMove[0][0].killers[0]);
    EXPECT_EQ(killerMove[1][3].killers[0].from, NO_SQUARE);
}

TEST(History, BonusIsRelativeToTheSidesBestAndStaysInBounds)
{
    freshTables();
    auto board = boardFromFen("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    const Move a = legalMove(board.get(), "e1e2"), b = legalMove(board.get(), "e1d2");
    updateHistoryHeuristic(&a, 4);
    updateHistoryHeuristic(&b, 2);
    EXPECT_EQ(scoreOf(board.get(), "e1e2"), 1000);
    EXPECT_EQ(scoreOf(board.get(), "e1d2"), 250);
    // A sum at the top of its range stays there instead of wrapping to nothing, and stays the
    // best one.
    historyHeuristic[0][WHITE_KING][E2] = UINT32_MAX - 5;
    updateHistoryHeuristic(&a, 10);
    EXPECT_EQ(getHistoryBonus(&a), 1000);
    EXPECT_EQ(getHistoryBonus(&b), 0);
    for (const char* move : {"b7a8q", "b7b8q"}) {  // captures and promotions enter no table
        const Move m = legalMove(board.get(), move);
        updateKillerMove(board.get(), &m);
        updateHistoryHeuristic(&m, 6);
        EXPECT_EQ(getHistoryBonus(&m), 0) << move;
        EXPECT_EQ(killerMove[0][0].killers[0].from, NO_SQUARE) << move;
    }
}

}  // namespace
