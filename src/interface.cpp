#include "interface.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "attack.h"
#include "book.h"
#include "display.h"
#include "hash.h"
#include "input.h"
#include "movegen.h"
#include "search.h"
#include "uci.h"

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

void setInCheck(Board* board)
{
    const int side = board->sideToMove;
    board->inCheck = std::uint8_t(isAttackedSimple(board, board->kingSquare[side], side ^ 1));
}

void undoGameMove(Board* board)
{
    if (board->gamePly == 0 || board->gamePly > MAX_GAME_PLY) return;
    Move* m = &board->gameMoves[board->gamePly - 1];
    updateHashKey(board, m);
    unmakeMove(board, m);
    board->ply = 0;
    setInCheck(board);
}

int squareFromText(const char* text)
{
    if (text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8') return NO_SQUARE;
    return (text[1] - '1') * 16 + (text[0] - 'a');
}

// The en-passant field of a FEN, which the position reader skips. Taken only when a pawn
// of the side that has just moved stands in front of it and the squares it crossed are
// empty, so that no capture of a phantom pawn can be generated.
void readEnPassant(Board* board, const char* fen)
{
    const char* p = fen;
    for (int field = 0; field < 3; ++field) {
        while (*p && *p != ' ') ++p;
        while (*p == ' ') ++p;
    }
    if (!p[0] || !p[1]) return;
    const int sq = squareFromText(p);
    if (sq == NO_SQUARE || (p[2] && p[2] != ' ' && p[2] != '\n' && p[2] != '\r')) return;
    const std::uint8_t* squares = board->squares;
    if (board->sideToMove == 0) {
        if (rank(sq) == 6 && squares[sq] == EMPTY && squares[sq + 16] == EMPTY
            && squares[sq - 16] == BLACK_PAWN)
            board->epSquare = std::uint8_t(sq);
    } else {
        if (rank(sq) == 3 && squares[sq] == EMPTY && squares[sq - 16] == EMPTY
            && squares[sq + 16] == WHITE_PAWN)
            board->epSquare = std::uint8_t(sq);
    }
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

bool isLineEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }

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
    const std::int64_t margin = ms / 20 > 100 ? ms / 20 : 100;
    std::int64_t cap = ms - margin;
    if (cap < 1) cap = 1;
    state->timeLimit = std::int32_t(clampBudget(ms));
    state->hardCap = std::int32_t(clampBudget(cap));
}

// "st": seconds per move.
void setSecondsPerMove(LoopState* state, std::int64_t seconds)
{
    state->stLimit = std::int32_t(clampBudget(seconds * 1000));
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
    if (checkGameEnd(board, state->moves)) return;
    if (state->forceMode) return;
    engineTurn(board, state);
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

}  // namespace

void playGameMove(Board* board, const Move* move)
{
    Move* stored = &board->gameMoves[board->gamePly];
    *stored = *move;
    makeMove(board, stored);
    updateHashKey(board, stored);
    board->ply = 0;  // ply counts from the root of a search; between searches it stays 0
    setInCheck(board);
}

int loadPosition(Board* board, const char* fen, CastlingRead read, const char** problem)
{
    if (!setupFen(board, fen, read, problem)) return 0;
    readEnPassant(board, fen);
    getHashkey(board);
    board->ply = 0;
    return 1;
}

void clearSearchTables()
{
    clearHashtable(hashSize);
    clearHistoryHeuristic();
    clearKillerMove();
}

void initLoopState(LoopState* state, int bookOpen)
{
    std::memset(state, 0, sizeof *state);
    state->timeLimit = DEFAULT_TIME_LIMIT;
    state->hardCap = 0;
    state->bookEnabled = std::uint8_t(bookOpen != 0);
    state->move = NO_MOVE;
}

