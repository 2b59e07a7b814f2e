// SPDX-License-Identifier: GPL-3.0-or-later
#include "search.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "attack.h"
#include "eval.h"
#include "hash.h"
#include "history.h"
#include "movegen.h"
#include "movepick.h"
#include "see.h"
#include "threads.h"
#include "timeman.h"

namespace {

// The knobs of the search, one block per rule in the order a node applies them.

// clock: read once in this many node calls plus one
constexpr int CLOCK_INTERVAL = 8191;

// time control of the driver
constexpr std::int64_t HARD_LIMIT_FACTOR = 5;       // hard limit = this x the budget
constexpr int BEST_MOVE_CHANGE_FROM_DEPTH = 5;      // best-move changes count from this depth
constexpr int UNSTABLE_CHANGES = 2;                 // more changes than this double the budget
constexpr int SETTLED_WIN_SCORE = 300;              // one change and above this: stop early

// aspiration windows
constexpr int ASPIRATION_WINDOW = 30;
constexpr int ASPIRATION_WIDEN_FIRST = 50;
constexpr int ASPIRATION_WIDEN_SECOND = 200;  // and the budget is doubled once
constexpr int ASPIRATION_WIDEN_THIRD = 500;

// null move with verification
constexpr int NULL_MIN_DEPTH = 2;
constexpr int NULL_REDUCTION = 4;  // child depth: depth - 4, three plies beyond the normal one
constexpr int NULL_VERIFY_MIN_DEPTH = 6;
constexpr int NULL_VERIFY_REDUCTION = 5;

// razoring
constexpr int RAZOR_MAX_DEPTH = 2;
constexpr int RAZOR_MARGIN = 300;

// internal iterative deepening
constexpr int IID_MIN_DEPTH = 5;
constexpr int IID_REDUCTION = 2;

// extensions, in tenths of a ply
constexpr int EXTENSION_PLY = 10;
constexpr int EXTENSION_RECAPTURE_PV = 10;
constexpr int EXTENSION_PAWN_PUSH = 5;
constexpr int EXTENSION_SINGLE_REPLY = 5;

// history pruning
constexpr int HISTORY_PRUNE_MAX_DEPTH = 5;
constexpr int HISTORY_PRUNE_MOVES = 2;  // moves tried >= depth + this

// futility pruning, margin by depth
constexpr int FUTILITY_MAX_DEPTH = 2;
constexpr int FUTILITY_MARGIN[FUTILITY_MAX_DEPTH + 1] = {0, 100, 300};

// late-move reductions
constexpr int LMR_MIN_DEPTH = 3;
constexpr int LMR_MOVES_PV = 6;      // reduce from the move after this many at PV nodes
constexpr int LMR_MOVES_NON_PV = 3;  // and after this many elsewhere
constexpr int LMR_REDUCTION = 2;     // reduced child depth: depth - 2
constexpr std::uint32_t LMR_SUCCESS_RATIO = 4;  // a move this much more often good is kept

// quiescence: a quiet child level falls by this, one after a check or an evasion
constexpr int QS_QUIET_STEP = 8;

inline std::int64_t saturatingTimes(std::int64_t value, std::int64_t factor)
{
    constexpr std::int64_t limit = INT64_MAX / 16;
    if (value > limit / factor) return limit;
    if (value < -limit / factor) return -limit;
    return value * factor;
}

// The bound of every hard limit: the protocol's time per move, when it sets one.
std::int64_t hardCapOfSearch;
std::int64_t nodeLimitOfSearch;  // 0: none
// Node calls between two clock checks: fewer under a node limit, so that it is met closely.
constinit thread_local std::int32_t clockInterval = CLOCK_INTERVAL;

// The soft side of the clock, compared between iterations. A ponder search has none until
// its move is played.
struct DriverClock {
    bool useClock;
    std::int64_t start;
    std::int64_t timeLimit;
};
DriverClock driverClock;

inline std::int64_t capped(std::int64_t limit)
{
    return hardCapOfSearch > 0 && limit > hardCapOfSearch ? hardCapOfSearch : limit;
}

// Evaluations already made. The search meets a position again in re-searches, after
// razoring and through transpositions. Besides the position, the evaluation depends on which
// pawn of each side comes last in its piece list (that pawn's threat count is the one kept),
// so those two squares are part of an entry's identity. Pawns never stand on a1: a zeroed
// entry matches nothing.
struct EvalCacheEntry {
    std::uint64_t key;
    std::int32_t score;
    std::uint8_t lastPawn[2];
};
constexpr std::size_t EVAL_CACHE_ENTRIES = std::size_t(1) << 16;
constinit thread_local EvalCacheEntry evalCache[EVAL_CACHE_ENTRIES]{};
constexpr std::uint8_t NO_PAWN = 0x80;

// The square of the last living pawn the evaluation walks over in the side's piece list.
inline std::uint8_t lastPawnSquare(const Board* board, int side)
{
    const std::uint8_t pawn = side ? BLACK_PAWN : WHITE_PAWN;
    const PieceEntry* list = board->pieceList[side];
    constexpr int slots = int(std::extent_v<decltype(Board::pieceList), 1>);
    for (int i = std::min(int(board->pieceListLength[side]), slots) - 1; i >= 0; --i)
        if (list[i].alive == 1 && list[i].piece == pawn) return list[i].square;
    return NO_PAWN;
}

int cachedEval(const Board* board)
{
    EvalCacheEntry* e = &evalCache[board->hashKey2 & (EVAL_CACHE_ENTRIES - 1)];
    const std::uint8_t white = lastPawnSquare(board, 0), black = lastPawnSquare(board, 1);
    if (e->key == board->hashKey && e->lastPawn[0] == white && e->lastPawn[1] == black) {
        assert(e->score == eval(board));
        return e->score;
    }
    *e = {board->hashKey, eval(board), {white, black}};
    return e->score;
}

// Asks the cache for the table bucket of a position by its hashKey2: both of its lines, as
// the probe reads the generation stamp, in the second, before the keys.
inline void prefetchBucket(std::uint64_t key2)
{
    const char* bucket = reinterpret_cast<const char*>(bucketToPrefetch(key2));
    if (!bucket) return;
    __builtin_prefetch(bucket);
    __builtin_prefetch(bucket + 64);
}

// Asks the cache for what the position after m reads first: its table bucket and its
// evaluation cache entry, both otherwise a wait on memory.
inline void prefetchChild(const Board* board, const Move* m)
{
    const std::uint64_t key2 = hashKey2After(board, m);
    prefetchBucket(key2);
    __builtin_prefetch(&evalCache[key2 & (EVAL_CACHE_ENTRIES - 1)]);
}

// Nobody reads the lines of the null-move, verification and internal searches, so they
// share one, off the stack.
constinit thread_local PvLine scratchLine{};

// What the second updateHashKey of a move does, before the move is taken back, at the cost
// of three stores: the node's keys return, and the history slot of the child's ply gets them.
inline void restoreKeys(Board* board, std::uint64_t key, std::uint64_t key2)
{
    board->hashKey = key;
    board->hashKey2 = key2;
    board->hashHistory[board->gamePly] = key;
}

// isLegalSimple for a side that is not in check.
inline int isLegalUnchecked(Board* board, Move* m)
{
    if (m->from == board->kingSquare[board->sideToMove] || (m->flags & FLAG_ENPASSANT))
        return isLegalSimple(board, m);
    return keepsKingCovered(board, m);
}

// The men giving check to the side to move: how many, the square of one of them, and the
// step from the king towards it when it checks from afar (0 for a pawn or a knight).
struct Checkers {
    int count;
    int square;
    int step;
};

Checkers findCheckers(const Board* board)
{
    const std::uint8_t* squares = board->squares;
    const int side = board->sideToMove;
    const int king = board->kingSquare[side];
    const int enemy = side ? 0 : EMPTY;  // added to a white code gives the enemy's code
    Checkers c = {0, 0, 0};
    auto found = [&](int sq, int step) {
        ++c.count;
        c.square = sq;
        c.step = step;
    };
    const int pawnFrom[2] = {side ? king - 15 : king + 15, side ? king - 17 : king + 17};
    for (int sq : pawnFrom)
        if (onBoard(sq) && squares[sq] == WHITE_PAWN + enemy) found(sq, 0);
    for (int jump : {31, 33, 18, 14, -18, -14, -31, -33})
        if (onBoard(king + jump) && squares[king + jump] == WHITE_KNIGHT + enemy) found(king + jump, 0);
    for (int step : {15, 17, -15, -17, 1, -1, 16, -16}) {
        const bool diagonal = step == 15 || step == 17 || step == -15 || step == -17;
        int t = king + step;
        while (onBoard(t) && squares[t] == EMPTY) t += step;
        if (!onBoard(t)) continue;
        if (squares[t] == WHITE_QUEEN + enemy
            || squares[t] == (diagonal ? WHITE_BISHOP : WHITE_ROOK) + enemy)
            found(t, step);
    }
    return c;
}

// isLegalSimple for a side in check: besides king moves and en passant, only a move that
// takes a lone checker or steps between it and the king can be legal.
int isLegalEvasion(Board* board, Move* m, const Checkers& checkers)
{
    const int king = board->kingSquare[board->sideToMove];
    if (m->from == king || (m->flags & FLAG_ENPASSANT)) return isLegalSimple(board, m);
    if (checkers.count != 1) return 0;
    const int to = m->to;
    if (to != checkers.square
        && (checkers.step == 0 || geometry.step[to - king + 119] != checkers.step
            || dist(king, to) >= dist(king, checkers.square)))
        return 0;
    return keepsKingCovered(board, m);
}

// Keeps the legal moves of a pseudo-legal list, in their order: the list a generator
// asked for legal moves gives, with fewer moves tried on the board.
int keepLegal(Board* board, Move* moves, int count, int inCheck)
{
    const Checkers checkers = inCheck ? findCheckers(board) : Checkers{0, 0, 0};
    assert((checkers.count > 0) == (inCheck != 0));
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const int legal = inCheck ? isLegalEvasion(board, &moves[i], checkers)
                                  : isLegalUnchecked(board, &moves[i]);
        assert(legal == isLegalSimple(board, &moves[i]));
        if (legal) moves[kept++] = moves[i];
    }
    return kept;
}

