// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstdint>

#include "board.h"

// constants

constexpr int INF_SCORE = 32000;   // window bound and mate base: mated at ply p scores p - 32000
constexpr int MATE_BOUND = 20000;  // beyond this a score is a mate score
constexpr int MAX_DEPTH = 100;     // the driver never starts a deeper iteration

// Deepest ply a node may search from. The exchange evaluation runs on the move lists above
// the node, one per capture (at most 31 in a game of 32 men), so the lists, the stored line,
// the killers and the game history all keep a margin beyond it.
constexpr int MAX_SEARCH_PLY = MAX_PLY - 40;
static_assert(MAX_SEARCH_PLY + 33 < MAX_PLY);

// types

struct PvLine {
    std::uint32_t length;
    Move moves[MAX_PLY];
};

// One kept iteration of the driver, as a protocol reports it. The score lies outside the
// window alpha..beta when the call failed low or high.
struct IterationInfo {
    int depth;
    int selDepth;
    int score;
    int alpha;
    int beta;
    std::int64_t elapsed;  // milliseconds since the search started
    std::int64_t nodes;
    const PvLine* line;
    int multiPv;  // the line's rank, 1 for the best, when several are searched; else 0
    const Board* board;  // the root, which says how castling is written
};
using IterationReporter = void (*)(const IterationInfo* info);

// What the driver is held to. timeLimit is the soft budget in milliseconds (compared
// between iterations), the hard limit five times it; hardCap > 0 bounds the hard limit and
// stops the deepening once passed; maxDepth ends the deepening at that depth. Without
// useClock both times are ignored and the clock decides nothing: the search is then
// reproducible node for node. nodeLimit > 0 stops the search near that many nodes, mateIn > 0
// once it has found a mate in that many moves. report (may be null) sees every kept iteration.
struct SearchLimits {
    std::int64_t timeLimit;
    std::int64_t hardCap;
    int maxDepth;
    bool useClock;
    IterationReporter report;
    std::int64_t nodeLimit;
    int mateIn;
    int multiPv;  // lines searched and reported at each depth; 0 or 1 for the best alone
    // The time manager's rules between depths instead of the driver's own: timeLimit is then
    // the optimum, stretched or shrunk by what the depths show, and hardCap the maximum.
    bool managedClock;
};

// The most lines a search gives at once.
constexpr int MAX_MULTI_PV = 256;

// Search-wide state. Each search thread owns its own copy of everything declared
// thread_local here: the node procedures and the heuristics of one thread never see another
// thread's. Only the transposition table is shared between them.

extern constinit thread_local std::uint8_t searchAborted;
extern constinit thread_local std::int32_t abortNodes;
extern constinit thread_local std::int64_t globalNodes;
extern constinit thread_local std::int64_t globalQNodes;
extern constinit thread_local std::int64_t maxQNodes;
extern constinit thread_local std::uint8_t followPV;
extern constinit thread_local std::uint8_t fractalExtensions;
extern constinit thread_local Move bestMove;
// Statistics: counted and reset, shown by no output.
extern constinit thread_local std::int64_t betaCut, betaCutOnFirst, nullTried, nullCut, extCheck,
    extRecap, extPawn;

// The clock of the search, owned by the thread that runs the driver (the main thread).
extern std::int64_t timerSearchStart;
extern std::int64_t maxTimeAllowed;

// Asked at every clock check when set: true when the search must stop at once. A protocol
// that reads its input during a search answers it here.
extern bool (*searchPoll)();

// Where the running search stands at the root, for a protocol's progress report: the depth
// of the iteration, the root move being searched (its number counting from 1, of `moveCount`
// legal ones). Each search thread keeps its own.
struct RootProgress {
    int depth;
    int moveNumber;
    int moveCount;
    Move move;
};
extern constinit thread_local RootProgress rootProgress;

// Called by the main thread at each root move it searches, with the move and its number
// counted from 1, when set: a protocol shows the move being searched.
extern void (*rootMoveReport)(const Move* move, int number);

// The root moves every thread of the coming searches considers: count 0 means all of them.
// Set only while no search runs.
void setRootMoves(const Move* moves, int count);
// The number of legal moves of the position the root restriction leaves.
int countRootMoves(Board* board);

// Score of the last iteration the driver kept, and its depth.
extern int lastSearchScore;
extern int lastSearchDepth;

// functions

// Finds the engine's move within timeLimit milliseconds (a soft target; the hard limit is
// five times it). hardCap > 0 bounds every limit, doubling included: the protocol's time
// per move must never be overrun. Prints the thinking lines. Always returns a legal move
// when the position has one; result->from is NO_SQUARE when it has none.
void search(Board* board, Move* result, std::int32_t timeLimit, std::int32_t hardCap = 0);
// The xboard thinking line of an iteration: depth, score, centiseconds, nodes, line.
void printThinking(const IterationInfo* info);
// The deepest iteration search() starts; the engine leaves it at MAX_DEPTH, a fuzzer that
// drives whole games through the protocol holds it low so that every input runs quickly.
extern int searchDepthCap;
// The same driver held to the given limits; returns the score of the last kept iteration.
int searchWithLimits(Board* board, Move* result, const SearchLimits* limits);
// Starts the clock of a running search that had none (a ponder search whose move was
// played): from `start`, a soft budget and a hard cap in milliseconds.
void startSearchClock(std::int64_t start, std::int64_t timeLimit, std::int64_t hardCap);
// Iterative deepening to the given depth without the clock, quietly (bench, tests).
int searchDepth(Board* board, Move* result, int depth);

// What a helper thread of a parallel search shares with the main thread: the order to stop,
// and its node count, published at its clock checks and when it ends.
struct HelperLink {
    const std::atomic<bool>* stop;
    std::atomic<std::int64_t> nodes;
};
// A helper's search of the root in board, on the calling thread's own search state and the
// shared table: iterative deepening up to maxDepth, skipping depths by its index (1, 2, ...)
// so that helpers do not walk in step with the main thread or each other, until *link->stop.
// It reads no clock and no input and reports nothing: the table is its only product.
void helperSearch(Board* board, int index, int maxDepth, HelperLink* link);

// Copies the line into board->pv and ends it with an empty move.
void storePv(Board* board, const PvLine* line);

int alphaBeta(Board* board, int alpha, int beta, int depth, PvLine* line, std::uint8_t nullAllowed);
int qSearch(Board* board, int alpha, int beta, int qDepth);

// 1 when the current position occurred before in the game or on the search line.
int checkDraw(const Board* board);
// 1 when a hundred half-moves have passed without a capture or a pawn move and the last
// of them did not mate: a draw by the fifty-move rule.
int fiftyMoveDraw(Board* board);
// 1 for a pawn move to its seventh rank that does not lose material by exchange.
int isPawnPush(Board* board, Move* m);

// Empties the transposition table, the history tables and the killers.
void clearSearchTables();
