// SPDX-License-Identifier: GPL-3.0-or-later
#include "xboard.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "attack.h"
#include "book.h"
#include "display.h"
#include "game.h"
#include "hash.h"
#include "history.h"
#include "input.h"
#include "movegen.h"
#include "search.h"
#include "skill.h"
#include "threads.h"
#include "version.h"

namespace {

// Budgets are held well inside the int32 range: the search multiplies them (a hard limit
// several times the target, doubled once more when it extends its time).
constexpr std::int64_t MAX_BUDGET = 214748364;  // INT32_MAX / 10 ms, some 59 hours
constexpr std::int64_t MAX_CLOCK_INPUT = std::int64_t(1) << 40;
// Below LOW_CLOCK_MS left on the clock, CLOCK_RESERVE_MS (at most half of it) is kept back.
constexpr std::int64_t LOW_CLOCK_MS = 10000;
constexpr std::int64_t CLOCK_RESERVE_MS = 300;

void reply(const char* text)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}

bool isLineEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The line as received, without its line end, for the replies that quote it.
int quotedLength(const char* line) { return int(std::strcspn(line, "\r\n")); }

// xboard's form of a refused command.
void refuse(const char* why, const char* line)
{
    std::printf("Error (%s): %.*s\n", why, quotedLength(line), line);
    std::fflush(stdout);
}

// The text after the line's first word when that word is `word`, else null. Unlike the
// commands of the first protocol version these allow blanks and a carriage return.
const char* argumentOf(const char* line, const char* word)
{
    const std::size_t n = std::strlen(word);
    if (std::strncmp(line, word, n) || !(isBlank(line[n]) || isLineEnd(line[n]))) return nullptr;
    const char* p = line + n;
    while (isBlank(*p)) ++p;
    return p;
}

std::int64_t clampBudget(std::int64_t ms)
{
    return ms > MAX_BUDGET ? MAX_BUDGET : ms < -MAX_BUDGET ? -MAX_BUDGET : ms;
}

// The number after a command word; false when there is none. strtoll saturates rather
// than overflowing, and the clamp keeps the arithmetic that follows in range.
bool readNumber(const char* text, std::int64_t* value)
{
    char* end = nullptr;
    const std::int64_t n = std::strtoll(text, &end, 10);
    if (end == text) return false;
    *value = n > MAX_CLOCK_INPUT ? MAX_CLOCK_INPUT : n < -MAX_CLOCK_INPUT ? -MAX_CLOCK_INPUT : n;
    return true;
}

// Two squares: a move, legal or not.
bool looksLikeMove(const char* text)
{
    return squareFromText(text) != NO_SQUARE && squareFromText(text + 2) != NO_SQUARE;
}

// The game is Chess960: xboard's "variant fischerandom" until "new".
bool chess960Game(const Board* board) { return board->castlingStyle == CASTLING_O_O; }

// A new position from FEN text, for the GUI. A refused text changes nothing; in Chess960 the
// GUI is told why.
bool setPosition(Board* board, LoopState* state, const char* fen, bool chess960)
{
    const char* problem = "";
    if (!loadPosition(board, fen, chess960 ? CASTLING_CHESS960 : CASTLING_STANDARD, &problem)) {
        if (chess960) std::printf("tellusererror Illegal position: %s\n", problem);
        else std::printf("tellusererror Illegal position\n");
        std::fflush(stdout);
        return false;
    }
    state->bookEnabled = 0;
    return true;
}

void startEdit(const Board* board, LoopState* state)
{
    state->editMode = 1;
    state->editBlack = 0;
    std::memcpy(state->editSquares, board->squares, sizeof state->editSquares);
}

// The edited men as a FEN: the side to move is kept, castling follows from kings and rooks
// on their home squares (the position reader drops the rights that lack them).
void finishEdit(Board* board, LoopState* state)
{
    state->editMode = 0;
    char fen[128];
    int n = 0;
    for (int r = 7; r >= 0; --r) {
        int empty = 0;
        for (int f = 0; f < 8; ++f) {
            const int code = state->editSquares[r * 16 + f];
            if (code == EMPTY || code == OFF_BOARD || code > BLACK_KING) {
                ++empty;
                continue;
            }
            if (empty) fen[n++] = char('0' + empty);
            empty = 0;
            fen[n++] = pcString[code];
        }
        if (empty) fen[n++] = char('0' + empty);
        if (r) fen[n++] = '/';
    }
    std::snprintf(fen + n, sizeof fen - std::size_t(n), " %c KQkq - 0 1",
                  board->sideToMove ? 'b' : 'w');
    setPosition(board, state, fen, false);
}