// The full test, kept for the consistency checks of debug builds.
[[maybe_unused]] inline int sideInCheck(const Board* board)
{
    const int side = board->sideToMove;
    return isAttackedSimple(board, board->kingSquare[side], side ^ 1);
}

// Set while this thread searches as a helper of a parallel search.
constinit thread_local HelperLink* helperLink = nullptr;

// A helper's clock check: it only publishes its nodes and obeys the main thread.
[[gnu::noinline]] bool helperMustStop()
{
    helperLink->nodes.store(globalNodes, std::memory_order_relaxed);
    if (!helperLink->stop->load(std::memory_order_relaxed)) return false;
    searchAborted = 1;
    return true;
}

// Nodes of every thread of the search.
inline std::int64_t allNodes() { return globalNodes + helperNodes(); }

// Shared by alphaBeta and qSearch: 1 once the hard limit has passed, the node limit is
// reached or the protocol asks to stop.
inline bool clockExpired()
{
    if (abortNodes > clockInterval) {
        abortNodes = 0;
        if (helperLink) return helperMustStop();
        if (timer() - timerSearchStart > maxTimeAllowed
            || (nodeLimitOfSearch > 0 && allNodes() >= nodeLimitOfSearch)
            || (searchPoll && searchPoll())) {
            searchAborted = 1;
            return true;
        }
    } else {
        ++abortNodes;
    }
    return false;
}

inline void setLine(PvLine* line, const Move* m, const PvLine* child)
{
    std::uint32_t n = child->length;
    if (n > MAX_PLY - 1) n = MAX_PLY - 1;
    line->moves[0] = *m;
    std::memcpy(line->moves + 1, child->moves, n * sizeof(Move));
    line->length = n + 1;
}

// A position searched again (a re-searched child, the verification, the internal
// deepening, the next iteration) must see the move that led to it, not the last one made
// below it: unmakeMove leaves these fields as the deepest make set them.
inline void restoreLastCapture(Board* board, std::uint8_t square, std::uint8_t piece)
{
    board->lastCaptureSquare = square;
    board->lastCapturedPiece = piece;
}

// Failure counts for the moves picked at a node before its best or cut-off move.
void blamePickedMoves(const MoveList* list, const Move* best, int depth)
{
    for (int j = 0; j < list->count; ++j) {
        const Move* other = &list->moves[j];
        if (list->picked[j] && (other->from != best->from || other->to != best->to))
            updateBadHistoryHeuristic(other, depth);
    }
}

}  // namespace

constinit thread_local std::uint8_t searchAborted;
constinit thread_local std::int32_t abortNodes;
constinit thread_local std::int64_t globalNodes;
constinit thread_local std::int64_t globalQNodes;
constinit thread_local std::int64_t maxQNodes;
constinit thread_local std::uint8_t followPV;
constinit thread_local std::uint8_t fractalExtensions;
constinit thread_local Move bestMove = NO_MOVE;
constinit thread_local std::int64_t betaCut, betaCutOnFirst, nullTried, nullCut, extCheck, extRecap,
    extPawn;

