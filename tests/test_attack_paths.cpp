// SPDX-License-Identifier: GPL-3.0-or-later
#include "attack.h"
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

// Catches an attacker kind, line or side missed or invented by the outward walk: a pawn
// taken for an attacker from the wrong side, a slider seen through a man, a king beside
// the square forgotten.
TEST(AttackPaths, OutwardWalkAgreesWithTheManByManTest)
{
    int attackedSeen = 0;
    forRandomGames(1, 80, 7, [&](const Board* b) {
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

}  // namespace
