// SPDX-License-Identifier: GPL-3.0-or-later
#include <initializer_list>

#include "attack.h"
#include "eval.h"
#include "test_support.h"

// The evaluation reads a padded copy of the squares and scores the pawn files with rank masks.
// These tests hold both against plain file-by-file and step-by-step versions written here,
// over positions reached by random play: a margin too narrow, an off-board code taken for a
// man, or a mask shifted into the wrong file shows as a difference.

namespace {

bool isEnemyOf(int code, bool black) { return black ? isWhitePiece(code) : isBlackPiece(code); }

int plainWalk(const Board* board, int sq, std::initializer_list<int> rays, bool slides,
    const SquareTable& values, bool black, bool stopCounts, std::uint8_t* zone)
{
    const int enemyKing = board->kingSquare[black ? 0 : 1];
    int sum = 0;
    for (const int d : rays) {
        int t = sq + d;
        if (!slides) {
            if (!onBoard(t)) continue;
            const int code = board->squares[t];
            if (code != EMPTY && !isEnemyOf(code, black)) continue;
            sum += values[t];
            if (dist(t, enemyKing) == 1) ++*zone;
            continue;
        }
        for (; onBoard(t) && board->squares[t] == EMPTY; t += d) {
            sum += values[t];
            if (dist(t, enemyKing) == 1) ++*zone;
        }
        if (stopCounts && onBoard(t) && isEnemyOf(board->squares[t], black)
            && dist(t, enemyKing) == 1)
            ++*zone;
    }
    return sum;
}

constexpr std::initializer_list<int> knightJumps = {31, 33, 18, 14, -18, -14, -31, -33};
constexpr std::initializer_list<int> diagonals = {15, 17, -15, -17};
constexpr std::initializer_list<int> lines = {1, -1, 16, -16};

TEST(EvalReference, ProbesAgreeWithAPlainWalkAtTheBoardEdges)
{
    forRandomGames(sanitizedRun() ? 1 : 4, 50, 0x9E3779B97F4A7C15, [](Board* b) {
        for (int sq = 0; sq < 128; ++sq) {
            if (!onBoard(sq)) continue;
            for (const bool black : {false, true}) {
                std::uint8_t zone = 0, plainZone = 0;
                int sum = getImportantKnightSquares(b, sq, &zone, black);
                int plain = plainWalk(b, sq, knightJumps, false,
                    black ? importantSqKnightBlack : importantSqKnightWhite, black, false,
                    &plainZone);
                ASSERT_EQ(sum, plain) << "knight " << squareName(sq);
                sum = getImportantBishopSquares(b, sq, &zone, black);
                plain = plainWalk(b, sq, diagonals, true,
                    black ? importantSqBishopBlack : importantSqBishopWhite, black, true,
                    &plainZone);
                ASSERT_EQ(sum, plain) << "bishop " << squareName(sq);
                sum = getImportantRookSquares(b, sq, &zone, black);
                plain = plainWalk(b, sq, lines, true,
                    black ? importantSqRookBlack : importantSqRookWhite, black, false, &plainZone);
                ASSERT_EQ(sum, plain) << "rook " << squareName(sq);
                // Only Black's queen counts the man that stops a line.
                const SquareTable& queen = black ? importantSqQueenBlack : importantSqQueenWhite;
                sum = getImportantQueenSquares(b, sq, &zone, black);
                plain = plainWalk(b, sq, lines, true, queen, black, black, &plainZone)
                    + plainWalk(b, sq, diagonals, true, queen, black, false, &plainZone);
                ASSERT_EQ(sum, plain) << "queen " << squareName(sq);
                ASSERT_EQ(zone, plainZone) << "king zone from " << squareName(sq);

                std::memset(minorAttackersMapW, 0, sizeof minorAttackersMapW);
                std::memset(minorAttackersMapB, 0, sizeof minorAttackersMapB);
                std::uint8_t count = 0;
                sum = getImportantPawnSquares(b, sq, &count, black);
                const SquareTable& pawn = black ? importantSqPawnBlack : importantSqPawnWhite;
                const int enemyPawn = black ? WHITE_PAWN : BLACK_PAWN;
                int plainSum = 0, plainCount = 0;
                const int left = black ? -15 : 17, right = black ? -17 : 15;
                for (const int d : {left, right}) {
                    const int t = sq + d;
                    if (!onBoard(t)) continue;
                    const int code = b->squares[t];
                    if (code == EMPTY)
                        plainSum += pawn[t];
                    else if (isEnemyOf(code, black) && code != enemyPawn)
                        ++plainCount;
                }
                ASSERT_EQ(sum, plainSum) << "pawn " << squareName(sq);
                ASSERT_EQ(count, plainCount) << "pawn threats from " << squareName(sq);
            }
        }
    });
}

// The pawn-file items of one side counted file by file from the squares.
struct FileCount {
    int pawns[10] = {}, front[10] = {}, rear[10] = {}, rooks[10] = {};
};

FileCount countFiles(const Board* board, bool black)
{
    FileCount c;
    for (int sq = 0; sq < 128; ++sq) {
        if (!onBoard(sq)) continue;
        const int code = board->squares[sq], f = file(sq), r = rank(sq);
        if (code == (black ? BLACK_ROOK : WHITE_ROOK)) ++c.rooks[f];
        if (code != (black ? BLACK_PAWN : WHITE_PAWN)) continue;
        // Ahead: up the board for White, down for Black.
        const bool first = c.pawns[f]++ == 0;
        if (first || (black ? r < c.front[f] : r > c.front[f])) c.front[f] = r;
        if (first || (black ? r > c.rear[f] : r < c.rear[f])) c.rear[f] = r;
    }
    return c;
}

void plainFileTerms(const FileCount& us, const FileCount& them, bool black, bool endgame,
    std::int32_t* amount)
{
    auto relative = [&](int r) { return black ? 9 - r : r; };
    auto ahead = [&](int a, int b) { return black ? a < b : a > b; };
    auto notAhead = [&](int rear, int r) { return rear == 0 || !ahead(rear, r); };
    for (int f = 1; f <= 8; ++f) {
        const int own = us.pawns[f], enemy = them.pawns[f];
        if (own > 1) amount[TERM_DOUBLED] -= 32 * (own - 1);
        if (own == 0) {
            if (us.rooks[f] > 0) amount[TERM_ROOK_FILES] += enemy == 0 ? 20 * us.rooks[f] : 12;
            continue;
        }
        if (us.pawns[f - 1] == 0 && us.pawns[f + 1] == 0)
            amount[TERM_ISOLATED] -= (f == 1 || f == 8) ? 14 : 29;
        const int r = us.front[f];
        const int passed = 11 * passedPawnTable[relative(r)];
        if (them.pawns[f - 1] == 0 && enemy == 0 && them.pawns[f + 1] == 0)
            amount[TERM_PASSED] += passed;
        else if ((them.rear[f] == 0 || ahead(r, them.rear[f])) && notAhead(them.rear[f - 1], r)
            && notAhead(them.rear[f + 1], r))
            amount[TERM_PASSED] += endgame ? 2 * passed : passed;
        if (own == 1 && relative(r) > 2) {
            int weakness = 0;
            for (const int n : {f - 1, f + 1}) {
                if (n < 1 || n > 8) continue;
                if (us.pawns[n] == 0)
                    weakness += 1;
                else if (ahead(us.rear[n], r))
                    weakness += 2;
            }
            if (weakness > 2) amount[TERM_BACKWARD] -= enemy > 0 ? 23 : 27;
        }
    }
}

TEST(EvalReference, PawnFileTermsAgreeWithAFileByFileCount)
{
    int scored = 0;
    forRandomGames(sanitizedRun() ? 3 : 16, 120, 0x9E3779B97F4A7C15, [&scored](Board* board) {
        EvalTerms terms;
        eval(board, &terms);
        if (terms.drawn) return;
        ++scored;
        const FileCount white = countFiles(board, false), black = countFiles(board, true);
        std::int32_t expected[2][TERM_COUNT] = {};
        plainFileTerms(white, black, false, terms.endgame, expected[0]);
        plainFileTerms(black, white, true, terms.endgame, expected[1]);
        for (const EvalTerm term :
            {TERM_DOUBLED, TERM_ISOLATED, TERM_PASSED, TERM_BACKWARD, TERM_ROOK_FILES}) {
            ASSERT_EQ(terms.white[term], expected[0][term]) << evalTermNames[term];
            ASSERT_EQ(terms.black[term], expected[1][term]) << evalTermNames[term];
        }
    });
    EXPECT_GT(scored, sanitizedRun() ? 200 : 1000);
}

}  // namespace