std::int64_t timerSearchStart;
std::int64_t maxTimeAllowed;
bool (*searchPoll)();
constinit thread_local RootProgress rootProgress = {0, 0, 0, NO_MOVE};
void (*rootMoveReport)(const Move* move, int number);
int lastSearchScore;
int lastSearchDepth;

// Root restriction -----------------------------------------------------------------------

namespace {

// The moves the protocol allows at the root (shared, read-only while threads search), and
// those this thread's driver has already given as better lines at the current depth.
Move rootAllowed[MAX_MOVES];
int rootAllowedCount = 0;
constinit thread_local Move rootExcluded[MAX_MULTI_PV]{};
constinit thread_local int rootExcludedCount = 0;

inline bool sameMove(const Move* a, const Move* b)
{
    return a->from == b->from && a->to == b->to && a->promotion == b->promotion;
}

bool rootSkips(const Move* m)
{
    for (int i = 0; i < rootExcludedCount; ++i)
        if (sameMove(m, &rootExcluded[i])) return true;
    if (rootAllowedCount == 0) return false;
    for (int i = 0; i < rootAllowedCount; ++i)
        if (sameMove(m, &rootAllowed[i])) return false;
    return true;
}

}  // namespace

void setRootMoves(const Move* moves, int count)
{
    rootAllowedCount = std::clamp(count, 0, MAX_MOVES);
    for (int i = 0; i < rootAllowedCount; ++i) rootAllowed[i] = moves[i];
}

int countRootMoves(Board* board)
{
    Move moves[MAX_MOVES];
    const int n = generateMoves(board, moves, 1);
    int count = 0;
    for (int i = 0; i < n; ++i) count += !rootSkips(&moves[i]);
    return count;
}

// Repetition ----------------------------------------------------------------------------

int checkDraw(const Board* board)
{
    const int n = board->gamePly < HISTORY_SIZE ? int(board->gamePly) : HISTORY_SIZE - 1;
    const std::uint64_t key = board->hashHistory[n];
    // Entry 0 is never written: the set-up position is not part of the history. Every
    // half-move, null moves included, passes the turn, and the key holds the side to move,
    // so only every second entry can match; none before the last capture or pawn move.
    const int oldest = std::max(1, n - int(board->reversiblePlies[n]));
    for (int i = n - 2; i >= oldest; i -= 2)
        if (board->hashHistory[i] == key) return 1;
    return 0;
}

int fiftyMoveDraw(Board* board)
{
    if (board->reversiblePlies[board->gamePly] < 100) return 0;
    if (!board->inCheck) return 1;
    // Mate on the hundredth half-move stands. The node's own list is not filled yet.
    return generateMoves(board, board->moveLists[board->ply].moves, 1) > 0;
}

int isPawnPush(Board* board, Move* m)
{
    const int r = rank(m->to);
    if (!((m->piece == WHITE_PAWN && r == 7) || (m->piece == BLACK_PAWN && r == 2))) return 0;
    if (see(board, m) < 0) return 0;
    ++extPawn;
    return 1;
}

// Quiescence search ----------------------------------------------------------------------

int qSearch(Board* board, int alpha, int beta, int qDepth)
{
    const int ply = int(board->ply);
    if (ply != 0 && (checkDraw(board) || fiftyMoveDraw(board))) return 0;
    const int nodeInCheck = board->inCheck;
    assert(nodeInCheck == sideInCheck(board));
    if (clockExpired()) return 0;
    if (searchAborted) return 0;
    if (ply >= MAX_SEARCH_PLY) return eval(board);
    if (board->ply > board->maxPly) board->maxPly = board->ply;

    // In check there is no standing pat, and nothing else reads the evaluation.
    const int e = nodeInCheck ? 0 : cachedEval(board);
    const std::uint64_t nodeKey = board->hashKey, nodeKey2 = board->hashKey2;
    ++globalQNodes;
    ++globalNodes;

    // Stand pat, except in check.
    int best = -INF_SCORE;
    if (!nodeInCheck) {
        best = e;
        if (e >= beta) return e;
        if (e > alpha) alpha = e;
    }

    board->hashMove = NO_MOVE;
    MoveList* list = &board->moveLists[ply];
    int count = nodeInCheck ? generateMoves(board, list->moves, 0)
                            : generateCaptures(board, list->moves, 0);
    count = keepLegal(board, list->moves, count, nodeInCheck);
    list->count = std::uint16_t(count);
    if (count == 0) return nodeInCheck ? ply - INF_SCORE : e;

    const int first = assignQScoreMovelist(board, list);
    for (int j = 0; j < count; ++j) {
        Move m;
        const int k = j == 0 ? getMove(list, &m, first) : nextBestMove(board, list, &m);
        // The previous move left a king to be taken: it was illegal.
        if (m.captured == WHITE_KING || m.captured == BLACK_KING) return ply + INF_SCORE;
        // A move dropped here is never made: nothing it would leave behind is read.
        if (!nodeInCheck) {
            // Delta: even the exchange gain cannot lift a null window.
            if (beta - alpha == 1) {
                const int f = e + list->seeScore[k];
                if (f < alpha) {
                    if (f > best) best = f;
                    continue;
                }
            }
            if (list->seeScore[k] < 0 && !(m.flags & FLAG_PROMOTION)) continue;
        }
        const int checks = givesCheck(board, &m);
        makeMove(board, &m);
        board->inCheck = std::uint8_t(checks);
        assert(checks == sideInCheck(board));
        updateHashKey(board, &m);
        const int child = (nodeInCheck || board->inCheck) ? qDepth - 1 : qDepth - QS_QUIET_STEP;
        const int s = -qSearch(board, -beta, -alpha, child);
        restoreKeys(board, nodeKey, nodeKey2);
        unmakeMove(board, &m);
        if (s > best) best = s;
        if (s >= beta) return s;
        if (s > alpha) alpha = s;
    }

    // Quiet checks, at the first level only.
    if (!nodeInCheck && qDepth == 0) {
        count = generateQuietChecks(board, list->moves);
        list->count = std::uint16_t(count);
        for (int j = 0; j < count; ++j) {
            Move* m = &list->moves[j];
            if (!isLegalUnchecked(board, m)) continue;
            if (see(board, m) < 0) continue;
            makeMove(board, m);
            board->inCheck = 1;
            assert(sideInCheck(board));
            updateHashKey(board, m);
            const int s = -qSearch(board, -beta, -alpha, qDepth - 1);
            restoreKeys(board, nodeKey, nodeKey2);
            unmakeMove(board, m);
            if (s > best) best = s;
            if (s >= beta) return s;
            if (s > alpha) alpha = s;
        }
    }
    return best;
}