// The white code of an edit-mode letter (either case), EMPTY for "x", else OFF_BOARD.
int editPiece(char letter)
{
    const char upper = char(std::toupper(static_cast<unsigned char>(letter)));
    if (upper == 'X') return EMPTY;
    const int code = pieceFromLetter(upper);
    return code == EMPTY ? OFF_BOARD : code;
}

// Edit mode: "#" clears the board, "c" switches the colour, "Pe4" puts a man of the current
// colour on e4, "xe4" empties e4, "." ends it.
int handleEditLine(Board* board, LoopState* state, const char* line)
{
    if (!std::strcmp(line, "quit\n")) return 0;
    if (line[0] == '.' && isLineEnd(line[1])) {
        finishEdit(board, state);
    } else if (line[0] == '#' && isLineEnd(line[1])) {
        for (int sq = 0; sq < 128; ++sq)
            if (onBoard(sq)) state->editSquares[sq] = EMPTY;
    } else if (line[0] == 'c' && isLineEnd(line[1])) {
        state->editBlack ^= 1;
    } else if (line[0] && line[1] && line[2] && isLineEnd(line[3])) {
        const int code = editPiece(line[0]);
        const int sq = squareFromText(line + 1);
        if (code != OFF_BOARD && sq != NO_SQUARE)
            state->editSquares[sq] = std::uint8_t(code == EMPTY || !state->editBlack ? code : code + 7);
    }
    return 1;
}

// A clock for this move alone: the budget, and a hard cap a safety margin below it so that
// the clock is never overrun.
void setMoveClock(LoopState* state, std::int64_t ms)
{
    std::int64_t margin = ms / 20 > 100 ? ms / 20 : 100;
    if (ms > 0 && margin > ms / 4) margin = ms / 4;  // a fraction of a second keeps most of it
    std::int64_t cap = ms - margin;
    if (cap < 1) cap = 1;
    state->timeLimit = std::int32_t(clampBudget(ms));
    state->hardCap = std::int32_t(clampBudget(cap));
}

// "st": seconds per move, whole or with a fraction (python-chess sends "st 0.05"); false
// when the text holds no number.
bool readSeconds(const char* text, std::int64_t* ms)
{
    while (isBlank(*text)) ++text;
    if (!std::isdigit(static_cast<unsigned char>(*text)) && *text != '-' && *text != '+' && *text != '.')
        return false;
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end == text || std::isnan(seconds)) return false;
    const double limit = double(MAX_BUDGET);
    const double value = seconds * 1000;
    *ms = value >= limit ? MAX_BUDGET : value <= -limit ? -MAX_BUDGET : std::llround(value);
    return true;
}

void setTimePerMove(LoopState* state, std::int64_t ms)
{
    state->stLimit = std::int32_t(clampBudget(ms));
    state->budgetFromSt = 1;
    setMoveClock(state, state->stLimit);
}

// "time": the engine's remaining clock in centiseconds. Under "st" the GUIs report the time
// left for this move, which can only shorten it; otherwise the budget is a fortieth of it.
void setRemainingClock(LoopState* state, std::int64_t centiseconds)
{
    if (state->budgetFromSt) {
        const std::int64_t ms = centiseconds * 10;
        setMoveClock(state, ms < state->stLimit ? ms : state->stLimit);
        return;
    }
    // On a short clock a reserve comes off first: every move also costs the GUI, the pipes
    // and the scheduler some milliseconds, and a fortieth of what is left alone would let a
    // long game at a fast clock end on time however little the engine thinks.
    const std::int64_t ms = centiseconds * 10;
    // A clock already below zero keeps no reserve: its budget stays negative.
    const std::int64_t reserve =
        ms >= LOW_CLOCK_MS || ms <= 0 ? 0 : std::min(ms / 2, CLOCK_RESERVE_MS);
    state->timeLimit = std::int32_t(clampBudget((ms - reserve) / 40));
    state->hardCap = 0;
}

