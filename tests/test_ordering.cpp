#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

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

int scoreOf(const char* fen, const char* move)
{
    freshTables();
    auto b = boardFrom(fen);
    EXPECT_NE(b, nullptr) << fen;
    if (!b) return INT32_MIN;
    b->hashMove = NO_MOVE;
    MoveList* list = scored(b.get());
    const int i = indexOf(list, move);
    EXPECT_GE(i, 0) << move << " in " << fen;
    return i < 0 ? INT32_MIN : list->score[i];
}

// Ordering bands of the main search, one position each.
struct BandCase {
    const char* fen;
    const char* move;
    int expected;
    const char* fault;
};

constexpr BandCase bandCases[] = {
    {"4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 5000 + 320, "winning capture above the quiet band"},
    {"rk6/pp6/8/2B4K/3B4/3q4/8/8 w - - 0 1", "c5a7", 5000 - 50, "capture losing 50 still a good capture"},
    {"4k3/8/2p5/3b4/8/8/8/3RK3 w - - 0 1", "d1d5", 0, "capture losing more than 50 sorted with quiet moves"},
    {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8q", 5000 + 540 + 1050, "capturing promotion adds the new piece"},
    {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8n", 5000 + 540 + 320, "capturing underpromotion adds the knight"},
    {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", 1050 + 1000 + 1000, "quiet queen promotion band"},
    {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8n", 320 + 1000 + 1000, "quiet knight promotion band"},
    {"8/kP6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", 1050 + 1000 + 1000 + 200, "promotion next to the king"},
    {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1", 3000, "short castling bonus"},
    {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1c1", 3000, "long castling bonus"},
    {"8/8/8/4k3/8/8/8/4K1N1 w - - 0 1", "g1f3", 420, "knight two squares from the king"},
    {"8/8/8/4k3/8/8/8/4K1N1 w - - 0 1", "g1h3", 0, "knight three squares from the king"},
    {"8/8/8/4k3/8/8/8/2B1K3 w - - 0 1", "c1e3", 410, "bishop two squares from the king"},
    {"8/8/8/4k3/8/8/8/2B1K3 w - - 0 1", "c1d2", 0, "bishop three squares from the king"},
    {"8/8/8/4k3/8/R7/8/4K3 w - - 0 1", "a3c3", 300, "rook two squares from the king"},
    {"8/8/8/4k3/8/R7/8/4K3 w - - 0 1", "a3b3", 0, "rook three squares from the king"},
    {"8/8/8/4k3/8/8/Q7/4K3 w - - 0 1", "a2c4", 500, "queen two squares from the king"},
    {"8/8/8/4k3/8/8/Q7/4K3 w - - 0 1", "a2b3", 0, "queen three squares from the king"},
    {"8/8/8/4k3/8/8/8/4K3 w - - 0 1", "e1e2", 0, "the king gets no closeness bonus"},
    {"7k/8/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6", 1000, "white pawn reaching the sixth rank"},
    {"8/5k2/8/4P3/8/8/8/4K3 w - - 0 1", "e5e6", 1200, "pawn next to the king as well"},
    {"4k3/8/8/8/4p3/8/8/7K b - - 0 1", "e4e3", 1000, "black pawn reaching its sixth rank"},
    {"4k3/8/8/4p3/8/8/8/7K b - - 0 1", "e5e4", 0, "black pawn short of its sixth rank"},
};

TEST(OrderingBands, EachMoveKindScoresInItsBand)
{
    for (const BandCase& c : bandCases) EXPECT_EQ(scoreOf(c.fen, c.move), c.expected) << c.fault;
}

TEST(OrderingBands, CapturesKeepTheirExchangeValue)
{
    freshTables();
    auto board = boardFrom("rk6/pp6/8/2B4K/3B4/3q4/8/8 w - - 0 1");
    board->hashMove = NO_MOVE;
    MoveList* list = scored(board.get());
    for (int i = 0; i < list->count; ++i) {
        Move m = list->moves[i];
        const int expected = (m.flags & FLAG_CAPTURE) ? see(board.get(), &m) : 0;
        EXPECT_EQ(list->seeScore[i], expected) << text(m);
    }
    EXPECT_EQ(list->seeScore[indexOf(list, "c5a7")], -50);
}

TEST(OrderingBands, HashMoveOutranksKillerAndIsCounted)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move e4 = legalMove(board.get(), "e2e4");
    updateKillerMove(board.get(), &e4);
    board->hashMove = e4;
    hashMoves = 0;
    MoveList* list = scored(board.get());
    EXPECT_EQ(list->score[indexOf(list, "e2e4")], 1000000);
    EXPECT_EQ(hashMoves, 1);
    // Without the hash move the killer scores 3000, and the scoring returns it as best.
    board->hashMove = NO_MOVE;
    MoveList* again = &board->moveLists[0];
    const int best = assignScoreMovelist(board.get(), again);
    EXPECT_EQ(again->score[indexOf(again, "e2e4")], 3000);
    EXPECT_EQ(best, indexOf(again, "e2e4"));
}

TEST(OrderingBands, MoveInBothKillerSlotsScoresAsSecondKiller)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move d4 = legalMove(board.get(), "d2d4");
    killerMove[0][0].killers[0] = d4;
    killerMove[0][0].killers[1] = d4;
    board->hashMove = NO_MOVE;
    MoveList* list = scored(board.get());
    EXPECT_EQ(list->score[indexOf(list, "d2d4")], 2000);
    clearKillerMove();
}

TEST(OrderingBands, KillersBelongToTheMoversColour)
{
    freshTables();
    auto board = boardFrom("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    // A white record with the squares of black's knight move, stored at ply 2.
    Move ghost = legalMove(board.get(), "g8f6");
    ghost.piece = WHITE_KNIGHT;
    board->ply = 2;
    updateKillerMove(board.get(), &ghost);
    ASSERT_EQ(killerMove[0][2].killers[0].from, G8);
    board->hashMove = NO_MOVE;
    MoveList* list = scored(board.get());
    EXPECT_EQ(list->score[indexOf(list, "g8f6")], 0);
    board->ply = 0;
}

TEST(OrderingSelection, EqualScoresGoToTheEarlierMove)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    board->hashMove = NO_MOVE;
    MoveList* list = scored(board.get());
    // Nothing distinguishes the twenty moves: they come out in generation order.
    for (int i = 0; i < list->count; ++i) {
        Move m;
        EXPECT_EQ(getNextBestMove(list, &m), i);
        EXPECT_EQ(text(m), text(list->moves[i]));
    }
}

TEST(OrderingSelection, QuiescenceScoresEveryMoveByExchangeAndEmptyListHasNoBest)
{
    freshTables();
    auto board = boardFrom("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    MoveList* list = &board->moveLists[0];
    list->count = 0;
    EXPECT_EQ(assignQScoreMovelist(board.get(), list), -1);

    auto busy = boardFrom("4k3/8/2p5/3b4/4P3/8/8/3RK3 w - - 0 1");
    list = &busy->moveLists[0];
    list->count = std::uint16_t(generateMoves(busy.get(), list->moves, 1));
    const int best = assignQScoreMovelist(busy.get(), list);
    ASSERT_GE(best, 0);
    EXPECT_EQ(text(list->moves[best]), "e4d5");
    for (int i = 0; i < list->count; ++i) {
        Move m = list->moves[i];
        EXPECT_EQ(list->score[i], see(busy.get(), &m)) << text(m);
        EXPECT_EQ(list->seeScore[i], list->score[i]) << text(m);
        EXPECT_EQ(list->picked[i], 0);
    }
}

TEST(OrderingSelection, RootOrderFollowsSubtreeSizesBelowTheHashMove)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    MoveList* list = &board->moveLists[0];
    list->count = std::uint16_t(generateMoves(board.get(), list->moves, 1));
    for (int i = 0; i < list->count; ++i) board->rootMoveNodes[i] = 100 + i;
    board->rootMoveNodes[3] = 5000000000LL;  // more than 32 bits: must not wrap or win
    board->rootMoveNodes[4] = 7;
    board->hashMove = list->moves[4];
    assignScoreRootMovelist(board.get(), list);
    EXPECT_EQ(list->score[4], 1000000000);
    EXPECT_GT(list->score[3], list->score[5]);
    EXPECT_LT(list->score[3], 1000000000);
    Move m;
    EXPECT_EQ(getNextBestMove(list, &m), 4);
    EXPECT_EQ(getNextBestMove(list, &m), 3);
    EXPECT_EQ(getNextBestMove(list, &m), list->count - 1);
}

// Killer and history tables.

TEST(Killers, RankingFollowsSuccessCounts)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move a = legalMove(board.get(), "e2e4"), b = legalMove(board.get(), "d2d4"),
               c = legalMove(board.get(), "g1f3"), d = legalMove(board.get(), "c2c4");
    auto slots = [&] {
        std::string s;
        for (int i = 0; i < 3; ++i) {
            const Move& k = killerMove[0][0].killers[i];
            s += k.from == NO_SQUARE ? std::string("-") : text(k);
            s += i < 2 ? " " : "";
        }
        return s;
    };
    struct Step {
        const Move* move;
        const char* expected;
    };
    const Step steps[] = {
        {&a, "e2e4 - -"},          // straight to the top past empty slots
        {&b, "e2e4 d2d4 -"},       // one count does not pass another
        {&c, "e2e4 d2d4 g1f3"},    // stays at the bottom
        {&c, "g1f3 e2e4 d2d4"},    // two counts pass both ones
        {&d, "g1f3 e2e4 c2c4"},    // a new move replaces the bottom slot
    };
    for (const Step& s : steps) {
        updateKillerMove(board.get(), s.move);
        EXPECT_EQ(slots(), s.expected) << "after " << text(*s.move);
    }
    EXPECT_EQ(killerMove[0][0].hits[0], 2u);
}

TEST(Killers, CapturesAndPromotionsLeaveEveryTableAlone)
{
    freshTables();
    auto board = boardFrom("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    const Move take = legalMove(board.get(), "b7a8q"), push = legalMove(board.get(), "b7b8q");
    for (const Move* m : {&take, &push}) {
        updateKillerMove(board.get(), m);
        updateHistoryHeuristic(m, 6);
        updateBadHistoryHeuristic(m, 6);
        EXPECT_EQ(killerMove[0][0].killers[0].from, NO_SQUARE) << text(*m);
        EXPECT_EQ(getHistoryBonus(m), 0) << text(*m);
        EXPECT_EQ(successHistoryHeuristic[0][WHITE_PAWN][m->to], 0u) << text(*m);
        EXPECT_EQ(badHistoryHeuristic[0][WHITE_PAWN][m->to], 0u) << text(*m);
        EXPECT_EQ(historyMax[0], 1u);
    }
}

TEST(Killers, PlyBeyondTheTableWritesNothing)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move a = legalMove(board.get(), "e2e4");
    board->ply = MAX_PLY + 3;
    updateKillerMove(board.get(), &a);
    board->ply = MAX_PLY - 1;
    updateKillerMove(board.get(), &a);
    EXPECT_EQ(text(killerMove[0][MAX_PLY - 1].killers[0]), "e2e4");
    board->ply = 0;
    clearKillerMove();
}

TEST(History, BonusIsRelativeToTheBestMoveOfTheSide)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    const Move a = legalMove(board.get(), "e2e4"), b = legalMove(board.get(), "d2d4");
    EXPECT_EQ(getHistoryBonus(&a), 0);
    updateHistoryHeuristic(&a, 4);
    EXPECT_EQ(getHistoryBonus(&a), 1000);
    EXPECT_EQ(getHistoryBonus(&b), 0);
    EXPECT_EQ(successHistoryHeuristic[0][WHITE_PAWN][E4], 1u);
    EXPECT_EQ(historyHeuristic[0][WHITE_PAWN][E4], 16u);
    updateHistoryHeuristic(&b, 2);
    EXPECT_EQ(getHistoryBonus(&b), 250);
    // Black's table is its own: white's successes give black no bonus.
    auto black = boardFrom("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    const Move e5 = legalMove(black.get(), "e7e5");
    EXPECT_EQ(getHistoryBonus(&e5), 0);
    updateBadHistoryHeuristic(&b, 3);
    updateBadHistoryHeuristic(&b, 3);
    EXPECT_EQ(badHistoryHeuristic[0][WHITE_PAWN][D4], 2u);
    clearHistoryHeuristic();
    EXPECT_EQ(getHistoryBonus(&a), 0);
    EXPECT_EQ(badHistoryHeuristic[0][WHITE_PAWN][D4], 0u);
    EXPECT_EQ(historyMax[0], 1u);
}

TEST(History, BonusStaysWithinBoundsEvenWhenSumsSaturate)
{
    freshTables();
    auto board = boardFrom(initialPosition);
    MoveList* list = &board->moveLists[0];
    list->count = std::uint16_t(generateMoves(board.get(), list->moves, 1));
    for (int round = 0; round < 50; ++round)
        for (int i = 0; i < list->count; ++i)
            updateHistoryHeuristic(&list->moves[i], 1 + (round * 7 + i * 3) % 30);
    for (int i = 0; i < list->count; ++i) {
        const int bonus = getHistoryBonus(&list->moves[i]);
        EXPECT_GE(bonus, 0);
        EXPECT_LE(bonus, 1000);
    }
    // A sum at the top of its range stays there instead of wrapping to nothing.
    const Move a = legalMove(board.get(), "e2e4");
    historyHeuristic[0][WHITE_PAWN][E4] = UINT32_MAX - 5;
    updateHistoryHeuristic(&a, 10);
    EXPECT_EQ(historyHeuristic[0][WHITE_PAWN][E4], UINT32_MAX);
    EXPECT_EQ(historyMax[0], UINT32_MAX);
    EXPECT_EQ(getHistoryBonus(&a), 1000);
    clearHistoryHeuristic();
}

}  // namespace