// Alpha-beta search ----------------------------------------------------------------------

int alphaBeta(Board* board, int alpha, int beta, int depth, PvLine* line, std::uint8_t nullAllowed)
{
    // 1-2. Clock and abort
    if (clockExpired()) return 0;
    if (searchAborted) return 0;

    // 3. Per-node values
    const int ply = int(board->ply);
    if (ply >= MAX_SEARCH_PLY) {
        line->length = 0;
        return eval(board);
    }
    if (board->ply > board->maxPly) board->maxPly = board->ply;
    const int nodeInCheck = board->inCheck;
    assert(nodeInCheck == sideInCheck(board));
    const int entryAlpha = alpha;
    const bool pvNode = beta - alpha > 1;
    const std::uint8_t entryFractal = fractalExtensions;
    const std::uint8_t entryCaptureSquare = board->lastCaptureSquare;
    const std::uint8_t entryCapturedPiece = board->lastCapturedPiece;
    const int material = board->sideToMove ? -board->material : board->material;
    const std::uint64_t nodeKey = board->hashKey, nodeKey2 = board->hashKey2;
    Move tableMove = NO_MOVE;
    Move nodeBest = NO_MOVE;
    std::uint8_t boundType = 1;
    int staticEval = 0;
    bool evalKnown = false;
    auto staticEvaluation = [&] {
        if (!evalKnown) {
            staticEval = cachedEval(board);
            evalKnown = true;
        }
        return staticEval;
    };

    // 4. Repetition and the fifty-move rule
    if (ply != 0 && (checkDraw(board) || fiftyMoveDraw(board))) {
        line->length = 0;
        return 0;
    }

    // 5. Transposition table: scores only at non-PV nodes; the move and the null-move veto
    // everywhere.
    const int tableScore = probeHashtable(board, &alpha, &beta, &nullAllowed, depth, &tableMove);
    if (!pvNode && tableScore != HASH_NO_SCORE) {
        ++hashCuts;
        line->length = 0;
        return tableScore;
    }

    // 6. Leaf
    if (depth <= 0) {
        line->length = 0;
        const std::int64_t qBefore = globalQNodes;
        const int q = qSearch(board, alpha, beta, 0);
        if (globalQNodes - qBefore > maxQNodes) maxQNodes = globalQNodes - qBefore;
        if (!searchAborted) recordHashtable(board, 0, q, 0, &nodeBest);
        return q;
    }

    // 7. Null move with verification, else razoring. The null move's bucket is asked for
    // before the evaluation that decides whether to try it.
    const bool nullCandidate = depth >= NULL_MIN_DEPTH && nullAllowed == 1 && !nodeInCheck
                            && !pvNode && ply != 0 && alpha >= -MATE_BOUND && beta <= MATE_BOUND;
    if (nullCandidate) prefetchBucket(hashKey2AfterNull(board));
    if (nullCandidate && staticEvaluation() >= beta) {
        ++nullTried;
        Move undo = NO_MOVE;
        makeNullmove(board, &undo);
        const int s = -alphaBeta(board, -beta, -beta + 1, depth - NULL_REDUCTION, &scratchLine, 0);
        unmakeNullmove(board, &undo);
        board->inCheck = std::uint8_t(nodeInCheck);
        if (s >= beta) {
            if (depth >= NULL_VERIFY_MIN_DEPTH) {
                restoreLastCapture(board, entryCaptureSquare, entryCapturedPiece);
                const int v =
                    alphaBeta(board, alpha, beta, depth - NULL_VERIFY_REDUCTION, &scratchLine, 0);
                if (v >= beta) {
                    ++betaCut;
                    ++betaCutOnFirst;
                    ++nullCut;
                    line->length = 0;
                    return v;
                }
            } else {
                ++betaCut;
                ++betaCutOnFirst;
                ++nullCut;
                line->length = 0;
                return s;
            }
        }
    } else if (nullAllowed == 1 && !pvNode && depth <= RAZOR_MAX_DEPTH
               && alpha - RAZOR_MARGIN >= material) {
        if (staticEvaluation() <= alpha - RAZOR_MARGIN) {
            const int q = qSearch(board, alpha, beta, 0);
            if (q <= alpha) return q;
            board->inCheck = std::uint8_t(nodeInCheck);
        }
    }

    // 8. Children may try a null move again.
    if (nullAllowed == 0) nullAllowed = 1;

    // 9. Move to try first: the stored line while following it, else the table move.
    if (followPV == 1) {
        if (board->pv[ply].from != NO_SQUARE) board->hashMove = board->pv[ply];
        if (board->pv[ply + 1].from == NO_SQUARE) followPV = 0;
    } else {
        board->hashMove = tableMove;
    }
    // The move tried first is known before the generation and the ordering.
    if (board->hashMove.from != NO_SQUARE) prefetchChild(board, &board->hashMove);

    // 10-11. Generate; no move is mate or stalemate.
    MoveList* list = &board->moveLists[ply];
    int count = generateMoves(board, list->moves, 0);
    if (nodeInCheck || ply == 0) count = keepLegal(board, list->moves, count, nodeInCheck);
    list->count = std::uint16_t(count);
    if (count == 0) {
        line->length = 0;
        return nodeInCheck ? ply - INF_SCORE : 0;
    }

    // 12. Internal iterative deepening finds a move to try first at PV nodes.
    if (pvNode && ply != 0 && board->hashMove.from == NO_SQUARE && depth >= IID_MIN_DEPTH) {
        const int s = alphaBeta(board, alpha, beta, depth - IID_REDUCTION, &scratchLine, 0);
        if (s <= alpha) {
            restoreLastCapture(board, entryCaptureSquare, entryCapturedPiece);
            board->inCheck = std::uint8_t(nodeInCheck);
            alphaBeta(board, -INF_SCORE, beta, depth - IID_REDUCTION, &scratchLine, 0);
        }
        if (bestMove.from != NO_SQUARE) board->hashMove = bestMove;
    }

    // 13. Order
    int first = 0;
    if (ply == 0 && depth > 1) assignScoreRootMovelist(board, list);
    else first = assignScoreMovelist(board, list);

    // 14-15. Move loop
    int bestScore = -INF_SCORE;
    int movesTried = 0;
    PvLine childLine;
    childLine.length = 0;
    // Each child's bucket is asked for while its elder brother is searched, the first one's
    // now: a table probe is otherwise a wait on main memory at every node.
    MovePicker picker;
    startPicking(&picker, board, list, ply != 0 ? first : -1);
    prefetchChild(board, &list->moves[picker.following]);
    for (int i = 0; i < count; ++i) {
        const std::int64_t nodesBefore = globalNodes;
        Move m;
        const int index = pickMove(&picker, &m);
        if (picker.following >= 0) prefetchChild(board, &list->moves[picker.following]);
        if (ply == 0 && (rootExcludedCount || rootAllowedCount) && rootSkips(&m)) continue;
        if (!nodeInCheck && !isLegalUnchecked(board, &m)) continue;
        ++movesTried;
        if (ply == 0) {
            rootProgress = {depth, movesTried, count, m};
            if (!helperLink && rootMoveReport) rootMoveReport(&m, movesTried + rootExcludedCount);
        }

        // Recapture and pawn-push extensions, judged before the move is made.
        bool extended = false;
        int e = 0;
        if ((m.flags & FLAG_CAPTURE) && m.to == entryCaptureSquare
            && std::abs(pieceValues[m.captured]) == std::abs(pieceValues[entryCapturedPiece])) {
            ++extRecap;
            extended = true;
            if (pvNode) fractalExtensions += EXTENSION_RECAPTURE_PV;
        }
        if (isPawnPush(board, &m)) {
            fractalExtensions += EXTENSION_PAWN_PUSH;
            extended = true;
        }
        const bool quiet = isQuiet(&m);
        // The futility rule needs the node's own evaluation; it is taken here, before the
        // move, whenever that rule may ask for it.
        if (depth <= FUTILITY_MAX_DEPTH && ply != 0 && !pvNode && !nodeInCheck && quiet
            && material < beta)
            staticEvaluation();

        if (ply != 0) ++globalNodes;
        const int checks = givesCheck(board, &m);
        makeMove(board, &m);
        updateHashKey(board, &m);
        board->inCheck = std::uint8_t(checks);
        assert(checks == sideInCheck(board));
        // Every search of the child, re-searches included, starts from what the move set:
        // a quiescence search leaves inCheck at its last child's value.
        const std::uint8_t childCaptureSquare = board->lastCaptureSquare;
        const std::uint8_t childCapturedPiece = board->lastCapturedPiece;
        auto searchChild = [&](int childAlpha, int childBeta, int childDepth, std::uint8_t allowNull) {
            board->inCheck = std::uint8_t(checks);
            restoreLastCapture(board, childCaptureSquare, childCapturedPiece);
            return -alphaBeta(board, childAlpha, childBeta, childDepth, &childLine, allowNull);
        };

        // Check and single-reply extensions; a full ply of credit extends by one.
        if (board->inCheck) {
            ++extCheck;
            e = 1;
            extended = true;
        }
        if (nodeInCheck && count == 1) {
            fractalExtensions += EXTENSION_SINGLE_REPLY;
            extended = true;
        }
        if (fractalExtensions >= EXTENSION_PLY) {
            e = 1;
            fractalExtensions %= EXTENSION_PLY;
        }

        // History and futility pruning of quiet moves.
        bool pruned = false;
        if (depth <= HISTORY_PRUNE_MAX_DEPTH && board->ply > 1 && !pvNode && !extended && e == 0
            && !nodeInCheck && quiet) {
            const std::uint32_t bad = *historyCell(badHistoryHeuristic, &m);
            const std::uint32_t good = *historyCell(successHistoryHeuristic, &m);
            if (movesTried >= depth + HISTORY_PRUNE_MOVES && bad > good * std::uint32_t(depth)) {
                pruned = true;
            } else if (depth <= FUTILITY_MAX_DEPTH && material < beta) {
                const int futility = staticEvaluation() + FUTILITY_MARGIN[depth];
                if (futility < beta && movesTried > 1) {
                    if (futility > bestScore) bestScore = futility;
                    pruned = true;
                }
            }
        }

        int s = 0;
        if (!pruned) {
            const int d = depth - 1 + e;
            if (movesTried == 1) {
                s = searchChild(ply == 0 ? -INF_SCORE : -beta, -alpha, d, nullAllowed);
            } else {
                followPV = 0;
                bool done = false;
                // Late-move reductions
                if (board->ply > 1 && depth >= LMR_MIN_DEPTH && !extended && e == 0
                    && !nodeInCheck && !board->inCheck && quiet
                    && movesTried > (pvNode ? LMR_MOVES_PV : LMR_MOVES_NON_PV)
                    && LMR_SUCCESS_RATIO * *historyCell(badHistoryHeuristic, &m)
                           >= *historyCell(successHistoryHeuristic, &m)) {
                    s = searchChild(-alpha - 1, -alpha, depth - LMR_REDUCTION, 1);
                    done = s <= alpha;
                }
                if (!done) {
                    s = searchChild(-alpha - 1, -alpha, d, nullAllowed);
                    if (pvNode && s > alpha && (ply == 0 || s < beta))
                        s = searchChild(-beta, -alpha, d, nullAllowed);
                }
            }
            if (ply == 0) board->rootMoveNodes[index] = globalNodes - nodesBefore;
        }

        fractalExtensions = entryFractal;
        restoreKeys(board, nodeKey, nodeKey2);
        unmakeMove(board, &m);
        board->inCheck = std::uint8_t(nodeInCheck);
        // A stopped child's score and line mean nothing: neither may reach this node's line.
        if (searchAborted) return 0;
        if (pruned) continue;

        if (s > bestScore) bestScore = s;
        if (s > alpha) {
            if (s >= beta) {
                // 16. Cut-off
                if (ply != 0 && !searchAborted) recordHashtable(board, depth, s, 2, &m);
                if (!nodeInCheck && ply != 0) {
                    updateKillerMove(board, &m);
                    updateHistoryHeuristic(&m, depth);
                }
                ++betaCut;
                if (movesTried == 1) ++betaCutOnFirst;
                else if (!nodeInCheck && ply != 0) blamePickedMoves(list, &m, depth);
                if (ply == 0 && movesTried > 1) {
                    line->moves[0] = m;
                    line->length = 1;
                }
                bestMove = m;
                return s;
            }
            setLine(line, &m, &childLine);
            boundType = 0;
            alpha = s;
            nodeBest = m;
        }
    }

    // 17. End of the loop
    bestMove = nodeBest;
    if (movesTried == 0) {
        line->length = 0;
        return 0;
    }
    if (alpha > entryAlpha && ply != 0) {
        updateKillerMove(board, &nodeBest);
        updateHistoryHeuristic(&nodeBest, depth);
        blamePickedMoves(list, &nodeBest, depth);
    }
    if (ply == 0) return alpha;
    if (!searchAborted) recordHashtable(board, depth, bestScore, boundType, &nodeBest);
    return bestScore;
}