void opponentMove(Board* board, LoopState* state, const Move* move, const char* line)
{
    if (board->gamePly >= MAX_GAME_PLY) {
        char text[8] = {0};
        for (int i = 0; i < 7 && line[i] && !std::isspace(static_cast<unsigned char>(line[i])); ++i)
            text[i] = line[i];
        std::printf("Illegal move (game too long): %s\n", text);
        std::fflush(stdout);
        return;
    }
    playGameMove(board, move);
    if (state->analyzing) return;  // a position to analyse, not a game to judge or answer
    if (checkGameEnd(board, state->moves)) return;
    if (state->forceMode) return;
    engineTurn(board, state);
}

// The move the line names, as "usermove" gives it; anything that is not a legal move is
// refused in xboard's words.
void userMove(Board* board, LoopState* state, const char* text)
{
    char move[6] = {0};
    int length = 0;
    while (length < 5 && !isBlank(text[length]) && !isLineEnd(text[length])) {
        move[length] = text[length];
        ++length;
    }
    const bool ends = isBlank(text[length]) || isLineEnd(text[length]);
    if (!ends || !inputMoveLegal(board, move, &state->move)) {
        std::printf("Illegal move: %.*s\n", int(std::strcspn(text, " \t\r\n")), text);
        std::fflush(stdout);
        return;
    }
    const Move played = state->move;
    opponentMove(board, state, &played, text);
}

// "variant NAME": standard chess or Chess960, whose castling is written O-O / O-O-O; the
// book knows standard games only. The position stays until the GUI sets one.
void selectVariant(Board* board, LoopState* state, const char* name)
{
    char word[LINE_SIZE] = "";
    std::sscanf(name, "%255s", word);
    if (!std::strcmp(word, "fischerandom")) {
        board->castlingStyle = CASTLING_O_O;
        state->bookEnabled = 0;
    } else if (!std::strcmp(word, "normal")) {
        board->castlingStyle = CASTLING_KING_MOVE;
    } else {
        std::printf("Error (unsupported variant): %s\n", word);
        std::fflush(stdout);
    }
}

// The move the engine plays is always one of the generator's own records: a result of
// the search that names no legal move is replaced by the first legal move.
const Move* legalChoice(const Move* choice, const Move* moves, int count)
{
    for (int i = 0; i < count; ++i) {
        const Move* m = &moves[i];
        if (m->from == choice->from && m->to == choice->to && m->flags == choice->flags
            && (!(m->flags & FLAG_PROMOTION) || m->promotion == choice->promotion))
            return m;
    }
    return &moves[0];
}

const Board* analysisBoard;  // the position under analysis, which says how castling is written

// The answer to "." in analysis: centiseconds and nodes so far, the depth, the root moves
// still to search at that depth and their number, and the move being searched.
void reportProgress()
{
    const RootProgress p = rootProgress;
    std::printf("stat01: %lld %lld %d %d %d", static_cast<long long>((timer() - timerSearchStart) / 10),
                static_cast<long long>(globalNodes + helperNodes()), p.depth,
                p.moveCount - p.moveNumber, p.moveCount);
    char text[8];
    if (p.move.from != NO_SQUARE) std::printf(" %s", moveToText(analysisBoard, &p.move, text));
    std::printf("\n");
    std::fflush(stdout);
}

// "ping N": N is a whole number, echoed as it came.
void answerPing(const char* line, const char* number)
{
    int n = number[0] == '-' ? 1 : 0;
    const int digitsFrom = n;
    while (std::isdigit(static_cast<unsigned char>(number[n]))) ++n;
    if (n == digitsFrom || !(isBlank(number[n]) || isLineEnd(number[n]))) {
        refuse("ping needs a number", line);
        return;
    }
    std::printf("pong %.*s\n", n, number);
    std::fflush(stdout);
}

