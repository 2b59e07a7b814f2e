// SPDX-License-Identifier: GPL-3.0-or-later
#include "eval.h"

#include <bit>
#include <cstring>

#include "attack.h"

constinit thread_local std::uint8_t minorAttackersMapW[128];
constinit thread_local std::uint8_t minorAttackersMapB[128];

namespace {

// By rank, as a mask of bit r - 1 for rank r: the ranks above it (or, with Above false,
// below it).
template <bool Above>
constexpr auto ranksBeyond = [] {
    std::array<std::uint8_t, 9> masks{};
    for (int r = 1; r <= 8; ++r)
        for (int other = 1; other <= 8; ++other)
            if (Above ? other > r : other < r) masks[r] |= std::uint8_t(1 << (other - 1));
    return masks;
}();
static_assert(ranksBeyond<true>[3] == 0xF8 && ranksBeyond<false>[3] == 0x03);

// What a pawn adds for its square: twice the centre value and, off the rook files, its rank
// bonus.
constexpr SquareTable pawnPlacementTable(const std::array<std::int32_t, 9>& rankBonus)
{
    SquareTable table{};
    for (int sq = 0; sq < 128; ++sq) {
        if (!onBoard(sq)) continue;
        const int f = file(sq);
        table[sq] = 2 * centre[sq] + (f >= 2 && f <= 7 ? rankBonus[rank(sq)] : 0);
    }
    return table;
}
inline constexpr SquareTable pawnPlacementWhite = pawnPlacementTable(bonusRankPawnW);
inline constexpr SquareTable pawnPlacementBlack = pawnPlacementTable(bonusRankPawnB);

// By the code on a square a pawn attacks from its fourth rank on: the bonus for supporting it.
constexpr std::array<std::int32_t, 16> supportTable(int pawn, int knight, int bishop)
{
    std::array<std::int32_t, 16> table{};
    table[knight] = table[bishop] = 8;
    table[pawn] = 3;
    return table;
}

// The pawns of one side on all files at once: byte f - 1 holds file f's rank mask (bit r - 1 for
// rank r). Fills and steps run along each file, within its byte.
constexpr std::uint64_t RANK_1 = 0x0101010101010101;  // the lowest bit of every file
constexpr std::uint64_t EDGE_FILES_RANK_1 = 0x0100000000000001;
constexpr std::uint64_t NOT_RANK_1 = ~RANK_1, NOT_RANK_8 = ~(RANK_1 << 7);

std::uint64_t packFiles(const std::uint8_t* pawnRanks)
{
    std::uint64_t packed;
    std::memcpy(&packed, pawnRanks + 1, sizeof packed);
    return packed;
}

// Every square at or below (above) a pawn of its file.
constexpr std::uint64_t fillDown(std::uint64_t x)
{
    x |= (x >> 1) & 0x7F7F7F7F7F7F7F7F;
    x |= (x >> 2) & 0x3F3F3F3F3F3F3F3F;
    return x | ((x >> 4) & 0x0F0F0F0F0F0F0F0F);
}
constexpr std::uint64_t fillUp(std::uint64_t x)
{
    x |= (x << 1) & 0xFEFEFEFEFEFEFEFE;
    x |= (x << 2) & 0xFCFCFCFCFCFCFCFC;
    return x | ((x << 4) & 0xF0F0F0F0F0F0F0F0);
}
constexpr std::uint64_t besideFiles(std::uint64_t x) { return (x << 8) | (x >> 8); }
// How many files have their rank-1 bit set.
constexpr int countFiles(std::uint64_t rank1Bits) { return int((rank1Bits * RANK_1) >> 56); }
static_assert(fillDown(0x0000000000400000) == 0x00007F0000000000 >> 24
    && fillUp(0x0000000000000400) == 0x000000000000FC00 && countFiles(EDGE_FILES_RANK_1) == 2);

// The pawns of one side with their fills towards either edge.
struct PawnFiles {
    std::uint64_t pawns, down, up;
};

// The colour-specific facts of the evaluation; one body serves both colours. Where the two
// colours are not mirror images the difference is a field here, named after what it does.
struct WhiteSide {
    static constexpr int side = 0;
    static constexpr std::uint8_t pawn = WHITE_PAWN, knight = WHITE_KNIGHT, bishop = WHITE_BISHOP,
                                  rook = WHITE_ROOK, queen = WHITE_QUEEN;
    static constexpr std::uint8_t enemyPawn = BLACK_PAWN, enemyBishop = BLACK_BISHOP;
    static constexpr int forward = 16;
    static constexpr int captureFirst = 17, captureSecond = 15;  // a pawn's capture squares
    static constexpr int knightHomeB = B1, knightHomeG = G1, bishopHomeC = C1, bishopHomeF = F1;
    static constexpr int queenHome = D1;
    static constexpr int trapA = A7, trapperA = B6, trapH = H7, trapperH = G6;
    static constexpr int queenCorner = A1, kingCorner = H1;
    static constexpr int shieldG = G2, intruderF = F3, intruderH = H3;
    static constexpr int knightReach = 3;  // a knight this close presses the enemy king
    static constexpr bool queenLineStopCounts = false;
    static constexpr int queenSideStorm = 15;  // castled long against queen, rook, open a-file
    static constexpr const std::int32_t* knightOffsets = knightOffsetsWhite.data();
    static constexpr const std::int32_t* diagonalOffsets = diagonalOffsetsWhite.data();
    static constexpr const std::int32_t* heavyOffsets = heavyOffsetsWhite.data();
    static constexpr const SquareTable& pawnSquares = importantSqPawnWhite;
    static constexpr const SquareTable& knightSquares = importantSqKnightWhite;
    static constexpr const SquareTable& bishopSquares = importantSqBishopWhite;
    static constexpr const SquareTable& rookSquares = importantSqRookWhite;
    static constexpr const SquareTable& queenSquares = importantSqQueenWhite;
    static constexpr const SquareTable& outpost = outpostKnightWhite;
    static constexpr const SquareTable& castlingFlags = castlingFlagsWhite;
    static constexpr const SquareTable& pawnPlacement = pawnPlacementWhite;
    static constexpr std::array<std::int32_t, 16> support =
        supportTable(WHITE_PAWN, WHITE_KNIGHT, WHITE_BISHOP);
    static std::uint8_t* attackedMap() { return minorAttackersMapW; }
    // By rank, the ranks ahead of it as this side's pawns march.
    static constexpr const std::array<std::uint8_t, 9>& aheadOf = ranksBeyond<true>;
    // Codes read off the padded squares: OFF_BOARD (0) is nobody's.
    static constexpr bool isEnemy(int code) { return code > EMPTY; }
    static constexpr bool isEnemyPiece(int code) { return code > BLACK_PAWN; }  // not a pawn
    static constexpr bool mayLand(int code) { return code >= EMPTY; }  // empty or enemy
    static constexpr int relativeRank(int r) { return r; }
    // On packed files (see PawnFiles): fills towards and away from this side's back rank, a
    // step one rank back or forward, and files 2..7 from the third rank on.
    static constexpr std::uint64_t fillBehind(const PawnFiles* p) { return p->down; }
    static constexpr std::uint64_t fillAhead(const PawnFiles* p) { return p->up; }
    static constexpr std::uint64_t stepBack(std::uint64_t x) { return (x >> 1) & NOT_RANK_8; }
    static constexpr std::uint64_t stepForward(std::uint64_t x) { return (x << 1) & NOT_RANK_1; }
    static constexpr std::uint64_t backwardZone = 0x00FCFCFCFCFCFC00;
};

struct BlackSide {
    static constexpr int side = 1;
    static constexpr std::uint8_t pawn = BLACK_PAWN, knight = BLACK_KNIGHT, bishop = BLACK_BISHOP,
                                  rook = BLACK_ROOK, queen = BLACK_QUEEN;
    static constexpr std::uint8_t enemyPawn = WHITE_PAWN, enemyBishop = WHITE_BISHOP;
    static constexpr int forward = -16;
    static constexpr int captureFirst = -15, captureSecond = -17;
    static constexpr int knightHomeB = B8, knightHomeG = G8, bishopHomeC = C8, bishopHomeF = F8;
    static constexpr int queenHome = D8;
    static constexpr int trapA = A2, trapperA = B3, trapH = H2, trapperH = G3;
    static constexpr int queenCorner = A8, kingCorner = H8;
    static constexpr int shieldG = G7, intruderF = F6, intruderH = H6;
    static constexpr int knightReach = 2;
    static constexpr bool queenLineStopCounts = true;
    static constexpr int queenSideStorm = 24;
    static constexpr const std::int32_t* knightOffsets = knightOffsetsBlack.data();
    static constexpr const std::int32_t* diagonalOffsets = diagonalOffsetsBlack.data();
    static constexpr const std::int32_t* heavyOffsets = heavyOffsetsBlack.data();
    static constexpr const SquareTable& pawnSquares = importantSqPawnBlack;
    static constexpr const SquareTable& knightSquares = importantSqKnightBlack;
    static constexpr const SquareTable& bishopSquares = importantSqBishopBlack;
    static constexpr const SquareTable& rookSquares = importantSqRookBlack;
    static constexpr const SquareTable& queenSquares = importantSqQueenBlack;
    static constexpr const SquareTable& outpost = outpostKnightBlack;
    static constexpr const SquareTable& castlingFlags = castlingFlagsBlack;
    static constexpr const SquareTable& pawnPlacement = pawnPlacementBlack;
    static constexpr std::array<std::int32_t, 16> support =
        supportTable(BLACK_PAWN, BLACK_KNIGHT, BLACK_BISHOP);
    static std::uint8_t* attackedMap() { return minorAttackersMapB; }
    static constexpr const std::array<std::uint8_t, 9>& aheadOf = ranksBeyond<false>;
    static constexpr bool isEnemy(int code) { return unsigned(code - WHITE_PAWN) < 6; }
    static constexpr bool isEnemyPiece(int code) { return unsigned(code - WHITE_KNIGHT) < 5; }
    static constexpr bool mayLand(int code) { return unsigned(code - WHITE_PAWN) < 7; }
    static constexpr int relativeRank(int r) { return 9 - r; }
    static constexpr std::uint64_t fillBehind(const PawnFiles* p) { return p->up; }
    static constexpr std::uint64_t fillAhead(const PawnFiles* p) { return p->down; }
    static constexpr std::uint64_t stepBack(std::uint64_t x) { return (x << 1) & NOT_RANK_1; }
    static constexpr std::uint64_t stepForward(std::uint64_t x) { return (x >> 1) & NOT_RANK_8; }
    static constexpr std::uint64_t backwardZone = 0x003F3F3F3F3F3F00;
};

// What one side's walk over its piece list gathers. The per-file arrays run over files 1..8
// with an always-empty file on either side, so neighbour tests need no edge checks.
struct SideTally {
    std::int32_t amount[TERM_COUNT];
    std::uint8_t pawnRanks[10];  // the file's pawns: bit r - 1 for a pawn on rank r
    std::uint8_t rookCount[10];
    std::uint8_t knightSquare[24];
    std::uint32_t rookFiles;  // bit f: a rook on file f
    int pawns, knights, bishops, rooks, queens;
    int undeveloped, blocked, pawnThreats;
    int nearAttackers, nearDistance, defenders;
    std::uint8_t kingZone;
};

// The squares with a margin of OFF_BOARD around them wide enough for a knight's jump, so that
// the probes read a step off the board without testing for it first. The 0x88 gaps hold
// OFF_BOARD already.
constexpr int MARGIN = 48;  // a multiple of 16, at least the longest jump (33)
struct PaddedSquares {
    alignas(16) std::uint8_t at[MARGIN + 128 + MARGIN];
};

void fillPadded(PaddedSquares* padded, const Board* board)
{
    std::memset(padded->at, OFF_BOARD, sizeof padded->at);
    std::memcpy(padded->at + MARGIN, board->squares, sizeof board->squares);
}

// 1 where two squares of the given 0x88 difference stand next to each other: indexed from a
// base moved by the enemy king's square, it answers "next to the king" with one load.
inline constexpr auto adjacentByDelta = [] {
    std::array<std::uint8_t, 239> table{};
    for (int i = 0; i < 239; ++i) table[i] = distByDelta.at[i] == 1;
    return table;
}();

// What the probes of one side read: the padded squares (indexed by 0x88 square) and, by the
// same index, whether a square is next to the enemy king.
struct ProbeView {
    const std::uint8_t* squares;
    const std::uint8_t* nearEnemyKing;
};

template <typename Us>
ProbeView probeView(const PaddedSquares* padded, const Board* board)
{
    return {padded->at + MARGIN, adjacentByDelta.data() + 119 - board->kingSquare[Us::side ^ 1]};
}

// Marks: the squares already counted, kept in the side's attacked map by the probe alone.
template <typename Us>
struct MapMarks {
    bool counted(int t) const { return Us::attackedMap()[t]; }
    void count(int t) const { Us::attackedMap()[t] = 1; }
};

// The evaluation keeps them in a bit per square instead: nothing to clear in memory first.
struct BitMarks {
    std::uint64_t bits = 0;
    bool counted(int t) const { return bits & squareBit(t); }
    void count(int t) { bits |= squareBit(t); }
};

template <typename Us, typename Marks>
int pawnProbe(const std::uint8_t* squares, int sq, std::uint8_t* count, Marks* marks)
{
    int sum = 0;
    *count = 0;
    for (const int t : {sq + Us::captureFirst, sq + Us::captureSecond}) {
        const int code = squares[t];
        if (code == EMPTY) {
            sum += Us::pawnSquares[t];
        } else if (Us::isEnemyPiece(code) && !marks->counted(t)) {
            marks->count(t);
            ++*count;
        }
    }
    return sum;
}

template <typename Us>
[[gnu::always_inline]] inline int knightProbe(ProbeView view, int sq, std::uint8_t* kingZone)
{
    int sum = 0, zone = 0;
    auto jump = [&](std::intptr_t t) {
        if (!Us::mayLand(view.squares[t])) return;
        sum += Us::knightSquares[t];
        zone += view.nearEnemyKing[t];
    };
    const std::int32_t* d = Us::knightOffsets;
    jump(sq + d[0]), jump(sq + d[1]), jump(sq + d[2]), jump(sq + d[3]);
    jump(sq + d[4]), jump(sq + d[5]), jump(sq + d[6]), jump(sq + d[7]);
    *kingZone = std::uint8_t(*kingZone + zone);
    return sum;
}

// Walks each ray over the empty squares. StopCounts: an enemy piece next to the enemy king
// that ends a ray also counts for the king zone.
template <typename Us, bool StopCounts>
int slide(ProbeView view, int sq, const std::int32_t* rays, const SquareTable& values,
    std::uint8_t* kingZone)
{
    int sum = 0, zone = 0;
    auto walk = [&](std::intptr_t step) {
        std::intptr_t t = sq + step;
        while (view.squares[t] == EMPTY) {
            sum += values[t];
            zone += view.nearEnemyKing[t];
            t += step;
        }
        if constexpr (StopCounts)
            if (Us::isEnemy(view.squares[t])) zone += view.nearEnemyKing[t];
    };
    walk(rays[0]), walk(rays[1]), walk(rays[2]), walk(rays[3]);
    *kingZone = std::uint8_t(*kingZone + zone);
    return sum;
}

template <typename Us>
int bishopProbe(ProbeView view, int sq, std::uint8_t* kingZone)
{
    return slide<Us, true>(view, sq, Us::diagonalOffsets, Us::bishopSquares, kingZone);
}

template <typename Us>
int rookProbe(ProbeView view, int sq, std::uint8_t* kingZone)
{
    return slide<Us, false>(view, sq, Us::heavyOffsets, Us::rookSquares, kingZone);
}

template <typename Us>
int queenProbe(ProbeView view, int sq, std::uint8_t* kingZone)
{
    const int lines =
        slide<Us, Us::queenLineStopCounts>(view, sq, Us::heavyOffsets, Us::queenSquares, kingZone);
    return lines + slide<Us, false>(view, sq, Us::diagonalOffsets, Us::queenSquares, kingZone);
}

template <typename Us>
int bishopTrapped(const Board* board, int sq)
{
    return (sq == Us::trapA && board->squares[Us::trapperA] == Us::enemyPawn)
        || (sq == Us::trapH && board->squares[Us::trapperH] == Us::enemyPawn);
}

template <typename Us>
int castled(const Board* board)
{
    switch (Us::castlingFlags[board->kingSquare[Us::side]]) {
    case 1: return board->squares[Us::queenCorner] != Us::rook ? 1 : 0;
    case 2: return board->squares[Us::kingCorner] != Us::rook ? 2 : 0;
    default: return 0;
    }
}

template <typename Us>
int shelterHoles(const Board* board)
{
    const std::uint8_t* squares = board->squares;
    const int king = board->kingSquare[Us::side];
    int holes = 0;
    const int front = king + Us::forward;
    if (onBoard(front) && squares[front] != Us::pawn) holes += squares[front] == Us::bishop ? 1 : 2;
    for (const int t : {king + Us::captureFirst, king + Us::captureSecond})
        if (onBoard(t) && squares[t] != Us::pawn) ++holes;
    return holes < 2 ? 0 : holes;
}

// A bishop, rook or queen standing right in front of its own centre pawn.
template <typename Us>
bool blocksOwnPawn(const std::uint8_t* squares, int sq)
{
    const int f = file(sq);
    return f >= 3 && f <= 6 && squares[sq - Us::forward] == Us::pawn;
}

template <typename Us>
void walkPieces(const Board* board, const PaddedSquares* padded, SideTally* t)
{
    const ProbeView view = probeView<Us>(padded, board);
    const std::uint8_t* squares = view.squares;
    // Distances to either king by square, one load each.
    const std::uint8_t* fromEnemyKing = distByDelta.at + 119 - board->kingSquare[Us::side ^ 1];
    const std::uint8_t* fromOwnKing = distByDelta.at + 119 - board->kingSquare[Us::side];
    const PieceEntry* list = board->pieceList[Us::side];
    const PieceEntry* end =
        list + (board->pieceListLength[Us::side] < 24 ? board->pieceListLength[Us::side] : 24);
    std::int32_t* amount = t->amount;

    // Pawn sums stay in registers until the walk ends.
    int placement = 0, pawnSquares = 0, pawnsNearKing = 0;
    BitMarks marks;
    // Slot 0 holds the king, which scores nothing here. Pawns, the most of the men, come first.
    for (const PieceEntry* e = list + 1; e < end; ++e) {
        if (e->alive != 1) continue;
        const int s = e->square, piece = e->piece;
        if (piece == Us::pawn) {
            const int r = rank(s);
            ++t->pawns;
            placement += Us::pawnPlacement[s];
            t->pawnRanks[file(s)] |= std::uint8_t(1 << (r - 1));
            pawnsNearKing += view.nearEnemyKing[s];
            const int left = squares[s + Us::captureFirst], right = squares[s + Us::captureSecond];
            // Rammed, with no enemy pawn on a square it could take.
            if (squares[s + Us::forward] == Us::enemyPawn && left != Us::enemyPawn
                && right != Us::enemyPawn)
                ++t->blocked;
            // Both squares lie one rank ahead: a pawn short of its fourth rank supports
            // nothing on the fifth.
            if (Us::relativeRank(r) >= 4) placement += Us::support[left] + Us::support[right];
            std::uint8_t count = 0;
            pawnSquares += pawnProbe<Us>(squares, s, &count, &marks);
            t->pawnThreats = count;  // the last pawn's count stands, not a sum
            continue;
        }
        switch (piece) {
        case Us::knight: {
            if (s == Us::knightHomeB || s == Us::knightHomeG) ++t->undeveloped;
            amount[TERM_MINOR_CENTRE] += 2 * advancedCentre[s];
            const int m = knightProbe<Us>(view, s, &t->kingZone);
            amount[TERM_MOBILITY] += m <= 1 ? -7 * (2 - m) : m;
            t->knightSquare[t->knights] = std::uint8_t(s);  // at most one per list slot
            ++t->knights;
            const int d = fromEnemyKing[s];
            if (d <= Us::knightReach) {
                ++t->nearAttackers;
                t->nearDistance += d;
            }
            if (fromOwnKing[s] <= 2) ++t->defenders;
            break;
        }
        case Us::bishop: {
            ++t->bishops;
            const bool home = s == Us::bishopHomeC || s == Us::bishopHomeF;
            if (home) ++t->undeveloped;
            amount[TERM_MINOR_CENTRE] += advancedCentre[s];
            const int m = bishopProbe<Us>(view, s, &t->kingZone);
            amount[TERM_MOBILITY] += (m >= 2 || home) ? 2 * m : -6 * (2 - m);
            if (bishopTrapped<Us>(board, s)) amount[TERM_TRAPPED_BISHOP] -= 65;
            if (blocksOwnPawn<Us>(squares, s)) amount[TERM_BLOCKING_PAWN] -= 15;
            const int d = fromEnemyKing[s];
            if (d <= 3) {
                ++t->nearAttackers;
                t->nearDistance += d;
            }
            if (fromOwnKing[s] <= 2) ++t->defenders;
            break;
        }
        case Us::rook: {
            ++t->rooks;
            amount[TERM_MOBILITY] += rookProbe<Us>(view, s, &t->kingZone);
            const int f = file(s);
            ++t->rookCount[f];
            t->rookFiles |= 1u << f;
            if (Us::relativeRank(rank(s)) == 7) amount[TERM_SEVENTH_RANK] += 19;
            if (blocksOwnPawn<Us>(squares, s)) amount[TERM_BLOCKING_PAWN] -= 7;
            const int d = fromEnemyKing[s];
            if (d <= 3) {
                ++t->nearAttackers;
                t->nearDistance += d;
            }
            break;
        }
        case Us::queen: {
            ++t->queens;
            const int m = queenProbe<Us>(view, s, &t->kingZone);
            amount[TERM_MOBILITY] += m;
            const int d = fromEnemyKing[s];
            if (d <= 3) {
                amount[TERM_QUEEN_NEAR_KING] += 8 * (4 - d);
                ++t->nearAttackers;
                t->nearDistance += d;
            }
            if (blocksOwnPawn<Us>(squares, s)) amount[TERM_BLOCKING_PAWN] -= 12;
            if (s != Us::queenHome && m < 3) amount[TERM_MOBILITY] -= 11 * (3 - m) * (3 - m);
            if (Us::relativeRank(rank(s)) == 7) amount[TERM_SEVENTH_RANK] += 17;
            if (fromOwnKing[s] <= 2) ++t->defenders;
            break;
        }
        default: break;  // the king
        }
    }
    amount[TERM_PAWN_PLACEMENT] += placement;
    amount[TERM_PAWN_SQUARES] += pawnSquares;
    // A pawn next to the enemy king presses it from distance 1.
    t->nearAttackers += pawnsNearKing;
    t->nearDistance += pawnsNearKing;
}

template <typename Us>
void outposts(const std::uint8_t* squares, SideTally* us, const SideTally* them)
{
    for (int i = 0; i < us->knights; ++i) {
        const int s = us->knightSquare[i], f = file(s), r = rank(s);
        if (Us::outpost[s] < 1) continue;
        // No enemy pawn ahead on a neighbouring file that could drive it away.
        if ((them->pawnRanks[f - 1] | them->pawnRanks[f + 1]) & Us::aheadOf[r]) continue;
        const bool supported = squares[s - Us::captureFirst] == Us::pawn
            || squares[s - Us::captureSecond] == Us::pawn;
        us->amount[TERM_OUTPOSTS] += supported ? 17 : 13;
    }
}

PawnFiles pawnFiles(const SideTally* t)
{
    const std::uint64_t pawns = packFiles(t->pawnRanks);
    return {pawns, fillDown(pawns), fillUp(pawns)};
}

// Doubled, isolated, passed and backward pawns of Us.
template <typename Us>
void pawnStructure(SideTally* us, const PawnFiles* ownFiles, const PawnFiles* enemyFiles,
    bool endgame)
{
    std::int32_t* amount = us->amount;
    const std::uint64_t own = ownFiles->pawns;
    const std::uint64_t ownBehind = Us::fillBehind(ownFiles), ownAhead = Us::fillAhead(ownFiles);
    const std::uint64_t occupied = ownBehind | ownAhead;  // whole files
    // Every pawn beyond the first of its file.
    amount[TERM_DOUBLED] -= 32 * (us->pawns - countFiles(occupied & RANK_1));

    const std::uint64_t besideOwn = besideFiles(occupied);
    const std::uint64_t isolated = occupied & ~besideOwn & RANK_1;
    const int edgeIsolated = countFiles(isolated & EDGE_FILES_RANK_1);
    amount[TERM_ISOLATED] -= 14 * edgeIsolated + 29 * (countFiles(isolated) - edgeIsolated);

    // A file's most advanced pawn with no enemy pawn level with or ahead of it on its file, nor
    // ahead of it beside; doubled in the endgame unless the three files hold no enemy pawn.
    const std::uint64_t front = own & ~Us::stepBack(ownBehind);
    const std::uint64_t enemyBehind = Us::fillBehind(enemyFiles);
    const std::uint64_t stopped = enemyBehind | besideFiles(Us::stepBack(enemyBehind));
    const std::uint64_t enemyOccupied = enemyFiles->down | enemyFiles->up;
    const std::uint64_t contested = enemyOccupied | besideFiles(enemyOccupied);
    for (std::uint64_t passers = front & ~stopped; passers; passers &= passers - 1) {
        const int bit = std::countr_zero(passers);
        const int passed = 11 * passedPawnTable[Us::relativeRank((bit & 7) + 1)];
        amount[TERM_PASSED] += endgame && (contested >> bit & 1) ? 2 * passed : passed;
    }

    // A lone pawn with no pawn of its side level with or behind it on either neighbouring
    // file, and not both neighbouring files empty.
    const std::uint64_t rear = own & ~Us::stepForward(ownAhead);
    const std::uint64_t backward =
        front & rear & ~besideFiles(ownAhead) & besideOwn & Us::backwardZone;
    for (std::uint64_t lone = backward; lone; lone &= lone - 1)
        amount[TERM_BACKWARD] -= (enemyOccupied >> std::countr_zero(lone) & 1) ? 23 : 27;
}

// Rooks on files without a pawn of their side.
void rookFiles(SideTally* us, const SideTally* them)
{
    for (std::uint32_t files = us->rookFiles; files; files &= files - 1) {
        const int f = std::countr_zero(files);
        if (us->pawnRanks[f]) continue;
        us->amount[TERM_ROOK_FILES] += them->pawnRanks[f] == 0 ? 20 * us->rookCount[f] : 12;
    }
}

// The king-safety items where Us is the attacker: credited to Us.
template <typename Us>
void kingAttack(const Board* board, SideTally* us, const SideTally* them)
{
    std::int32_t* amount = us->amount;
    amount[TERM_KING_ZONE] += bonusKingThreat[us->kingZone];
    const int a = us->nearAttackers;
    if (a >= 2) {
        const int average = us->nearDistance / a;
        amount[TERM_KING_ATTACKERS] -= a * a * malusNearToKing[average < 8 ? average : 7];
    }
    if (a >= 2 && a > them->defenders) amount[TERM_KING_OUTNUMBERED] += 15 * (a - them->defenders);

    const int fk = file(board->kingSquare[Us::side ^ 1]);
    if (us->pawnRanks[fk] == 0) amount[TERM_KING_FILES] += 15 * us->rookCount[fk];
    for (const int n : {fk - 1, fk + 1})
        if (us->pawnRanks[n] == 0)
            amount[TERM_KING_FILES] += (them->pawnRanks[n] != 0 ? 9 : 11) * us->rookCount[n];
}

// The king-safety items of Us's own king: credited to (or charged on) Us.
template <typename Us>
void kingShelter(
    const Board* board, SideTally* us, const SideTally* them, int ownCastled, int enemyCastled)
{
    std::int32_t* amount = us->amount;
    const std::uint8_t* squares = board->squares;
    const bool heavyPair = them->queens > 0 && them->rooks > 0;
    if (ownCastled == 2) {
        amount[TERM_CASTLING] += 27;
        if (heavyPair && them->pawnRanks[8] == 0) amount[TERM_CASTLING] -= 24;
    } else if (ownCastled == 1) {
        amount[TERM_CASTLING] += 19;
        if (heavyPair && them->pawnRanks[1] == 0) amount[TERM_CASTLING] -= Us::queenSideStorm;
    } else {
        amount[TERM_CASTLING] -= 32;
    }
    auto intruder = [&](int sq) {
        return squares[sq] == Us::enemyPawn || squares[sq] == Us::enemyBishop;
    };
    if (ownCastled == 2 && squares[Us::shieldG] != Us::pawn
        && (intruder(Us::intruderF) || intruder(Us::intruderH)) && them->queens > 0)
        amount[TERM_CASTLE_INTRUDER] -= 25;
    if (ownCastled && !enemyCastled) amount[TERM_CASTLING] += 15;
    if (ownCastled)
        amount[TERM_SHELTER_HOLES] -= 19 * shelterHoles<Us>(board);
    else
        amount[TERM_KING_CENTRE] -= 34 * advancedCentre[board->kingSquare[Us::side]];
}

constexpr EvalTerm kingTerms[] = {TERM_KING_ZONE, TERM_KING_ATTACKERS, TERM_KING_OUTNUMBERED,
    TERM_KING_FILES, TERM_CASTLING, TERM_CASTLE_INTRUDER, TERM_SHELTER_HOLES, TERM_KING_CENTRE};

bool isMaterialDraw(const Board* board, const SideTally* w, const SideTally* b)
{
    const int cw = board->pieceCount[0], cb = board->pieceCount[1];
    return (cw == 1 && cb == 1) || (cw == 2 && cb == 1 && w->knights + w->bishops == 1)
        || (cw == 1 && cb == 2 && b->knights + b->bishops == 1);
}

// The evaluation's copy of the squares: its margin, zero from the start, stays OFF_BOARD; each
// evaluation copies the board into the middle.
static_assert(OFF_BOARD == 0);
constinit thread_local PaddedSquares evalSquares{};

int evaluate(const Board* board, EvalTerms* terms)
{
    std::memcpy(evalSquares.at + MARGIN, board->squares, sizeof board->squares);
    SideTally w{}, b{};
    walkPieces<WhiteSide>(board, &evalSquares, &w);
    walkPieces<BlackSide>(board, &evalSquares, &b);

    const int nw = w.knights + w.bishops + w.rooks + w.queens;
    const int nb = b.knights + b.bishops + b.rooks + b.queens;
    if (nw > nb) w.amount[TERM_BALANCE] += 61 * (nw - nb);
    if (nb > nw) b.amount[TERM_BALANCE] += 61 * (nb - nw);

    if (isMaterialDraw(board, &w, &b)) {
        if (terms) {
            *terms = EvalTerms{};
            terms->material = board->material;
            terms->drawn = 1;
        }
        return 0;
    }

    const bool endgame = nw < 4 && nb < 4
        && ((w.queens == 0 && b.queens == 0 && (w.pawns < 6 || b.pawns < 6))
            || (b.queens == 0 && b.rooks < 2) || (w.queens == 0 && w.rooks < 2));
    if (!endgame) {
        w.amount[TERM_DEVELOPMENT] -= 16 * w.undeveloped;
        b.amount[TERM_DEVELOPMENT] -= 16 * b.undeveloped;
    }

    w.amount[TERM_PAWN_THREATS] += 18 * w.pawnThreats;
    b.amount[TERM_PAWN_THREATS] += 18 * b.pawnThreats;

    const std::uint8_t* squares = evalSquares.at + MARGIN;
    outposts<WhiteSide>(squares, &w, &b);
    outposts<BlackSide>(squares, &b, &w);

    const PawnFiles whitePawns = pawnFiles(&w), blackPawns = pawnFiles(&b);
    pawnStructure<WhiteSide>(&w, &whitePawns, &blackPawns, endgame);
    pawnStructure<BlackSide>(&b, &blackPawns, &whitePawns, endgame);
    rookFiles(&w, &b);
    rookFiles(&b, &w);

    if (w.blocked > w.pawns / 3 && w.knights > 0) w.amount[TERM_CLOSED] += 17;
    if (b.blocked > b.pawns / 3 && b.knights > 0) b.amount[TERM_CLOSED] += 17;

    const int whiteKing = board->kingSquare[0], blackKing = board->kingSquare[1];
    int kingHalving = 0;
    if (endgame) {
        w.amount[TERM_KING_ENDGAME] += 9 * advancedCentre[whiteKing] - 25 * border[whiteKing];
        b.amount[TERM_KING_ENDGAME] += 9 * advancedCentre[blackKing] - 25 * border[blackKing];
    } else {
        kingAttack<WhiteSide>(board, &w, &b);
        kingAttack<BlackSide>(board, &b, &w);
        const int whiteCastled = castled<WhiteSide>(board),
                  blackCastled = castled<BlackSide>(board);
        kingShelter<WhiteSide>(board, &w, &b, whiteCastled, blackCastled);
        kingShelter<BlackSide>(board, &b, &w, blackCastled, whiteCastled);
        int k = 0;
        for (const EvalTerm term : kingTerms) k += w.amount[term] - b.amount[term];
        // The side the king term favours needs its queen to make the most of it.
        if ((k < 0 && b.queens == 0) || (k > 0 && w.queens == 0)) kingHalving = k / 2 - k;
    }

    std::int32_t total = board->material + kingHalving;
    for (int term = 0; term < TERM_COUNT; ++term) total += w.amount[term] - b.amount[term];

    if (terms) {
        std::memcpy(terms->white, w.amount, sizeof terms->white);
        std::memcpy(terms->black, b.amount, sizeof terms->black);
        terms->material = board->material;
        terms->kingHalving = kingHalving;
        terms->total = total;
        terms->drawn = 0;
        terms->endgame = endgame;
    }
    return board->sideToMove ? -total : total;
}

}  // namespace