// Driver ---------------------------------------------------------------------------------

void storePv(Board* board, const PvLine* line)
{
    const std::uint32_t n = line->length < MAX_PLY - 1 ? line->length : MAX_PLY - 1;
    for (std::uint32_t i = 0; i < n; ++i) board->pv[i] = line->moves[i];
    board->pv[n].from = NO_SQUARE;
}

void printThinking(const IterationInfo* info)
{
    std::printf("%d %d %lld %lld ", info->depth, info->score,
                static_cast<long long>(info->elapsed / 10), static_cast<long long>(info->nodes));
    char text[8];
    const PvLine* line = info->line;
    for (std::uint32_t i = 0; i < line->length && i < MAX_PLY; ++i)
        std::printf("%s ", moveToText(info->board, &line->moves[i], text));
    std::printf("\n");
    std::fflush(stdout);
}

namespace {

// The first move of the line when it is a legal move here, else the first legal move;
// NO_MOVE when there is none.
Move legalChoice(Board* board, const PvLine* line)
{
    Move moves[MAX_MOVES];
    const int n = generateMoves(board, moves, 1);
    if (n == 0) return NO_MOVE;
    if (line->length > 0) {
        const Move& want = line->moves[0];
        for (int i = 0; i < n; ++i)
            if (moves[i].from == want.from && moves[i].to == want.to
                && moves[i].flags == want.flags && moves[i].promotion == want.promotion)
                return moves[i];
    }
    for (int i = 0; i < n; ++i)
        if (!rootSkips(&moves[i])) return moves[i];
    return moves[0];
}

void resetCounters(Board* board)
{
    followPV = 0;
    abortNodes = 0;
    globalNodes = globalQNodes = 0;
    hashStores = hashCuts = hashHits1 = 0;
    extCheck = extRecap = extPawn = 0;
    hashMoves = 0;
    betaCut = betaCutOnFirst = nullCut = nullTried = 0;
    maxQNodes = 0;
    fractalExtensions = 0;
    board->ply = 0;
    board->maxPly = 0;
}

// Failed windows of several lines are shown only once a search has run this long.
constexpr std::int64_t MULTI_PV_BOUNDS_AFTER_MS = 3000;

// One line of a search of several: its last finished result, and its window.
struct PvSlot {
    int score;
    int alpha;
    int beta;
    PvLine line;
};
PvSlot pvSlots[MAX_MULTI_PV];
PvSlot pvSlotsDone[MAX_MULTI_PV];  // the last depth finished, best first

// The time manager's view of the main thread's search, and the root's legal moves: with one,
// a clock search answers after its first depth.
TimeWatch timeWatch;
int rootMoveCount;

// The driver's own rule: past its budget or the cap, no further depth.
bool driverClockRunOut(std::int64_t elapsed)
{
    return driverClock.useClock
           && (elapsed > driverClock.timeLimit || (hardCapOfSearch > 0 && elapsed > hardCapOfSearch));
}

// After a finished depth of a managed search: whether the clock says to stop there. The watch
// follows the depths of a ponder search too, before its clock starts.
bool managedClockStops(const Move* best, int score, std::int64_t elapsed)
{
    const bool more = anotherDepth(&timeWatch, best->from, best->to, score, elapsed, driverClock.timeLimit,
                                   hardCapOfSearch);
    return driverClock.useClock && (!more || rootMoveCount == 1);
}

inline bool isRootExcluded(const Move* m)
{
    for (int i = 0; i < rootExcludedCount; ++i)
        if (sameMove(m, &rootExcluded[i])) return true;
    return false;
}

// Several best lines at each depth: line k is the best root move once the first k are left
// out. Each line has its own aspiration window, from its score of the depth before. Only
// finished depths are reported, best first, and a failed window as it happens. Returns the
// number of depths finished; the best line of the last is in pvSlotsDone[0].
int searchLines(Board* board, const SearchLimits* limits, int lines, std::int64_t start)
{
    const std::uint8_t rootCaptureSquare = board->lastCaptureSquare;
    const std::uint8_t rootCapturedPiece = board->lastCapturedPiece;
    const std::uint8_t rootInCheck = board->inCheck;
    const int maxDepth = limits->maxDepth < MAX_DEPTH ? limits->maxDepth : MAX_DEPTH;
    for (int k = 0; k < lines; ++k) pvSlots[k].line.length = 0;
    int finished = 0;
    auto report = [&](int depth, const PvSlot* slot, int rank) {
        if (!limits->report) return;
        const IterationInfo info = {depth, int(board->maxPly), slot->score, slot->alpha, slot->beta,
                                    timer() - start, allNodes(), &slot->line, rank, board};
        limits->report(&info);
    };
    for (int depth = 1; depth <= maxDepth; ++depth) {
        rootExcludedCount = 0;
        int done = 0;
        for (int k = 0; k < lines && !searchAborted; ++k) {
            PvSlot* slot = &pvSlots[k];
            int failCount = 0;
            if (finished == 0) {
                slot->alpha = -INF_SCORE;
                slot->beta = INF_SCORE;
            } else {
                slot->alpha = std::max(slot->score - ASPIRATION_WINDOW, -INF_SCORE);
                slot->beta = std::min(slot->score + ASPIRATION_WINDOW, INF_SCORE);
            }
            // The line of the depth before is followed first, unless a better line took
            // its move.
            followPV = 0;
            board->pv[0] = NO_MOVE;
            if (slot->line.length > 0 && !isRootExcluded(&slot->line.moves[0])) {
                storePv(board, &slot->line);
                followPV = 1;
            }
            for (;;) {
                restoreLastCapture(board, rootCaptureSquare, rootCapturedPiece);
                board->inCheck = rootInCheck;
                slot->score = alphaBeta(board, slot->alpha, slot->beta, depth, &slot->line, 0);
                if (searchAborted) break;
                const bool low = slot->score <= slot->alpha && slot->alpha > -INF_SCORE;
                const bool high = slot->score >= slot->beta && slot->beta < INF_SCORE;
                if (!low && !high) break;
                // Failed windows of many lines would flood a GUI.
                if (slot->line.length > 0 && !isRootExcluded(&slot->line.moves[0])
                    && timer() - start >= MULTI_PV_BOUNDS_AFTER_MS)
                    report(depth, slot, k + 1);
                const int widen = failCount == 0 ? ASPIRATION_WIDEN_FIRST
                                : failCount == 1 ? ASPIRATION_WIDEN_SECOND
                                : failCount == 2 ? ASPIRATION_WIDEN_THIRD : 2 * INF_SCORE;
                if (low) slot->alpha = std::max(slot->alpha - widen, -INF_SCORE);
                else slot->beta = std::min(slot->beta + widen, INF_SCORE);
                ++failCount;
                storePv(board, &slot->line);
                followPV = 1;
            }
            if (searchAborted || slot->line.length == 0) break;
            rootExcluded[rootExcludedCount++] = slot->line.moves[0];
            done = k + 1;
        }
        if (searchAborted || done == 0) break;
        for (int k = 0; k < done; ++k) pvSlotsDone[k] = pvSlots[k];
        // Each later line was searched without the better ones, so its score is at most
        // theirs; a search's instability may still put one out of order.
        std::stable_sort(pvSlotsDone, pvSlotsDone + done,
                         [](const PvSlot& a, const PvSlot& b) { return a.score > b.score; });
        for (int k = 0; k < done; ++k) report(depth, &pvSlotsDone[k], k + 1);
        finished = depth;
        lines = done;
        lastSearchScore = pvSlotsDone[0].score;
        lastSearchDepth = depth;
        const int best = pvSlotsDone[0].score;
        if (limits->mateIn > 0 && best > MATE_BOUND && (INF_SCORE - best + 1) / 2 <= limits->mateIn) break;
        if (nodeLimitOfSearch > 0 && allNodes() >= nodeLimitOfSearch) break;
        const std::int64_t elapsed = timer() - driverClock.start;
        if (limits->managedClock) {
            if (managedClockStops(&pvSlotsDone[0].line.moves[0], best, elapsed)) break;
        } else if (driverClockRunOut(elapsed)) {
            break;
        }
    }
    rootExcludedCount = 0;
    restoreLastCapture(board, rootCaptureSquare, rootCapturedPiece);
    board->inCheck = rootInCheck;
    return finished;
}

}  // namespace