// Commands that leave the position, the table and the threads alone: an analysis answers
// them while it searches. False for any other line.
bool handleQuietCommand(LoopState* state, const char* line)
{
    std::int64_t number = 0;
    const char* arg = nullptr;
    if ((arg = argumentOf(line, "ping"))) {
        answerPing(line, arg);  // every line before it has been handled
    } else if (line[0] == '.' && isLineEnd(line[1])) {
        if (state->analyzing) reportProgress();
    } else if ((arg = argumentOf(line, "sd"))) {
        if (!readNumber(arg, &number) || number < 1) refuse("bad depth", line);
        else state->depthLimit = std::int32_t(std::min<std::int64_t>(number, MAX_DEPTH));
    } else if (state->analyzing && (argumentOf(line, "analyze") || argumentOf(line, "go"))) {
        refuse("analyzing", line);
    } else if (!std::strcmp(line, "force\n")) {
        state->forceMode = 1;
    } else if (!std::strncmp(line, "time ", 5)) {
        if (readNumber(line + 5, &number)) setRemainingClock(state, number);
    } else if (!std::strcmp(line, "xboard\n")) {
        std::signal(SIGINT, SIG_IGN);
        reply("\nfeature done=0");
        std::printf("feature setboard=1 time=1 analyze=1 ping=1 memory=1 smp=1 myname=\"%s\"\n",
                    ENGINE_NAME);
        reply("feature variants=\"normal,fischerandom\"");
        printSkillFeatures();
        reply("feature done=1");
    } else if ((arg = argumentOf(line, "option"))) {  // option NAME=VALUE
        char name[64] = "";
        const std::size_t n = std::strcspn(arg, "=\r\n");
        std::snprintf(name, sizeof name, "%.*s", int(std::min<std::size_t>(n, sizeof name - 1)), arg);
        if (arg[n] != '=' || !setSkillOption(&skillSettings, name, arg + n + 1)) refuse("bad option", line);
    } else if (!std::strncmp(line, "st ", 3)) {
        if (readSeconds(line + 3, &number)) setTimePerMove(state, number);
    } else if (!std::strncmp(line, "level ", 6)) {  // the clock is the game's, as "time" tells
        state->budgetFromSt = 0;
    } else {
        return false;
    }
    return true;
}

// Lines that change the position, the table, the threads or the analysis itself: an
// analysis search stops for them, and starts again on what they leave.
bool changesAnalysis(const char* line)
{
    static constexpr const char* words[] = {"usermove", "undo", "remove", "new",  "setboard",
                                            "edit",     "exit", "quit",   "memory", "cores",
                                            "variant"};
    if (looksLikeMove(line)) return true;
    for (const char* word : words)
        if (argumentOf(line, word)) return true;
    return false;
}

LoopState* analysisState;  // the loop whose analysis is searching

// The search's poll during an analysis: quiet commands are answered at once; any other line
// stops the search and waits in the loop's `held`. The end of input counts as "quit".
bool pollAnalysis()
{
    LoopState* state = analysisState;
    while (!state->lineHeld && inputLineWaiting()) {
        const int got = readInputLine(state->held, LINE_SIZE);
        if (got < 0) std::snprintf(state->held, LINE_SIZE, "quit\n");
        if (got < 0 || (got > 0 && changesAnalysis(state->held))) state->lineHeld = 1;
        else if (got > 0) handleQuietCommand(state, state->held);
    }
    return state->lineHeld != 0;
}

int handleOneLine(Board* board, LoopState* state, const char* line);

// Searches the position without end (never from the book) until a line changes it; that
// line is handled, and while the analysis lasts the search starts again on what it leaves.
// A search that ends by itself (a mate found to the last depth) leaves the next line to the
// loop. Returns 0 on "quit".
int analyze(Board* board, LoopState* state)
{
    while (state->analyzing && state->analysisDue && !state->editMode) {
        state->analysisDue = 0;
        clearHistoryHeuristic();
        clearKillerMove();
        rootProgress = {0, 0, 0, NO_MOVE};
        const int depth = searchDepthCap > 0 && searchDepthCap < MAX_DEPTH ? searchDepthCap : MAX_DEPTH;
        const SearchLimits limits = {0, 0, depth, false, printThinking, 0, 0, 1, false};
        Move best = NO_MOVE;
        analysisState = state;
        analysisBoard = board;
        searchPoll = pollAnalysis;
        parallelSearch(board, &best, &limits);
        searchPoll = nullptr;
        waitForHelpers();
        if (!state->lineHeld) break;
        char line[LINE_SIZE];
        std::memcpy(line, state->held, sizeof line);
        state->lineHeld = 0;
        if (!handleOneLine(board, state, line)) return 0;
        if (state->analyzing) state->analysisDue = 1;
    }
    return 1;
}

}  // namespace