int inputMoveLegal(Board* board, const char* text, Move* move)
{
    if (!text) return 0;
    Move moves[MAX_MOVES];
    // O-O and O-O-O (or with zeros), as xboard writes castling in Chess960.
    if (board->castlingStyle == CASTLING_O_O && (text[0] == 'O' || text[0] == '0')) {
        const char o = text[0];
        const char oo[] = {o, '-', o, 0}, ooo[] = {o, '-', o, '-', o, 0};
        const bool isLong = !std::strncmp(text, ooo, 5);
        if (!isLong && (std::strncmp(text, oo, 3) || text[3] == '-')) return 0;
        const int count = generateMoves(board, moves, 1);
        for (int i = 0; i < count; ++i) {
            const Move* m = &moves[i];
            if ((m->flags & FLAG_CASTLE) && ((m->to & 7) < 4) == isLong) {
                *move = *m;
                return 1;
            }
        }
        return 0;
    }
    int length = 0;
    while (length < 5 && text[length]) ++length;
    if (length < 4) return 0;
    const int from = squareFromText(text), to = squareFromText(text + 2);
    if (from == NO_SQUARE || to == NO_SQUARE) return 0;

    int wanted = 0;
    if (length == 5) {
        static constexpr char letters[] = "pnbrq";
        const char letter = char(std::tolower(static_cast<unsigned char>(text[4])));
        for (int i = 0; i < 5; ++i)
            if (letter == letters[i]) wanted = (board->sideToMove ? BLACK_PAWN : WHITE_PAWN) + i;
    }

    // In Chess960 castling is written as the king taking its own rook; the king's own move
    // is understood too when no other move has those squares.
    const bool kingTakesRook = board->castlingStyle != CASTLING_KING_MOVE;
    const Move* kingMoveCastling = nullptr;
    const int count = generateMoves(board, moves, 1);
    for (int i = 0; i < count; ++i) {
        const Move* m = &moves[i];
        const bool castling = m->flags & FLAG_CASTLE;
        const int target = kingTakesRook && castling ? castlingPathOf(board, m).rook : m->to;
        if (m->from == from && target == to && (!(m->flags & FLAG_PROMOTION) || m->promotion == wanted)) {
            *move = *m;
            return 1;
        }
        if (kingTakesRook && castling && m->from == from && m->to == to) kingMoveCastling = m;
    }
    if (!kingMoveCastling) return 0;
    *move = *kingMoveCastling;
    return 1;
}

int checkGameDraw(const Board* board)
{
    const std::uint32_t n = board->gamePly;
    if (n < 2 || n >= std::uint32_t(HISTORY_SIZE)) return 0;
    const std::uint64_t key = board->hashHistory[n];
    int count = 1;
    for (std::uint32_t i = n - 1; i >= 1; --i)
        if (board->hashHistory[i] == key) ++count;
    return count == 3;
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

int fiftyMoveRule(const Board* board)
{
    const std::uint32_t n = board->gamePly;
    if (n < 100 || n > std::uint32_t(MAX_GAME_PLY)) return 0;
    for (std::uint32_t i = n - 100; i < n; ++i) {
        const Move* m = &board->gameMoves[i];
        if ((m->flags & FLAG_CAPTURE) || m->piece == WHITE_PAWN || m->piece == BLACK_PAWN) return 0;
    }
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

    if (!state->bookEnabled) search(board, &choice, state->timeLimit, state->hardCap);
    state->move = *legalChoice(&choice, state->moves, count);

    playGameMove(board, &state->move);
    char text[8];
    std::printf("move %s\n", moveToText(board, &state->move, text));
    std::fflush(stdout);
    if (checkGameEnd(board, state->moves)) return;
    clearSearchTables();
}

int handleLine(Board* board, LoopState* state, const char* line)
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

    std::int64_t number = 0;
    if (!std::strcmp(line, "new\n")) {
        board->castlingStyle = CASTLING_KING_MOVE;
        setPosition(board, state, initialPosition, false);
        state->bookEnabled = 1;
        state->forceMode = 0;
        clearSearchTables();
    } else if (!std::strcmp(line, "force\n")) {
        state->forceMode = 1;
    } else if (!std::strncmp(line, "time ", 5)) {
        if (readNumber(line + 5, &number)) setRemainingClock(state, number);
    } else if (!std::strcmp(line, "xboard\n")) {
        std::signal(SIGINT, SIG_IGN);
        reply("\nfeature done=0");
        std::printf("feature setboard=1 time=1 analyze=0 myname=\"%s\"\n", ENGINE_NAME);
        reply("feature variants=\"normal,fischerandom\"");
        reply("feature done=1");
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
    } else if (!std::strncmp(line, "st ", 3)) {
        if (readNumber(line + 3, &number)) setSecondsPerMove(state, number);
    } else if (!std::strncmp(line, "variant ", 8)) {
        selectVariant(board, state, line + 8);
    } else if (!std::strcmp(line, "edit\n")) {
        startEdit(board, state);
    } else if (!std::strncmp(line, "level ", 6)) {  // the clock is the game's, as "time" tells
        state->budgetFromSt = 0;
    }
    return 1;
}

void xboardLoop(Board* board)
{
    std::signal(SIGINT, SIG_IGN);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a GUI gone away ends the loop at the end of input
#endif
    reply("feature done=0 time=1 draw=0 analyze=0");
    reply("feature done=1");

    static LoopState state;
    initLoopState(&state, bookFile != nullptr);
    char line[LINE_SIZE];
    for (;;) {
        const int got = readInputLine(line, LINE_SIZE);
        if (got < 0) return;
        if (got > 0 && !state.editMode && isUciCommand(line)) {
            uciLoop();
            return;
        }
        if (got > 0 && !handleLine(board, &state, line)) return;
    }
}