int searchWithLimits(Board* board, Move* result, const SearchLimits* limits)
{
    resetCounters(board);
    int alpha = -INF_SCORE, beta = INF_SCORE, failCount = 0, depth = 1, bestMoveChanges = 0;
    bool timeExtended = false;
    const int maxDepth = limits->maxDepth < MAX_DEPTH ? limits->maxDepth : MAX_DEPTH;
    const std::int64_t start = timer();
    // Without the clock, a budget no search reaches.
    if (limits->useClock) startSearchClock(start, limits->timeLimit, limits->hardCap);
    else startSearchClock(start, INT64_MAX / 16, 0);
    driverClock.useClock = limits->useClock;
    std::int64_t& timeLimit = driverClock.timeLimit;
    nodeLimitOfSearch = limits->nodeLimit > 0 ? limits->nodeLimit : 0;
    clockInterval = nodeLimitOfSearch > 0 && nodeLimitOfSearch / 64 < CLOCK_INTERVAL
                  ? std::int32_t(nodeLimitOfSearch / 64) : CLOCK_INTERVAL;

    const std::uint8_t rootCaptureSquare = board->lastCaptureSquare;
    const std::uint8_t rootCapturedPiece = board->lastCapturedPiece;
    const std::uint8_t rootInCheck = board->inCheck;
    PvLine current, previous;
    current.length = previous.length = 0;
    current.moves[0] = previous.moves[0] = NO_MOVE;
    int score = 0;
    bool discarded = false;
    lastSearchScore = 0;
    lastSearchDepth = 0;
    searchAborted = 0;
    // Mated or stalemated already: nothing to search, and a mated root would fail low at
    // the window's last bound for ever.
    Move rootMoves[MAX_MOVES];
    rootMoveCount = generateMoves(board, rootMoves, 1);
    startTimeWatch(&timeWatch);
    if (rootMoveCount == 0) {
        *result = NO_MOVE;
        lastSearchScore = board->inCheck ? -INF_SCORE : 0;
        return lastSearchScore;
    }

    if (limits->multiPv > 1) {
        const int lines = std::min(limits->multiPv, countRootMoves(board));
        const int finished = searchLines(board, limits, std::max(lines, 1), start);
        if (finished > 0) storePv(board, &pvSlotsDone[0].line);
        *result = legalChoice(board, finished > 0 ? &pvSlotsDone[0].line : &pvSlots[0].line);
        return lastSearchScore;
    }

    auto extendTime = [&] {
        maxTimeAllowed = capped(saturatingTimes(maxTimeAllowed, 2));
        timeLimit = saturatingTimes(timeLimit, 2);
        timeExtended = true;
    };

    if (timeLimit >= 0) {
        std::int64_t elapsed = 0;
        do {
            searchAborted = 0;
            restoreLastCapture(board, rootCaptureSquare, rootCapturedPiece);
            board->inCheck = rootInCheck;
            score = alphaBeta(board, alpha, beta, depth, &current, 0);
            // An unfinished call is never reported: its score is no result, and its line
            // holds only root moves it searched to the end.
            if (searchAborted) {
                discarded = true;
                break;
            }
            storePv(board, &current);
            followPV = 1;
            const std::int64_t now = timer();
            elapsed = now - driverClock.start;
            if (limits->report) {
                const IterationInfo info = {depth, int(board->maxPly), score, alpha, beta,
                                            now - start, allNodes(), &current, 0, board};
                limits->report(&info);
            }
            lastSearchScore = score;
            lastSearchDepth = depth;
            const bool mateFound = limits->mateIn > 0 && score > alpha && score > MATE_BOUND
                                && (INF_SCORE - score + 1) / 2 <= limits->mateIn;

            if (depth >= BEST_MOVE_CHANGE_FROM_DEPTH
                && (current.moves[0].from != previous.moves[0].from
                    || current.moves[0].to != previous.moves[0].to))
                ++bestMoveChanges;
            previous.length = current.length;
            std::memcpy(previous.moves, current.moves, sizeof previous.moves);

            const bool inWindow = !(score <= alpha && alpha > -INF_SCORE) && !(score >= beta && beta < INF_SCORE);
            if (limits->managedClock) {
                // A finished depth tells the time manager whether to go on; a failed window
                // is searched again until the maximum, or a better move is played as found.
                if (inWindow) {
                    if (managedClockStops(&current.moves[0], score, elapsed)) break;
                } else if (driverClock.useClock && score >= beta && beta < INF_SCORE
                           && elapsed >= scaledOptimum(&timeWatch, timeLimit, hardCapOfSearch)) {
                    break;
                }
            } else if (bestMoveChanges > UNSTABLE_CHANGES && !timeExtended) {
                // Time control: an unstable best move earns more time; a settled win stops.
                extendTime();
            } else if (driverClock.useClock && bestMoveChanges == 1 && !timeExtended
                       && elapsed > timeLimit / 2 && score > SETTLED_WIN_SCORE) {
                break;
            }

            // Aspiration window, kept within the bounds of every score: a failure at a bound
            // already open cannot widen it, so it counts as resolved.
            if (score <= alpha && alpha > -INF_SCORE) {
                if (failCount == 0) {
                    alpha -= ASPIRATION_WIDEN_FIRST;
                } else if (failCount == 1) {
                    if (!timeExtended) extendTime();
                    alpha -= ASPIRATION_WIDEN_SECOND;
                } else if (failCount == 2) {
                    alpha -= ASPIRATION_WIDEN_THIRD;
                } else {
                    alpha = -INF_SCORE;
                }
                if (alpha < -INF_SCORE) alpha = -INF_SCORE;
                ++failCount;
            } else if (score >= beta && beta < INF_SCORE) {
                if (failCount == 0) {
                    beta += ASPIRATION_WIDEN_FIRST;
                } else if (failCount == 1) {
                    if (!timeExtended) extendTime();
                    beta += ASPIRATION_WIDEN_SECOND;
                } else if (failCount == 2) {
                    beta += ASPIRATION_WIDEN_THIRD;
                } else {
                    beta = INF_SCORE;
                }
                if (beta > INF_SCORE) beta = INF_SCORE;
                ++failCount;
            } else {
                ++depth;
                alpha = score - ASPIRATION_WINDOW > -INF_SCORE ? score - ASPIRATION_WINDOW : -INF_SCORE;
                beta = score + ASPIRATION_WINDOW < INF_SCORE ? score + ASPIRATION_WINDOW : INF_SCORE;
                failCount = 0;
            }
            // The hard limit has passed: no new iteration.
            if (searchAborted || mateFound) break;
            if (nodeLimitOfSearch > 0 && allNodes() >= nodeLimitOfSearch) break;
        } while (depth <= maxDepth
                 && (limits->managedClock || !driverClockRunOut(elapsed)));
    } else {
        // No time at all: a one-ply look, quietly, for a move better than any at random.
        searchAborted = 0;
        alphaBeta(board, -INF_SCORE, INF_SCORE, 1, &current, 0);
    }

    restoreLastCapture(board, rootCaptureSquare, rootCapturedPiece);
    board->inCheck = rootInCheck;
    // A discarded first call leaves no previous line; its partial line is still checked.
    const PvLine* chosen = &current;
    if ((discarded || searchAborted) && previous.length > 0) chosen = &previous;
    *result = legalChoice(board, chosen);
    return lastSearchScore;
}