void initLoopState(LoopState* state, int bookOpen)
{
    std::memset(state, 0, sizeof *state);
    state->timeLimit = DEFAULT_TIME_LIMIT;
    state->hardCap = 0;
    state->bookEnabled = std::uint8_t(bookOpen != 0);
    state->tableMiB = std::int64_t(hashSize) * std::int64_t(sizeof(HashEntry)) >> 20;
    state->move = NO_MOVE;
}

int checkGameEnd(Board* board, Move* moves)
{
    if (checkGameDraw(board)) {
        reply("1/2-1/2 {Draw by repetition}");
        return 1;
    }
    if (generateMoves(board, moves, 1) > 0) return 0;
    if (!board->inCheck) reply("1/2-1/2 {Stalemate}");
    else reply(board->sideToMove ? "1-0 {White mates}" : "0-1 {Black mates}");
    return 1;
}

void engineTurn(Board* board, LoopState* state)
{
    // The book comes first, in a finished or full game too: it has no move there, and the
    // miss turns it off as any other would.
    Move choice = NO_MOVE;
    if (state->bookEnabled) state->bookEnabled = std::uint8_t(getBookMove(board, &choice));
    // No room to record another move. A claim the GUI can confirm ends the game as a draw;
    // otherwise resigning ends it at once, where silence would only lose on time.
    if (board->gamePly >= MAX_GAME_PLY) {
        reply(fiftyMoveRule(board) ? "1/2-1/2 {50 move rule}" : "resign");
        return;
    }
    const int count = generateMoves(board, state->moves, 1);
    if (count == 0) {  // the game is over: say so again rather than move
        checkGameEnd(board, state->moves);
        return;
    }

    if (!state->bookEnabled) {
        int depth = searchDepthCap > 0 && searchDepthCap < MAX_DEPTH ? searchDepthCap : MAX_DEPTH;
        if (state->depthLimit > 0 && state->depthLimit < depth) depth = state->depthLimit;
        SearchLimits limits = {state->timeLimit, state->hardCap, depth, true, printThinking, 0, 0, 1, false};
        const bool skilled = skillActive(&skillSettings);
        if (skilled) skillPrepare(&skillSettings, &limits);
        parallelSearch(board, &choice, &limits);
        if (skilled) choice = skillChoose(&skillSettings, board, &choice);
    }
    state->move = *legalChoice(&choice, state->moves, count);

    playGameMove(board, &state->move);
    char text[8];
    std::printf("move %s\n", moveToText(board, &state->move, text));
    std::fflush(stdout);
    waitForHelpers();  // they were told to stop as the search ended; the move went out first
    if (checkGameEnd(board, state->moves)) return;
    clearSearchTables();
}

