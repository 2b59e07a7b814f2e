// SPDX-License-Identifier: GPL-3.0-or-later
#include "uci.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>

#include "book.h"
#include "game.h"
#include "hash.h"
#include "history.h"
#include "input.h"
#include "movegen.h"
#include "search.h"
#include "skill.h"
#include "threads.h"
#include "timeman.h"
#include "utils.h"
#include "version.h"

namespace {

// A position line of a game of some two hundred thousand plies fits; every word of it
// has its token.
constexpr int UCI_LINE_SIZE = 1 << 20;
constexpr int MAX_TOKENS = UCI_LINE_SIZE / 2 + 1;

constexpr std::int64_t OVERHEAD_DEFAULT_MS = 15;  // a GUI and an adapter between, on a busy machine
constexpr std::int64_t OVERHEAD_MAX_MS = 5000;

struct UciOptions {
    std::int64_t hashMiB;
    std::int64_t moveOverhead;
    bool ponder;
    bool ownBook;
    bool analyseMode;
    int multiPv;
    char bookFile[256];
    bool chess960;  // UCI_Chess960: castling as the king taking its own rook, FENs of Chess960
};

// What "go" asked for; times by colour, in milliseconds.
struct GoCommand {
    std::int64_t time[2];
    std::int64_t inc[2];
    std::int64_t movetime;
    std::int64_t nodes;
    int movesToGo;
    int depth;
    int mate;
    bool hasClock;
    bool infinite;
    bool ponder;
    bool searchMovesGiven;  // even when none of them was a legal move
    int searchMoveCount;
    Move searchMoves[MAX_MOVES];
};

// A search under way, as the lines read during it change it.
struct SearchState {
    bool pondering;    // no clock until "ponderhit"
    bool clockOnHit;   // and then this one
    bool stop;         // "stop", "ponderhit" once searched out, "quit" or the end of input
    bool quit;
    std::int64_t soft;
    std::int64_t hard;
};

struct UciSession {
    Board* board;
    Board* scratch;  // a position is read here and swapped in once it is set up
    bool hasPosition;  // false after a position that could not be read: "go" has nothing to search
    UciOptions options;
    bool bookEnabled;          // off from the first miss until "ucinewgame"
    bool fromStart;            // the game began at the start position, so the book can follow it
    std::uint32_t bookOutPly;  // where the book had nothing: a shorter game turns it back on
    SearchState search;
    // Lines that came during a search and wait for its end, first in first out; none is
    // ever dropped.
    std::deque<std::string> deferred;
};

UciSession session;
char pollLine[UCI_LINE_SIZE];

struct Tokens {
    char* at[MAX_TOKENS];
    int count;
    bool overflow;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool isCommand(const char* word)
{
    static constexpr const char* commands[] = {"uci", "debug", "isready", "setoption", "register",
                                               "ucinewgame", "position", "go", "stop", "ponderhit", "quit"};
    for (const char* command : commands)
        if (!std::strcmp(word, command)) return true;
    return false;
}

// The first command word of a line, cut to the size of word; "" when there is none. Words
// before it are not the protocol's and are skipped, as it asks.
void firstCommand(const char* line, char* word, std::size_t size)
{
    word[0] = '\0';
    for (const char* p = line; *p;) {
        while (*p && isBlank(*p)) ++p;
        std::size_t n = 0;
        for (; *p && !isBlank(*p); ++p)
            if (n + 1 < size) word[n++] = *p;
        word[n] = '\0';
        if (isCommand(word)) return;
    }
    word[0] = '\0';
}

void tokenize(char* line, Tokens* t)
{
    t->count = 0;
    t->overflow = false;
    char* p = line;
    for (;;) {
        while (*p && isBlank(*p)) *p++ = '\0';
        if (!*p) return;
        if (t->count == MAX_TOKENS) {
            t->overflow = true;
            return;
        }
        t->at[t->count++] = p;
        while (*p && !isBlank(*p)) ++p;
    }
}

void send(const char* text)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// Options --------------------------------------------------------------------------------

void printOptions()
{
    std::printf("option name Hash type spin default %lld min 1 max %lld\n",
                static_cast<long long>(HASH_DEFAULT_MIB), static_cast<long long>(HASH_MAX_MIB));
    std::printf("option name Clear Hash type button\n");
    std::printf("option name Threads type spin default 1 min 1 max %d\n", MAX_SEARCH_THREADS);
    std::printf("option name Ponder type check default false\n");
    std::printf("option name OwnBook type check default true\n");
    std::printf("option name Book File type string default %s\n", BOOK_FILE_NAME + 2);
    std::printf("option name Move Overhead type spin default %lld min 0 max %lld\n",
                static_cast<long long>(OVERHEAD_DEFAULT_MS), static_cast<long long>(OVERHEAD_MAX_MS));
    std::printf("option name MultiPV type spin default 1 min 1 max %d\n", MAX_MULTI_PV);
    std::printf("option name UCI_AnalyseMode type check default false\n");
    std::printf("option name UCI_Chess960 type check default false\n");
    printSkillOptions();
}

CastlingStyle castlingStyle()
{
    return session.options.chess960 ? CASTLING_KING_TAKES_ROOK : CASTLING_KING_MOVE;
}

// The table is taken when it is first needed ("isready", "ucinewgame" or "go"), at the
// size the GUI has set by then, so that the process never holds more than it was given.
void ensureTable()
{
    if (!hashtable) resizeHashtableMiB(session.options.hashMiB);
}

bool readCheck(const char* value, bool* flag)
{
    if (sameText(value, "true")) *flag = true;
    else if (sameText(value, "false")) *flag = false;
    else return false;
    return true;
}

// Appends a word to text, with a blank after any word before it; what does not fit is cut.
void appendWord(char* text, std::size_t size, const char* word)
{
    const std::size_t used = std::strlen(text);
    std::snprintf(text + used, size - used, "%s%s", used ? " " : "", word);
}

// "setoption name <name> [value <value>]": names and values may hold blanks.
void setOption(const Tokens* t)
{
    char name[256] = "", value[1024] = "";
    int i = 1;
    while (i < t->count && std::strcmp(t->at[i], "name")) ++i;
    for (++i; i < t->count && std::strcmp(t->at[i], "value"); ++i) appendWord(name, sizeof name, t->at[i]);
    for (++i; i < t->count; ++i) appendWord(value, sizeof value, t->at[i]);
    UciOptions* o = &session.options;
    std::int64_t number = 0;
    if (sameText(name, "Hash")) {
        if (!readInteger(value, &number)) return;
        number = std::clamp<std::int64_t>(number, 1, HASH_MAX_MIB);
        if (number != o->hashMiB && hashtable) resizeHashtableMiB(number);
        o->hashMiB = number;
    } else if (sameText(name, "Clear Hash")) {
        clearSearchTables();
    } else if (sameText(name, "Threads")) {
        if (readInteger(value, &number))
            setSearchThreads(int(std::clamp<std::int64_t>(number, 1, MAX_SEARCH_THREADS)));
    } else if (sameText(name, "Ponder")) {
        readCheck(value, &o->ponder);
    } else if (sameText(name, "OwnBook")) {
        readCheck(value, &o->ownBook);
    } else if (sameText(name, "Book File")) {
        if (!std::strcmp(value, "<empty>")) value[0] = '\0';
        std::snprintf(o->bookFile, sizeof o->bookFile, "%s", value);
        if (!openBook(o->bookFile)) std::printf("info string no book: %s\n", o->bookFile);
        std::fflush(stdout);
    } else if (sameText(name, "UCI_Chess960")) {
        readCheck(value, &o->chess960);
        session.board->castlingStyle = castlingStyle();
    } else if (sameText(name, "Move Overhead")) {
        if (readInteger(value, &number)) o->moveOverhead = std::clamp<std::int64_t>(number, 0, OVERHEAD_MAX_MS);
    } else if (sameText(name, "MultiPV")) {
        if (readInteger(value, &number)) o->multiPv = int(std::clamp<std::int64_t>(number, 1, MAX_MULTI_PV));
    } else if (sameText(name, "UCI_AnalyseMode")) {
        readCheck(value, &o->analyseMode);
    } else {
        setSkillOption(&skillSettings, name, value);
    }
}

// Positions ------------------------------------------------------------------------------

// A move in UCI notation, legal in the position.
bool readMove(Board* board, const char* text, Move* move)
{
    const std::size_t length = std::strlen(text);
    if (length != 4 && length != 5) return false;
    if (length == 5 && !std::strchr("qrbnQRBN", text[4])) return false;
    return inputMoveLegal(board, text, move) == 1;
}

// "position startpos|fen <FEN> [moves ...]". The moves are played up to the first that is
// not legal, as other engines do, and the rest is refused aloud. A position that cannot be
// read at all leaves none: the engine never answers for a position the GUI did not send.
void setPositionCommand(const Tokens* t)
{
    Board* board = session.scratch;
    board->castlingStyle = castlingStyle();
    const CastlingRead castlingRead = session.options.chess960 ? CASTLING_CHESS960 : CASTLING_STANDARD;
    int i = 1;
    bool fromStart = false, read = false;
    char fen[256] = "";
    const char* problem = "";
    if (i < t->count && !std::strcmp(t->at[i], "startpos")) {
        read = loadPosition(board, initialPosition, castlingRead);
        fromStart = true;
        ++i;
    } else if (i < t->count && !std::strcmp(t->at[i], "fen")) {
        int fields = 0;
        for (++i; i < t->count && std::strcmp(t->at[i], "moves"); ++i)
            if (fields++ < 6) appendWord(fen, sizeof fen, t->at[i]);
        read = loadPosition(board, fen, castlingRead, &problem);
    } else if (i < t->count) {
        std::snprintf(fen, sizeof fen, "%s", t->at[i]);
    }
    if (!read) {
        session.hasPosition = false;
        if (*problem) std::printf("info string illegal position: %s (%s)\n", fen, problem);
        else std::printf("info string illegal position: %s\n", fen);
        std::fflush(stdout);
        return;
    }
    while (i < t->count && std::strcmp(t->at[i], "moves")) ++i;
    bool trimmed = false;
    for (++i; i < t->count; ++i) {
        Move move;
        if (!readMove(board, t->at[i], &move)) {
            std::printf("info string illegal move %.8s: the position before it is taken\n", t->at[i]);
            std::fflush(stdout);
            break;
        }
        // A game longer than the record goes on in the plies that can still repeat.
        if (board->gamePly >= MAX_GAME_PLY) {
            dropOldGamePlies(board);
            trimmed = true;
        }
        playGameMove(board, &move);
    }
    std::swap(session.board, session.scratch);
    session.hasPosition = true;
    // The book follows a game from its first move, which a trimmed record has lost.
    session.fromStart = fromStart && !trimmed;
    if (session.fromStart && board->gamePly < session.bookOutPly) session.bookEnabled = true;
}

// The search's lines ---------------------------------------------------------------------

void printScore(int score)
{
    if (score > MATE_BOUND) std::printf(" score mate %d", (INF_SCORE - score + 1) / 2);
    else if (score < -MATE_BOUND) std::printf(" score mate %d", -(INF_SCORE + score) / 2);
    else std::printf(" score cp %d", score);
}

void printNodesAndTime(std::int64_t nodes, std::int64_t ms)
{
    const std::int64_t nps = nodes * 1000 / std::max<std::int64_t>(ms, 1);
    std::printf(" nodes %lld nps %lld time %lld", static_cast<long long>(nodes),
                static_cast<long long>(nps), static_cast<long long>(ms));
}

void reportIteration(const IterationInfo* info)
{
    std::printf("info depth %d seldepth %d", info->depth, std::max(info->selDepth, info->depth));
    if (info->multiPv > 0) std::printf(" multipv %d", info->multiPv);
    printScore(info->score);
    if (info->score <= info->alpha) std::printf(" upperbound");
    else if (info->score >= info->beta) std::printf(" lowerbound");
    printNodesAndTime(info->nodes, info->elapsed);
    std::printf(" hashfull %d pv", hashFullPermille());
    char text[8];
    for (std::uint32_t i = 0; i < info->line->length && i < MAX_PLY; ++i)
        std::printf(" %s", moveToText(info->board, &info->line->moves[i], text));
    std::printf("\n");
    std::fflush(stdout);
}

// The root move being searched, as GUIs show it: once the search has run a while, and a
// few times a second at most.
constexpr std::int64_t CURRMOVE_AFTER_MS = 1000;
constexpr std::int64_t CURRMOVE_EVERY_MS = 250;
std::int64_t searchStartMs;
std::int64_t lastCurrMoveMs;

void reportRootMove(const Move* move, int number)
{
    const std::int64_t now = timer();
    if (now - searchStartMs < CURRMOVE_AFTER_MS || now - lastCurrMoveMs < CURRMOVE_EVERY_MS) return;
    lastCurrMoveMs = now;
    char text[8];
    std::printf("info currmove %s currmovenumber %d\n", moveToText(session.board, move, text), number);
    std::fflush(stdout);
}

// Input during a search ------------------------------------------------------------------

// Only lines read during a search come here, never in the search's own loops.
void defer(const char* line) { session.deferred.emplace_back(line); }

bool takeDeferred(char* line)
{
    if (session.deferred.empty()) return false;
    std::snprintf(line, UCI_LINE_SIZE, "%s", session.deferred.front().c_str());
    session.deferred.pop_front();
    return true;
}

// A line read while a search runs (searchedOut: it has ended and waits for "stop" or
// "ponderhit"). Commands that would change the game wait for the "bestmove".
void handleSearchLine(const char* line, bool searchedOut)
{
    char word[16];
    firstCommand(line, word, sizeof word);
    SearchState* s = &session.search;
    if (!std::strcmp(word, "isready")) {
        send("readyok");
    } else if (!std::strcmp(word, "stop")) {
        s->stop = true;
    } else if (!std::strcmp(word, "quit")) {
        s->stop = s->quit = true;
    } else if (!std::strcmp(word, "ponderhit")) {
        if (searchedOut) {
            s->stop = true;
        } else if (s->pondering) {
            s->pondering = false;
            if (s->clockOnHit) startSearchClock(timer(), s->soft, s->hard);
        }
    } else if (word[0] && std::strcmp(word, "debug") && std::strcmp(word, "register")) {
        defer(line);
    }
}

bool pollInput()
{
    SearchState* s = &session.search;
    while (!s->stop && inputLineWaiting()) {
        const int got = readInputLine(pollLine, UCI_LINE_SIZE);
        if (got < 0) s->stop = s->quit = true;
        else if (got > 0) handleSearchLine(pollLine, false);
    }
    return s->stop;
}

// After a search that may not end on its own: the "bestmove" waits for "stop".
void waitForStop()
{
    SearchState* s = &session.search;
    while (!s->stop) {
        const int got = readInputLine(pollLine, UCI_LINE_SIZE);
        if (got < 0) s->stop = s->quit = true;
        else if (got > 0) handleSearchLine(pollLine, true);
    }
}

// Go -------------------------------------------------------------------------------------

bool isGoWord(const char* word)
{
    static constexpr const char* words[] = {"searchmoves", "ponder", "wtime", "btime", "winc", "binc",
                                            "movestogo", "depth", "nodes", "mate", "movetime", "infinite"};
    for (const char* w : words)
        if (!std::strcmp(word, w)) return true;
    return false;
}

// "searchmoves" and the moves after it, up to the next word of "go": legal ones are kept
// once each, others skipped. Returns the index of the last word read.
int readSearchMoves(const Tokens* t, int i, GoCommand* g)
{
    g->searchMovesGiven = true;
    for (; i + 1 < t->count && !isGoWord(t->at[i + 1]); ++i) {
        Move move;
        if (!readMove(session.board, t->at[i + 1], &move)) continue;
        bool known = false;
        for (int k = 0; k < g->searchMoveCount; ++k)
            known |= g->searchMoves[k].from == move.from && g->searchMoves[k].to == move.to
                  && g->searchMoves[k].promotion == move.promotion;
        if (!known && g->searchMoveCount < MAX_MOVES) g->searchMoves[g->searchMoveCount++] = move;
    }
    return i;
}

void readGo(const Tokens* t, GoCommand* g)
{
    g->time[0] = g->time[1] = g->inc[0] = g->inc[1] = g->movetime = g->nodes = 0;
    g->movesToGo = g->depth = g->mate = g->searchMoveCount = 0;
    g->hasClock = g->infinite = g->ponder = g->searchMovesGiven = false;
    for (int i = 1; i < t->count; ++i) {
        const char* key = t->at[i];
        if (!std::strcmp(key, "searchmoves")) {
            i = readSearchMoves(t, i, g);
            continue;
        }
        if (!std::strcmp(key, "infinite")) {
            g->infinite = true;
            continue;
        }
        if (!std::strcmp(key, "ponder")) {
            g->ponder = true;
            continue;
        }
        std::int64_t v = 0;
        if (i + 1 >= t->count || !readInteger(t->at[i + 1], &v)) continue;
        const int small = int(std::clamp<std::int64_t>(v, 0, 1 << 20));
        if (!std::strcmp(key, "wtime")) g->time[0] = v, g->hasClock = true;
        else if (!std::strcmp(key, "btime")) g->time[1] = v, g->hasClock = true;
        else if (!std::strcmp(key, "winc")) g->inc[0] = std::max<std::int64_t>(v, 0);
        else if (!std::strcmp(key, "binc")) g->inc[1] = std::max<std::int64_t>(v, 0);
        else if (!std::strcmp(key, "movestogo")) g->movesToGo = small;
        else if (!std::strcmp(key, "depth")) g->depth = std::max(small, 1);
        else if (!std::strcmp(key, "nodes")) g->nodes = std::max<std::int64_t>(v, 1);
        else if (!std::strcmp(key, "mate")) g->mate = small;
        else if (!std::strcmp(key, "movetime")) g->movetime = std::max<std::int64_t>(v, 1);
        else continue;
        ++i;
    }
}

bool probeBook(const GoCommand* g, Move* move)
{
    UciSession* u = &session;
    // The book is for games: an analysis, a fixed search or a chosen set of moves gets a
    // search.
    const bool game = (g->hasClock || g->movetime) && !g->infinite && !g->ponder && !g->depth
                   && !g->nodes && !g->mate && !g->searchMovesGiven;
    if (!game || u->options.multiPv > 1 || u->options.analyseMode || u->options.chess960 || !u->options.ownBook
        || !u->bookEnabled || !u->fromStart)
        return false;
    std::srand(unsigned(std::time(nullptr)));
    if (drawBookMove(u->board, move)) return true;
    u->bookEnabled = false;
    u->bookOutPly = u->board->gamePly;
    return false;
}

// The second move of the stored line when it answers `best` legally.
Move ponderMove(Board* board, const Move* best)
{
    const Move& first = board->pv[0];
    const Move& second = board->pv[1];
    if (first.from != best->from || first.to != best->to || !onBoard(second.from)) return NO_MOVE;
    Move made = *best;
    makeMove(board, &made);
    updateHashKey(board, &made);
    Move moves[MAX_MOVES];
    const int count = generateMoves(board, moves, 1);
    Move reply = NO_MOVE;
    for (int i = 0; i < count; ++i)
        if (moves[i].from == second.from && moves[i].to == second.to
            && moves[i].flags == second.flags && moves[i].promotion == second.promotion)
            reply = moves[i];
    updateHashKey(board, &made);
    unmakeMove(board, &made);
    return reply;
}

void runSearch(const GoCommand* g, Move* best)
{
    Board* board = session.board;
    SearchState* s = &session.search;
    SearchLimits limits = {0, 0, MAX_DEPTH, false, reportIteration, g->nodes, g->mate,
                           session.options.multiPv, false};
    limits.maxDepth = std::min(g->depth > 0 ? g->depth : MAX_DEPTH, searchDepthCap);
    const std::int64_t overhead = session.options.moveOverhead;
    bool timed = !g->infinite;
    if (timed && g->movetime > 0) {
        s->soft = s->hard = std::max<std::int64_t>(g->movetime - overhead, 1);
    } else if (timed && g->hasClock) {
        const int side = board->sideToMove;
        uciTimeBudget(g->time[side], g->inc[side], g->movesToGo, overhead, int(board->gamePly), &s->soft,
                      &s->hard);
        limits.managedClock = true;
    } else {
        timed = false;
    }
    if (timed && !g->ponder) {
        limits.useClock = true;
        limits.timeLimit = s->soft;
        limits.hardCap = s->hard;
    }
    s->clockOnHit = timed && g->ponder;
    // A new search learns its own order; the table goes on from the last move.
    clearHistoryHeuristic();
    clearKillerMove();
    searchPoll = pollInput;
    rootMoveReport = reportRootMove;
    searchStartMs = timer();
    lastCurrMoveMs = 0;
    setRootMoves(g->searchMoves, g->searchMoveCount);
    // An analysis sees the engine's own lines; a game move may be weakened.
    const bool skilled = skillActive(&skillSettings) && !g->infinite && !session.options.analyseMode;
    if (skilled) skillPrepare(&skillSettings, &limits);
    parallelSearch(board, best, &limits);
    if (skilled) *best = skillChoose(&skillSettings, board, best);
    searchPoll = nullptr;
    rootMoveReport = nullptr;
}

void goCommand(const Tokens* t)
{
    ensureTable();  // before the clock: most GUIs have had it taken at "isready" already
    static GoCommand g;
    readGo(t, &g);
    Board* board = session.board;
    session.search = {};
    SearchState* s = &session.search;
    s->pondering = g.ponder;
    const std::int64_t start = timer();
    Move moves[MAX_MOVES];
    Move best = NO_MOVE;
    bool searched = false;
    if (!session.hasPosition) {
        send("info string no position to search: the last one was refused");
    } else if (generateMoves(board, moves, 1) == 0) {
        send(board->inCheck ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
    } else if (probeBook(&g, &best)) {
        char text[8];
        std::printf("info string book move %s\n", moveToText(board, &best, text));
    } else {
        runSearch(&g, &best);
        searched = true;
    }
    // An infinite or ponder search, or one without any limit, may end before it is told to;
    // after "ponderhit" the move is due when the search ends.
    const bool noLimit = !(g.hasClock || g.movetime || g.depth || g.nodes || g.mate);
    if (g.infinite || noLimit || (g.ponder && s->pondering)) waitForStop();

    if (searched) {
        std::printf("info");
        printNodesAndTime(globalNodes + helperNodes(), timer() - start);
        std::printf("\n");
    }
    char text[8], reply[8];
    if (best.from == NO_SQUARE) {
        send("bestmove (none)");
    } else {
        const Move answer = searched ? ponderMove(board, &best) : NO_MOVE;
        if (answer.from != NO_SQUARE)
            std::printf("bestmove %s ponder %s\n", moveToText(board, &best, text),
                        moveToText(board, &answer, reply));
        else
            std::printf("bestmove %s\n", moveToText(board, &best, text));
        std::fflush(stdout);
    }
    // The helpers were told to stop when the main search ended; the move goes out first.
    waitForHelpers();
    setRootMoves(nullptr, 0);
}

void newGame()
{
    clearSearchTables();
    session.bookEnabled = true;
    session.bookOutPly = MAX_GAME_PLY + 1;
}

void sendIdentity()
{
    std::printf("id name %s\nid author the Quillmaren authors\n", ENGINE_NAME);
    printOptions();
    send("uciok");
}

// Returns false on "quit" (or a quit read during a search).
bool handleCommand(char* line)
{
    static Tokens t;
    tokenize(line, &t);
    int first = 0;
    while (first < t.count && !isCommand(t.at[first])) ++first;
    if (first == t.count) return true;
    // The command leads: what the handlers read follows it.
    std::memmove(t.at, t.at + first, std::size_t(t.count - first) * sizeof t.at[0]);
    t.count -= first;
    const char* command = t.at[0];
    if (!std::strcmp(command, "uci")) sendIdentity();
    else if (!std::strcmp(command, "isready")) {
        ensureTable();
        send("readyok");
    }
    else if (!std::strcmp(command, "setoption")) setOption(&t);
    else if (!std::strcmp(command, "ucinewgame")) {
        ensureTable();
        newGame();
    }
    else if (!std::strcmp(command, "position")) setPositionCommand(&t);
    else if (!std::strcmp(command, "go")) goCommand(&t);
    else if (!std::strcmp(command, "quit")) return false;
    return !session.search.quit;
}

}  // namespace

void uciLoop()
{
    UciSession* u = &session;
    if (!u->board) {  // the session's own pair, kept for the life of the process
        u->board = newBoard();
        u->scratch = newBoard();
    }
    u->deferred.clear();
    u->search = {};
    u->hasPosition = true;
    u->options = {HASH_DEFAULT_MIB, OVERHEAD_DEFAULT_MS, false, true, false, 1, "", false};
    std::snprintf(u->options.bookFile, sizeof u->options.bookFile, "%s", BOOK_FILE_NAME + 2);
    u->fromStart = true;
    u->board->castlingStyle = castlingStyle();
    loadPosition(u->board, initialPosition);
    newGame();
    sendIdentity();

    static char line[UCI_LINE_SIZE];
    for (;;) {
        if (!takeDeferred(line)) {
            const int got = readInputLine(line, UCI_LINE_SIZE);
            if (got < 0) return;
            if (got == 0) continue;
        }
        if (!handleCommand(line)) return;
    }
}