namespace {

// Depths a helper skips, by its index: helper i searches a depth d only when
// (d + phase) / size is even, so that the threads spread over neighbouring depths.
constexpr int SKIP_PATTERNS = 20;
constexpr int skipSize[SKIP_PATTERNS] = {1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4};
constexpr int skipPhase[SKIP_PATTERNS] = {0, 1, 0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 6, 7};

inline bool helperSkips(int index, int depth)
{
    const int k = (index - 1) % SKIP_PATTERNS;
    return (depth + skipPhase[k]) / skipSize[k] % 2 != 0;
}

}  // namespace

void helperSearch(Board* board, int index, int maxDepth, HelperLink* link)
{
    resetCounters(board);
    clearHistoryHeuristic();
    clearKillerMove();
    searchAborted = 0;
    helperLink = link;
    Move moves[MAX_MOVES];
    if (generateMoves(board, moves, 1) == 0) maxDepth = 0;  // nothing to search
    const std::uint8_t rootCaptureSquare = board->lastCaptureSquare;
    const std::uint8_t rootCapturedPiece = board->lastCapturedPiece;
    const std::uint8_t rootInCheck = board->inCheck;
    PvLine line;
    line.length = 0;
    int depth = 1;
    while (depth <= maxDepth && helperSkips(index, depth)) ++depth;
    int alpha = -INF_SCORE, beta = INF_SCORE, failCount = 0;
    while (depth <= maxDepth && !link->stop->load(std::memory_order_relaxed)) {
        restoreLastCapture(board, rootCaptureSquare, rootCapturedPiece);
        board->inCheck = rootInCheck;
        const int score = alphaBeta(board, alpha, beta, depth, &line, 0);
        if (searchAborted) break;
        storePv(board, &line);
        followPV = 1;
        // The main thread's windows, widened at once to the full width after three fails.
        if (score <= alpha && alpha > -INF_SCORE) {
            alpha = failCount < 3 ? std::max(alpha - ASPIRATION_WIDEN_SECOND, -INF_SCORE) : -INF_SCORE;
            ++failCount;
        } else if (score >= beta && beta < INF_SCORE) {
            beta = failCount < 3 ? std::min(beta + ASPIRATION_WIDEN_SECOND, INF_SCORE) : INF_SCORE;
            ++failCount;
        } else {
            do ++depth;
            while (depth <= maxDepth && helperSkips(index, depth));
            alpha = std::max(score - ASPIRATION_WINDOW, -INF_SCORE);
            beta = std::min(score + ASPIRATION_WINDOW, INF_SCORE);
            failCount = 0;
        }
    }
    restoreLastCapture(board, rootCaptureSquare, rootCapturedPiece);
    board->inCheck = rootInCheck;
    link->nodes.store(globalNodes, std::memory_order_relaxed);
    helperLink = nullptr;
}

int searchDepthCap = MAX_DEPTH;

void search(Board* board, Move* result, std::int32_t timeLimit, std::int32_t hardCap)
{
    const int depth = searchDepthCap > 0 && searchDepthCap < MAX_DEPTH ? searchDepthCap : MAX_DEPTH;
    const SearchLimits limits = {timeLimit, hardCap, depth, true, printThinking, 0, 0, 1, false};
    searchWithLimits(board, result, &limits);
}

void startSearchClock(std::int64_t start, std::int64_t timeLimit, std::int64_t hardCap)
{
    // A clock started mid-search ("ponderhit"): the depths already done keep their durations.
    timeWatch.lastDoneAt -= start - driverClock.start;
    driverClock = {true, start, timeLimit};
    hardCapOfSearch = hardCap;
    timerSearchStart = start;
    maxTimeAllowed = capped(saturatingTimes(timeLimit, HARD_LIMIT_FACTOR));
}

int searchDepth(Board* board, Move* result, int depth)
{
    const SearchLimits limits = {0, 0, depth, false, nullptr, 0, 0, 1, false};
    return searchWithLimits(board, result, &limits);
}

void clearSearchTables()
{
    clearHashtable(hashSize);
    clearHistoryHeuristic();
    clearKillerMove();
}
