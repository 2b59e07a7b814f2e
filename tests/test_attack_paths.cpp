#include <gtest/gtest.h>

#include <cstdlib>

#include "attack.h"
#include "movegen.h"
#include "test_support.h"

namespace {

// An attack test written the slow, obvious way: every man of the side, one by one, by the
// rules of his kind. The engine's test walks outward from the square instead.
int attackedByBrute(const Board* b, int sq, int byBlack)
{
    for (int from = 0; from < 128; ++from) {
        if (!onBoard(from) || from == sq) continue;
        const int code = b->squares[from];
        if (byBlack ? !isBlackPiece(code) : !isWhitePiece(code)) continue;
        const int kind = byBlack ? code - EMPTY : code;
        const int dr = (sq >> 4) - (from >> 4), df = (sq & 7) - (from & 7);
        const int adr = std::abs(dr), adf = std::abs(df);
        bool reaches = false;
        if (kind == WHITE_PAWN) reaches = adf == 1 && dr == (byBlack ? -1 : 1);
        else if (kind == WHITE_KNIGHT) reaches = (adr == 1 && adf == 2) || (adr == 2 && adf == 1);
        else if (kind == WHITE_KING) reaches = adr <= 1 && adf <= 1;
        else {
            const bool diagonal = adr == adf, straight = dr == 0 || df == 0;
            const bool kindFits = kind == WHITE_QUEEN ? diagonal || straight
                : kind == WHITE_BISHOP ? diagonal : straight;
            if (kindFits) {
                const int step = (dr > 0 ? 16 : dr < 0 ? -16 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
                int t = from + step;
                while (t != sq && b->squares[t] == EMPTY) t += step;
                reaches = t == sq;
            }
        }
        if (reaches) return 1;
    }
    return 0;
}

// Openings and middlegames with batteries, pins and men of both sides around the kings.
template <typename F>
void alongRandomGames(std::uint64_t seed, int plies, F onPosition)
{
    forRandomGames({initialPosition,
                       "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                       "r1bq1rk1/pp2nppp/2n1p3/3pP3/1b1P4/2NB1N2/PP3PPP/R1BQK2R w KQ - 0 9",
                       "2kr3r/pppq1ppp/2n1bn2/3pp3/3PP3/2N1BN2/PPPQ1PPP/2KR3R w - - 0 10"},
        1, plies, seed, onPosition);
}

// Catches an attacker kind, line or side missed or invented by the outward walk: a pawn
// taken for an attacker from the wrong side, a slider seen through a man, a king beside
// the square forgotten.
TEST(AttackPaths, OutwardWalkAgreesWithTheManByManTest)
{
    int attackedSeen = 0;
    alongRandomGames(7, 80, [&](const Board* b) {
        for (int sq = 0; sq < 128; ++sq) {
            if (!onBoard(sq)) continue;
            for (int side = 0; side < 2; ++side) {
                const int expected = attackedByBrute(b, sq, side);
                ASSERT_EQ(isAttackedSimple(b, sq, side), expected)
                    << squareName(sq) << " by " << (side ? "black" : "white");
                attackedSeen += expected;
            }
        }
    });
    EXPECT_GT(attackedSeen, 10000);
}

// Catches the capture generator drifting from the full one: the same captures, with the
// same fields, in the same order (the search orders ties by it).
TEST(AttackPaths, CaptureListIsTheCapturesOfTheFullListInOrder)
{
    int captures = 0;
    alongRandomGames(11, 80, [&](Board* b) {
        for (int checkLegal = 0; checkLegal < 2; ++checkLegal) {
            Move all[MAX_MOVES], takes[MAX_MOVES];
            const int n = generateMoves(b, all, std::uint8_t(checkLegal));
            const int k = generateCaptures(b, takes, std::uint8_t(checkLegal));
            int j = 0;
            for (int i = 0; i < n; ++i) {
                if (!(all[i].flags & FLAG_CAPTURE)) continue;
                ASSERT_LT(j, k);
                const Move& a = all[i];
                const Move& t = takes[j++];
                EXPECT_TRUE(a.from == t.from && a.to == t.to && a.flags == t.flags
                            && a.captured == t.captured && a.promotion == t.promotion
                            && a.piece == t.piece)
                    << squareName(a.from) << squareName(a.to) << " against "
                    << squareName(t.from) << squareName(t.to);
            }
            EXPECT_EQ(j, k);
            captures += k;
        }
    });
    EXPECT_GT(captures, 1000);
}

}  // namespace