int eval(const Board* board) { return evaluate(board, nullptr); }
int eval(const Board* board, EvalTerms* terms) { return evaluate(board, terms); }

// The probes on their own: each reads a padded copy of the squares, as the evaluation does.
namespace {

template <typename Us>
int pawnProbeOf(const Board* board, int sq, std::uint8_t* count)
{
    *count = 0;
    if (sq < 0 || sq >= 128) return 0;
    PaddedSquares padded;
    fillPadded(&padded, board);
    MapMarks<Us> marks;
    return pawnProbe<Us>(padded.at + MARGIN, sq, count, &marks);
}

template <typename Us, int (*probe)(ProbeView, int, std::uint8_t*)>
int pieceProbeOf(const Board* board, int sq, std::uint8_t* kingZone)
{
    if (sq < 0 || sq >= 128) return 0;
    PaddedSquares padded;
    fillPadded(&padded, board);
    return probe(probeView<Us>(&padded, board), sq, kingZone);
}

}  // namespace

int getImportantPawnSquaresWhite(const Board* board, int sq, std::uint8_t* count)
{
    return pawnProbeOf<WhiteSide>(board, sq, count);
}
int getImportantPawnSquaresBlack(const Board* board, int sq, std::uint8_t* count)
{
    return pawnProbeOf<BlackSide>(board, sq, count);
}
int getImportantKnightSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<WhiteSide, knightProbe<WhiteSide>>(board, sq, kingZone);
}
int getImportantKnightSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<BlackSide, knightProbe<BlackSide>>(board, sq, kingZone);
}
int getImportantBishopSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<WhiteSide, bishopProbe<WhiteSide>>(board, sq, kingZone);
}
int getImportantBishopSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<BlackSide, bishopProbe<BlackSide>>(board, sq, kingZone);
}
int getImportantRookSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<WhiteSide, rookProbe<WhiteSide>>(board, sq, kingZone);
}
int getImportantRookSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<BlackSide, rookProbe<BlackSide>>(board, sq, kingZone);
}
int getImportantQueenSquaresWhite(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<WhiteSide, queenProbe<WhiteSide>>(board, sq, kingZone);
}
int getImportantQueenSquaresBlack(const Board* board, int sq, std::uint8_t* kingZone)
{
    return pieceProbeOf<BlackSide, queenProbe<BlackSide>>(board, sq, kingZone);
}
int bishopIsTrappedWhite(const Board* board, int sq) { return bishopTrapped<WhiteSide>(board, sq); }
int bishopIsTrappedBlack(const Board* board, int sq) { return bishopTrapped<BlackSide>(board, sq); }
int kingHasCastledWhite(const Board* board) { return castled<WhiteSide>(board); }
int kingHasCastledBlack(const Board* board) { return castled<BlackSide>(board); }
int getPawnShelterKingWhite(const Board* board) { return shelterHoles<WhiteSide>(board); }
int getPawnShelterKingBlack(const Board* board) { return shelterHoles<BlackSide>(board); }