namespace {

int handleOneLine(Board* board, LoopState* state, const char* line)
{
    if (!line) return 1;
    std::size_t length = 0;
    while (length < std::size_t(LINE_SIZE) && line[length]) ++length;
    if (length >= std::size_t(LINE_SIZE)) return 1;

    if (state->editMode) return handleEditLine(board, state, line);

    // A legal move of the side to move is the opponent's move; anything else may be a
    // command, and what is neither is ignored.
    char text[6] = {0};
    for (int i = 0; i < 5 && line[i]; ++i) text[i] = line[i];
    if (inputMoveLegal(board, text, &state->move)) {
        const Move move = state->move;
        opponentMove(board, state, &move, line);
        return 1;
    }
    if (handleQuietCommand(state, line)) return 1;

    std::int64_t number = 0;
    const char* arg = nullptr;
    if (!std::strcmp(line, "new\n")) {
        board->castlingStyle = CASTLING_KING_MOVE;
        setPosition(board, state, initialPosition, false);
        state->bookEnabled = 1;
        state->forceMode = 0;
        state->depthLimit = 0;
        clearSearchTables();
    } else if (!std::strcmp(line, "quit\n")) {
        return 0;
    } else if (!std::strncmp(line, "setboard", 8)) {
        state->bookEnabled = 0;  // a refused position too
        setPosition(board, state, length > 9 ? line + 9 : "", chess960Game(board));
    } else if (!std::strcmp(line, "undo\n")) {
        undoGameMove(board);
    } else if (!std::strcmp(line, "remove\n")) {  // the GUI takes back a move of each side
        undoGameMove(board);
        undoGameMove(board);
    } else if (!std::strcmp(line, "go\n")) {
        state->forceMode = 0;
        engineTurn(board, state);
    } else if (!std::strncmp(line, "variant ", 8)) {
        selectVariant(board, state, line + 8);
    } else if (!std::strcmp(line, "edit\n")) {
        startEdit(board, state);
    } else if ((arg = argumentOf(line, "usermove"))) {
        userMove(board, state, arg);
    } else if ((arg = argumentOf(line, "memory"))) {
        if (!readNumber(arg, &number) || number < 1) {
            refuse("bad size", line);
        } else if (number != state->tableMiB) {
            resizeHashtableMiB(number);
            state->tableMiB = number;
        }
    } else if ((arg = argumentOf(line, "cores"))) {
        if (!readNumber(arg, &number) || number < 1) refuse("bad number of cores", line);
        else setSearchThreads(int(std::min<std::int64_t>(number, MAX_SEARCH_THREADS)));
    } else if (argumentOf(line, "analyze")) {
        state->analyzing = 1;
        state->analysisDue = 1;
    } else if (argumentOf(line, "exit")) {
        if (!state->analyzing) {
            refuse("not analyzing", line);
        } else {
            state->analyzing = 0;
            state->analysisDue = 0;
            clearSearchTables();  // the next game search starts as it would have without it
        }
    } else if (state->analyzing && looksLikeMove(line)) {
        std::printf("Illegal move: %.*s\n", int(std::strcspn(line, " \t\r\n")), line);
        std::fflush(stdout);
    }
    return 1;
}

}  // namespace

int handleLine(Board* board, LoopState* state, const char* line)
{
    if (!handleOneLine(board, state, line)) return 0;
    if (line && state->analyzing && changesAnalysis(line)) state->analysisDue = 1;
    return analyze(board, state);
}

bool isUciCommand(const char* line)
{
    const auto space = [](char c) { return isBlank(c) || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    while (space(*line)) ++line;
    if (std::strncmp(line, "uci", 3)) return false;
    for (line += 3; *line; ++line)
        if (!space(*line)) return false;
    return true;
}

bool xboardLoop(Board* board)
{
    std::signal(SIGINT, SIG_IGN);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a GUI gone away ends the loop at the end of input
#endif
    // Clients that take the first done=1 as the end of the features (python-chess) find here
    // all they need.
    std::printf("feature done=0 time=1 draw=0 analyze=1 ping=1 setboard=1 memory=1 smp=1 "
                "variants=\"normal,fischerandom\" myname=\"%s\"\n", ENGINE_NAME);
    printSkillFeatures();
    std::fflush(stdout);
    reply("feature done=1");

    static LoopState state;
    initLoopState(&state, bookFile != nullptr);
    char line[LINE_SIZE];
    for (;;) {
        const int got = readInputLine(line, LINE_SIZE);
        if (got < 0) return false;
        if (got > 0 && !state.editMode && isUciCommand(line)) return true;
        // The table is taken once the protocol is known to be xboard's (a line that is
        // not blank and not "uci"): a UCI engine takes the size its GUI sets.
        if (!hashtable && got > 0 && line[std::strspn(line, " \t\r\n")]) {
            initHashtable(HASH_DEFAULT_BUCKETS);
            clearSearchTables();
        }
        if (got > 0 && !handleLine(board, &state, line)) return false;
    }
}
