// Make and unmake: every field comes back, keys follow the position, null moves too.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "debug.h"
#include "movegen.h"
#include "test_support.h"

namespace {

// Everything unmakeMove restores (keys are checked on their own).
struct Snapshot {
    std::uint32_t ply, gamePly, castlingRights;
    std::uint8_t sideToMove, epSquare, pieceCount[2], kingSquare[2], pieceListLength[2];
    std::uint8_t squares[128];
    std::uint8_t occupiedIndex[128];  // pieceIndex is stale on empty squares
    PieceEntry pieceList[2][24];
    std::int32_t material;
};

Snapshot snap(const Board* b)
{
    Snapshot s{};
    s.ply = b->ply;
    s.gamePly = b->gamePly;
    s.castlingRights = b->castlingRights;
    s.sideToMove = b->sideToMove;
    s.epSquare = b->epSquare;
    std::memcpy(s.pieceCount, b->pieceCount, 2);
    std::memcpy(s.kingSquare, b->kingSquare, 2);
    std::memcpy(s.pieceListLength, b->pieceListLength, 2);
    std::memcpy(s.squares, b->squares, 128);
    for (int sq = 0; sq < 128; ++sq)
        s.occupiedIndex[sq] = (onBoard(sq) && b->squares[sq] != EMPTY) ? b->pieceIndex[sq] : 0;
    for (int side = 0; side < 2; ++side)
        for (int i = 0; i < b->pieceListLength[side]; ++i) s.pieceList[side][i] = b->pieceList[side][i];
    s.material = b->material;
    return s;
}

bool operator==(const Snapshot& a, const Snapshot& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Plays a move given in coordinate notation; fails the test when it is not legal.
void play(Board* b, const std::string& text)
{
    Move moves[MAX_MOVES];
    const int n = generateMoves(b, moves, 1);
    char buf[8];
    for (int i = 0; i < n; ++i) {
        if (text == moveToString(&moves[i], buf)) {
            // made through the stored entry, which so keeps the undo fields
            Move* m = &b->gameMoves[b->gamePly];
            *m = moves[i];
            makeMove(b, m);
            updateHashKey(b, m);
            return;
        }
    }
    FAIL() << "not legal: " << text;
}

// At every node of the tree below the board: each legal move made and keyed gives the
// from-scratch keys and a consistent board; taken back, it restores every field.
void roundTrip(Board* b, int depth, int* checked)
{
    MoveList* list = &b->moveLists[b->ply];
    const int n = generateMoves(b, list->moves, 1);
    const Snapshot before = snap(b);
    const std::uint64_t key = b->hashKey, key2 = b->hashKey2;
    for (int i = 0; i < n; ++i) {
        Move* m = &list->moves[i];
        makeMove(b, m);
        updateHashKey(b, m);
        ASSERT_TRUE(boardIsOk(b));
        const std::uint64_t k1 = b->hashKey, k2 = b->hashKey2;
        getHashkey(b);
        ASSERT_EQ(k1, b->hashKey);
        ASSERT_EQ(k2, b->hashKey2);
        ASSERT_EQ(b->hashHistory[b->gamePly], b->hashKey);
        if (depth > 1) roundTrip(b, depth - 1, checked);
        updateHashKey(b, m);
        unmakeMove(b, m);
        ++*checked;
        ASSERT_TRUE(snap(b) == before);
        ASSERT_EQ(b->hashKey, key);
        ASSERT_EQ(b->hashKey2, key2);
    }
}

TEST(MakeUnmake, EveryMoveRestoresEveryFieldAndKeys)
{
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/1P4P1/8/3pP3/8/8/1p4p1/R3K2R w KQkq - 0 1",
    };
    for (const char* fen : fens) {
        BoardPtr b = boardFromFen(fen);
        ASSERT_TRUE(b) << fen;
        int checked = 0;
        roundTrip(b.get(), sanitizedRun() ? 2 : 3, &checked);
        EXPECT_GT(checked, 0) << fen;
    }
}

TEST(MakeUnmake, EnPassantBothColoursRoundTrip)
{
    BoardPtr b = boardFromFen("4k3/3p4/8/4P3/2p5/8/1P6/4K3 w - - 0 1");
    ASSERT_TRUE(b);
    play(b.get(), "b2b4");
    EXPECT_EQ(b->epSquare, B3);
    int checked = 0;
    roundTrip(b.get(), 2, &checked);  // black's c4b3 is among the moves
    play(b.get(), "c4b3");
    EXPECT_EQ(b->squares[B4], EMPTY);
    play(b.get(), "e1f1");
    play(b.get(), "d7d5");
    EXPECT_EQ(b->epSquare, D6);
    roundTrip(b.get(), 2, &checked);  // white's e5d6
}

TEST(MakeUnmake, EnPassantSquareAndRights)
{
    BoardPtr b = boardFromFen(initialPosition);
    play(b.get(), "e2e4");
    EXPECT_EQ(b->epSquare, E3);
    play(b.get(), "e7e6");
    EXPECT_EQ(b->epSquare, NO_SQUARE);

    BoardPtr r = boardFromFen("r3k2r/6P1/8/8/8/8/8/R3K2R w KQkq - 0 1");
    play(r.get(), "a1a2");
    EXPECT_EQ(r->castlingRights, 15u & ~2u);  // only white's long right goes
    play(r.get(), "e8d8");
    play(r.get(), "g7h8q");  // taking the rook on h8 ends black's short right; black long already gone
    EXPECT_EQ(r->castlingRights, 1u);
}

TEST(MakeUnmake, PromotionCaptureMaterialAndEnPassantSlot)
{
    BoardPtr b = boardFromFen("4k2r/6P1/8/8/8/8/8/4K3 w k - 0 1");
    Move moves[MAX_MOVES];
    const int n = generateMoves(b.get(), moves, 1);
    Move* queen = nullptr;
    for (int i = 0; i < n; ++i)
        if (moves[i].to == H8 && moves[i].promotion == WHITE_QUEEN) queen = &moves[i];
    ASSERT_NE(queen, nullptr);
    const int material = b->material;
    makeMove(b.get(), queen);
    EXPECT_EQ(b->material - material, 1050 - 100 + 540);
    unmakeMove(b.get(), queen);
    EXPECT_EQ(b->material, material);

    BoardPtr e = boardFromFen("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
    play(e.get(), "d7d5");
    const int slot = e->pieceIndex[D5];
    play(e.get(), "e5d6");
    EXPECT_EQ(e->squares[D5], EMPTY);
    EXPECT_EQ(e->pieceList[1][slot].alive, 0);
    EXPECT_EQ(e->pieceCount[1], 1);
    EXPECT_EQ(e->pieceListLength[1], 2);
    Move last = e->gameMoves[e->gamePly - 1];
    updateHashKey(e.get(), &last);
    unmakeMove(e.get(), &last);
    EXPECT_EQ(e->squares[D5], BLACK_PAWN);
    EXPECT_EQ(e->pieceIndex[D5], slot);
    EXPECT_EQ(e->pieceList[1][slot].alive, 1);
}

TEST(MakeUnmake, NullMoveRestoresSideEnPassantPliesAndKeys)
{
    BoardPtr b = boardFromFen(initialPosition);
    play(b.get(), "e2e4");
    const Snapshot before = snap(b.get());
    const std::uint64_t key = b->hashKey, key2 = b->hashKey2;
    Move undo{};
    makeNullmove(b.get(), &undo);
    EXPECT_EQ(b->sideToMove, 0);
    EXPECT_EQ(b->epSquare, NO_SQUARE);
    EXPECT_EQ(b->hashKey, key ^ CHASH ^ randomTable[E3][EP_INDEX]);
    EXPECT_EQ(b->hashKey2, key2 ^ CHASH ^ randomTable2[E3][EP_INDEX]);
    EXPECT_EQ(b->hashHistory[b->gamePly], b->hashKey);
    const std::uint64_t nullKey = b->hashKey;
    getHashkey(b.get());
    EXPECT_EQ(b->hashKey, nullKey);
    b->hashKey = nullKey;
    b->hashKey2 = key2 ^ CHASH ^ randomTable2[E3][EP_INDEX];
    unmakeNullmove(b.get(), &undo);
    EXPECT_TRUE(snap(b.get()) == before);
    EXPECT_EQ(b->hashKey, key);
    EXPECT_EQ(b->hashKey2, key2);
}

TEST(Keys, SideAndCastlingRightsChangeTheKeys)
{
    BoardPtr w = boardFromFen(initialPosition);
    BoardPtr bl = boardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(w->hashKey ^ bl->hashKey, CHASH);
    EXPECT_EQ(w->hashKey2 ^ bl->hashKey2, CHASH);
    BoardPtr none = boardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1");
    EXPECT_NE(none->hashKey, w->hashKey);
    EXPECT_EQ(none->hashKey ^ w->hashKey, randomTable[CASTLING_ROW][0] ^ randomTable[CASTLING_ROW][15]);
}

TEST(Legality, PinsAndKingSteps)
{
    // The e-pawn is pinned by the rook on e8; the king may not step next to the other king.
    BoardPtr b = boardFromFen("4r3/8/8/8/8/8/2k1P3/4K3 w - - 0 1");
    ASSERT_TRUE(b);
    Move moves[MAX_MOVES];
    const int n = generateMoves(b.get(), moves, 0);
    const Snapshot before = snap(b.get());
    int checkedPin = 0, checkedKing = 0;
    for (int i = 0; i < n; ++i) {
        Move m = moves[i];
        if (m.from == E2) {
            EXPECT_EQ(isLegalSimple(b.get(), &m), 1);  // e2e3 and e2e4 stay on the pin line
            ++checkedPin;
        }
        if (m.from == E1 && (m.to == D1 || m.to == D2 || m.to == E2)) {
            EXPECT_EQ(isLegalSimple(b.get(), &m), 0) << int(m.to);
            ++checkedKing;
        }
        EXPECT_TRUE(snap(b.get()) == before);
    }
    EXPECT_EQ(checkedPin, 2);
    EXPECT_EQ(checkedKing, 2);  // e2 holds the pawn
    BoardPtr p = boardFromFen("4r3/8/8/8/8/8/4N3/4K2k w - - 0 1");
    const int m = generateMoves(p.get(), moves, 1);
    for (int i = 0; i < m; ++i) EXPECT_NE(moves[i].from, E2) << "pinned knight moved";
}

}  // namespace
