#include <gtest/gtest.h>

#include <climits>

#include "search_support.h"
#include "see.h"

using namespace support;

namespace {

// Generates the position's moves into the list of the current ply and scores them.
MoveList* scored(Board* board)
{
    MoveList* list = &board->moveLists[board->ply];
    list->count = std::uint16_t(generateMoves(board, list->moves, 1));
    assignScoreMovelist(board, list);
    return list;
}

struct BandCase {
    const char* fen;
    const char* move;
    int expected;
    const char* fault;
};

constexpr BandCase bandCases[] = {
    {"4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 5000 + 320, "winning capture above quiet moves"},
    {"rk6/pp6/8/2B4K/3B4/3q4/8/8 w - - 0 1", "c5a7", 5000 - 50, "losing 50 is still a good capture"},
    {"4k3/8/2p5/3b4/8/8/8/3RK3 w - - 0 1", "d1d5", 0, "losing more than 50 sorts with quiet moves"},
    {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8q", 5000 + 540 + 1050, "capturing promotion"},
    {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8n", 5000 + 540 + 320, "capturing underpromotion"},
    {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", 1050 + 1000 + 1000, "quiet queen promotion"},
    {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8n", 320 + 1000 + 1000, "quiet knight promotion"},
    {"8/kP6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", 3050 + 200, "promotion next to the king"},
    {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1", 3000, "short castling"},
    {"8/8/8/4k3/8/8/8/4K1N1 w - - 0 1", "g1f3", 420, "knight two squares from the king"},
    {"8/8/8/4k3/8/8/8/4K1N1 w - - 0 1", "g1h3", 0, "knight three squares from the king"},
    {"8/8/8/4k3/8/R7/8/4K3 w - - 0 1", "a3c3", 300, "rook two squares from the king"},
    {"8/8/8/4k3/8/8/Q7/4K3 w - - 0 1", "a2c4", 500, "queen two squares from the king"},
    {"8/8/8/4k3/8/8/Q7/4K3 w - - 0 1", "a2b3", 0, "queen three squares from the king"},
    {"8/8/8/4k3/8/8/8/4K3 w - - 0 1", "e1e2", 0, "no closeness bonus for the king"},
    {"7k/8/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6", 1000, "white pawn reaching the sixth rank"},
    {"8/5k2/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6", 1200, "and next to the king"},
    {"4k3/8/8/8/4p3/8/8/7K b - - 0 1", "e4e3", 1000, "black pawn reaching its sixth rank"},
};

TEST(Ordering, EachMoveKindScoresInItsBand)
{
    for (const BandCase& c : bandCases) {
        freshTables();
        auto board = boardFrom(c.fen);
        ASSERT_NE(board, nullptr) << c.fen;
        board->hashMove = NO_MOVE;
        MoveList* list = scored(board.get());
        const int i = indexOf(list, c.move);
        ASSERT_GE(i, 0) << c.move;
        EXPECT_EQ(list->score[i], c.expected) << c.fault;
        Move m = list->moves[i];
        EXPECT_EQ(list->seeScore[i], (m.flags & FLAG_CAPTURE) ? see(board.get(), &m) : 0) << c.fault;
    }
}

TEST(Ordering, HashMoveAndKillersReplaceTheScore)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move e4 = legalMove(board.get(), "e2e4"), d4 = legalMove(board.get(), "d2d4");
    updateKillerMove(board.get(), &e4);
    killerMove[0][0].killers[1] = d4;
    board->hashMove = e4;
    hashMoves = 0;
    MoveList* list = scored(board.get());
    EXPECT_EQ(list->score[indexOf(list, "e2e4")], 1000000);  // above the first killer
    EXPECT_EQ(hashMoves, 1);
    EXPECT_EQ(list->score[indexOf(list, "d2d4")], 2000);
    board->hashMove = NO_MOVE;
    EXPECT_EQ(assignScoreMovelist(board.get(), list), indexOf(list, "e2e4"));
    EXPECT_EQ(list->score[indexOf(list, "e2e4")], 3000);
    killerMove[0][0].killers[1] = e4;  // in both slots: the second killer's score
    assignScoreMovelist(board.get(), list);
    EXPECT_EQ(list->score[indexOf(list, "e2e4")], 2000);
    // White's killers never order black's moves, even on the same squares.
    auto black = boardFrom("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    Move ghost = legalMove(black.get(), "g8f6");
    ghost.piece = WHITE_KNIGHT;
    killerMove[0][0].killers[0] = ghost;
    black->hashMove = NO_MOVE;
    list = scored(black.get());
    EXPECT_EQ(list->score[indexOf(list, "g8f6")], 0);
}

TEST(Ordering, SelectionTakesTheBestAndTiesGoToTheEarlierMove)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    board->hashMove = NO_MOVE;
    MoveList* list = scored(board.get());
    for (int i = 0; i < list->count; ++i) {  // twenty equal moves come in generation order
        Move m;
        EXPECT_EQ(getNextBestMove(list, &m), i);
        EXPECT_EQ(text(m), text(list->moves[i]));
    }
    // Quiescence: every move by its exchange value; an empty list has no best move.
    auto busy = boardFrom("4k3/8/2p5/3b4/4P3/8/8/3RK3 w - - 0 1");
    list = &busy->moveLists[0];
    list->count = std::uint16_t(generateMoves(busy.get(), list->moves, 1));
    const int best = assignQScoreMovelist(busy.get(), list);
    EXPECT_EQ(text(list->moves[best]), "e4d5");
    for (int i = 0; i < list->count; ++i) {
        Move m = list->moves[i];
        EXPECT_EQ(list->score[i], see(busy.get(), &m)) << text(m);
        EXPECT_EQ(list->seeScore[i], list->score[i]) << text(m);
    }
    list->count = 0;
    EXPECT_EQ(assignQScoreMovelist(busy.get(), list), -1);
}

TEST(Ordering, RootFollowsSubtreeSizesBelowTheHashMove)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    MoveList* list = &board->moveLists[0];
    list->count = std::uint16_t(generateMoves(board.get(), list->moves, 1));
    for (int i = 0; i < list->count; ++i) board->rootMoveNodes[i] = 100 + i;
    board->rootMoveNodes[3] = 5000000000LL;  // beyond 32 bits: must neither wrap nor win
    board->rootMoveNodes[4] = 7;
    board->hashMove = list->moves[4];
    assignScoreRootMovelist(board.get(), list);
    EXPECT_EQ(list->score[4], 1000000000);
    Move m;
    EXPECT_EQ(getNextBestMove(list, &m), 4);
    EXPECT_EQ(getNextBestMove(list, &m), 3);
    EXPECT_EQ(getNextBestMove(list, &m), list->count - 1);
}

TEST(Killers, RankingFollowsSuccessCounts)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move a = legalMove(board.get(), "e2e4"), b = legalMove(board.get(), "d2d4"),
               c = legalMove(board.get(), "g1f3"), d = legalMove(board.get(), "c2c4");
    struct Step {
        const Move* move;
        const char* expected;
    };
    const Step steps[] = {
        {&a, "e2e4 - -"},        // straight to the top past empty slots
        {&b, "e2e4 d2d4 -"},     // one count does not pass another
        {&c, "e2e4 d2d4 g1f3"},  // stays at the bottom
        {&c, "g1f3 e2e4 d2d4"},  // two counts pass both ones
        {&d, "g1f3 e2e4 c2c4"},  // a new move replaces the bottom slot
    };
    for (const Step& s : steps) {
        updateKillerMove(board.get(), s.move);
        std::string slots;
        for (const Move& k : killerMove[0][0].killers) {
            if (!slots.empty()) slots += ' ';
            slots += k.from == NO_SQUARE ? std::string("-") : text(k);
        }
        EXPECT_EQ(slots, s.expected) << "after " << text(*s.move);
    }
    board->ply = MAX_PLY + 3;  // no table row there: nothing is written
    updateKillerMove(board.get(), &d);
}

TEST(History, BonusIsRelativeToTheSidesBestAndStaysInBounds)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move a = legalMove(board.get(), "e2e4"), b = legalMove(board.get(), "d2d4");
    EXPECT_EQ(getHistoryBonus(&a), 0);
    updateHistoryHeuristic(&a, 4);
    updateBadHistoryHeuristic(&b, 4);
    EXPECT_EQ(getHistoryBonus(&a), 1000);
    EXPECT_EQ(getHistoryBonus(&b), 0);
    EXPECT_EQ(successHistoryHeuristic[0][WHITE_PAWN][E4], 1u);
    EXPECT_EQ(badHistoryHeuristic[0][WHITE_PAWN][D4], 1u);
    updateHistoryHeuristic(&b, 2);
    EXPECT_EQ(getHistoryBonus(&b), 250);
    // A sum at the top of its range stays there instead of wrapping to nothing.
    historyHeuristic[0][WHITE_PAWN][E4] = UINT32_MAX - 5;
    updateHistoryHeuristic(&a, 10);
    EXPECT_EQ(historyHeuristic[0][WHITE_PAWN][E4], UINT32_MAX);
    EXPECT_EQ(getHistoryBonus(&a), 1000);
    EXPECT_EQ(getHistoryBonus(&b), 0);
    clearHistoryHeuristic();
    EXPECT_EQ(getHistoryBonus(&a), 0);
    EXPECT_EQ(historyMax[0], 1u);
}

TEST(History, CapturesAndPromotionsEnterNoTable)
{
    freshTables();
    auto board = boardFrom("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    for (const char* move : {"b7a8q", "b7b8q"}) {
        const Move m = legalMove(board.get(), move);
        updateKillerMove(board.get(), &m);
        updateHistoryHeuristic(&m, 6);
        updateBadHistoryHeuristic(&m, 6);
        EXPECT_EQ(killerMove[0][0].killers[0].from, NO_SQUARE) << move;
        EXPECT_EQ(successHistoryHeuristic[0][WHITE_PAWN][m.to], 0u) << move;
        EXPECT_EQ(badHistoryHeuristic[0][WHITE_PAWN][m.to], 0u) << move;
        EXPECT_EQ(historyMax[0], 1u) << move;
    }
}

}  // namespace
