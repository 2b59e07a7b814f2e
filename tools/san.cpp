// SPDX-License-Identifier: GPL-3.0-or-later
#include "san.h"

#include <cstring>

#include "attack.h"
#include "movegen.h"

namespace {

// Piece kinds are the white codes; a black code is the same kind plus 7.
constexpr int kindOf(int code) { return code > EMPTY ? code - EMPTY : code; }

int kindFromLetter(char c)
{
    const int code = pieceFromLetter(c);  // SAN writes every piece letter in upper case
    return isWhitePiece(code) ? code : 0;
}

constexpr char kindLetters[] = " PNBRQK";

constexpr bool isFileChar(char c) { return c >= 'a' && c <= 'h'; }
constexpr bool isRankChar(char c) { return c >= '1' && c <= '8'; }

// What a SAN text asks for, before it is matched against the legal moves.
struct SanRequest {
    int castle;         // 0, or the file the king goes to: 'g' short, 'c' long
    int kind;
    int fromFile;       // 0..7, or -1 when not given
    int fromRank;
    int to;
    int promotion;      // a kind, or 0
    int captureMark;
};

bool isCastling(const char* s, int len, int* castle)
{
    // O-O and O-O-O, also written with zeros (and, by some programs, lower-case o).
    auto ring = [](char c) { return c == 'O' || c == '0' || c == 'o'; };
    if ((len != 3 && len != 5) || !ring(s[0]) || s[1] != '-' || !ring(s[2])) return false;
    if (len == 3) {
        *castle = 'g';
        return true;
    }
    if (s[3] != '-' || !ring(s[4])) return false;
    *castle = 'c';
    return true;
}

bool parseSan(const char* text, SanRequest* req)
{
    *req = {0, WHITE_PAWN, -1, -1, 0, 0, 0};
    int len = 0;
    while (len < 32 && text[len]) ++len;
    if (len == 32) return false;
    // Marks after the move: check, mate, annotation glyphs and an en-passant note.
    for (bool trimmed = true; trimmed && len > 0;) {
        trimmed = false;
        while (len > 0 && std::strchr("+#!? \t", text[len - 1])) {
            --len;
            trimmed = true;
        }
        if (len >= 4 && !std::strncmp(text + len - 4, "e.p.", 4)) {
            len -= 4;
            trimmed = true;
        }
    }
    if (len < 2) return false;
    if (isCastling(text, len, &req->castle)) return true;

    int pos = 0;
    if (int kind = kindFromLetter(text[0])) {
        req->kind = kind;
        pos = 1;
    }
    // Promotion: the last letter after the last rank, with or without '='.
    if (req->kind == WHITE_PAWN && len >= 3) {
        const char last = text[len - 1];
        const char upper = (last >= 'a' && last <= 'z') ? char(last - 'a' + 'A') : last;
        const char before = text[len - 2];
        const int kind = kindFromLetter(upper);
        if (kind >= WHITE_KNIGHT && kind <= WHITE_QUEEN
            && (before == '=' || before == '1' || before == '8')) {
            req->promotion = kind;
            len -= before == '=' ? 2 : 1;
        }
    }
    if (len - pos < 2 || !isFileChar(text[len - 2]) || !isRankChar(text[len - 1])) return false;
    req->to = (text[len - 1] - '1') * 16 + (text[len - 2] - 'a');
    len -= 2;
    // Between piece and target: an optional origin file and rank, then a capture mark
    // ('x' or ':') or the dash of long notation.
    if (len > pos && (text[len - 1] == 'x' || text[len - 1] == ':')) {
        req->captureMark = 1;
        --len;
    } else if (len > pos && text[len - 1] == '-') {
        --len;
    }
    if (pos < len && isFileChar(text[pos])) req->fromFile = text[pos++] - 'a';
    if (pos < len && isRankChar(text[pos])) req->fromRank = text[pos++] - '1';
    return pos == len;
}

}  // namespace

int sanToMove(Board* board, const char* text, Move* move, const char** why)
{
    SanRequest req;
    if (!text || !parseSan(text, &req)) {
        if (why) *why = "not a move in standard algebraic notation";
        return 0;
    }
    Move moves[MAX_MOVES];
    const int n = generateMoves(board, moves, 1);
    int matches = 0, match = 0;
    const char* reason = "no legal move matches";
    for (int i = 0; i < n; ++i) {
        const Move* m = &moves[i];
        if (req.castle) {
            if (!(m->flags & FLAG_CASTLE) || m->to % 16 != req.castle - 'a') continue;
        } else {
            // A king's two-square step is written O-O, never as a king move.
            if ((m->flags & FLAG_CASTLE) || m->to != req.to || kindOf(m->piece) != req.kind)
                continue;
            if (req.fromFile >= 0 && m->from % 16 != req.fromFile) continue;
            if (req.fromRank >= 0 && m->from / 16 != req.fromRank) continue;
            // A pawn leaves its file only to capture, and then the file is always written.
            if (req.kind == WHITE_PAWN && req.fromFile < 0 && m->from % 16 != m->to % 16)
                continue;
            if (m->flags & FLAG_PROMOTION) {
                if (!req.promotion) {
                    reason = "the promotion piece is missing";
                    continue;
                }
                if (kindOf(m->promotion) != req.promotion) continue;
            } else if (req.promotion) {
                reason = "only a pawn reaching the last rank promotes";
                continue;
            }
            if (req.captureMark && !(m->flags & FLAG_CAPTURE)) {
                reason = "marked as a capture but takes nothing";
                continue;
            }
        }
        if (matches++ == 0) match = i;
    }
    if (matches == 1) {
        *move = moves[match];
        return 1;
    }
    if (why) *why = matches > 1 ? "ambiguous: more than one legal move matches" : reason;
    return 0;
}

char* moveToSan(Board* board, const Move* move, char* buf)
{
    int n = 0;
    const int kind = kindOf(move->piece);
    if (move->flags & FLAG_CASTLE) {
        std::strcpy(buf, move->to % 16 == G1 ? "O-O" : "O-O-O");
        n = int(std::strlen(buf));
    } else {
        if (kind == WHITE_PAWN) {
            if (move->flags & FLAG_CAPTURE) buf[n++] = sqString[move->from][0];
        } else {
            buf[n++] = kindLetters[kind];
            // Name the origin only as far as the other legal moves of the same kind of
            // piece to the same square require: file first, then rank, then both.
            Move moves[MAX_MOVES];
            const int count = generateMoves(board, moves, 1);
            bool rival = false, sameFile = false, sameRank = false;
            for (int i = 0; i < count; ++i) {
                const Move* m = &moves[i];
                if (m->to != move->to || m->from == move->from || kindOf(m->piece) != kind
                    || (m->flags & FLAG_CASTLE))
                    continue;
                rival = true;
                sameFile |= m->from % 16 == move->from % 16;
                sameRank |= m->from / 16 == move->from / 16;
            }
            if (rival && (!sameFile || sameRank)) buf[n++] = sqString[move->from][0];
            if (rival && sameFile) buf[n++] = sqString[move->from][1];
        }
        if (move->flags & FLAG_CAPTURE) buf[n++] = 'x';
        buf[n++] = sqString[move->to][0];
        buf[n++] = sqString[move->to][1];
        if (move->flags & FLAG_PROMOTION) {
            buf[n++] = '=';
            buf[n++] = kindLetters[kindOf(move->promotion)];
        }
    }
    Move played = *move;
    makeMove(board, &played);
    const int side = board->sideToMove;
    if (isAttackedSimple(board, board->kingSquare[side], side ^ 1)) {
        Move replies[MAX_MOVES];
        buf[n++] = generateMoves(board, replies, 1) ? '+' : '#';
    }
    unmakeMove(board, &played);
    buf[n] = '\0';
    return buf;
}

// PGN.

namespace {

enum PgnTokenKind { PGN_END, PGN_TAG, PGN_SYMBOL, PGN_RESULT };

struct PgnToken {
    PgnTokenKind kind;
    int broke;      // cut short an open comment or variation
    int tooLong;
    char text[PGN_SYMBOL_SIZE];
    char name[PGN_NAME_SIZE];
    char value[256];
};

// Control characters never reach a message: tag texts and move texts are printed.
constexpr char printable(int c) { return (c < 32 || c == 127) ? '?' : char(c); }
// Bytes below the blank (NUL, control codes of a binary file) separate tokens like blanks.
constexpr bool isBlank(int c) { return c >= 0 && c <= ' '; }
constexpr bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int nextChar(PgnReader* r, int* lineStart)
{
    const int c = std::getc(r->in);
    *lineStart = r->afterNewline;
    r->afterNewline = c == '\n' || c == '\r';
    return c;
}

int peekChar(PgnReader* r)
{
    const int c = std::getc(r->in);
    if (c != EOF) std::ungetc(c, r->in);
    return c;
}

void skipLine(PgnReader* r)
{
    int lineStart, c;
    do c = nextChar(r, &lineStart);
    while (c != EOF && c != '\n' && c != '\r');
}

// A line that opens with '[' and a letter is the next game's tags, wherever the text
// stands: an unclosed comment or variation must not swallow the rest of the file.
bool tagLineStarts(PgnReader* r, int c, int lineStart)
{
    return lineStart && c == '[' && isLetter(peekChar(r));
}

enum CommentEnd { COMMENT_CLOSED, COMMENT_CUT_BY_TAG, COMMENT_AT_END };

CommentEnd skipComment(PgnReader* r)
{
    for (;;) {
        int lineStart;
        const int c = nextChar(r, &lineStart);
        if (c == EOF) return COMMENT_AT_END;
        if (c == '}') return COMMENT_CLOSED;
        if (tagLineStarts(r, c, lineStart)) return COMMENT_CUT_BY_TAG;
    }
}

// The tag pair after its '[': [Name "value"], with \" and \\ escapes, on one line.
void readTag(PgnReader* r, PgnToken* t)
{
    int lineStart, c, n = 0;
    t->kind = PGN_TAG;
    do c = nextChar(r, &lineStart);
    while (c == ' ' || c == '\t');
    for (; c > ' ' && c != ']' && c != '"'; c = nextChar(r, &lineStart))
        if (n < PGN_NAME_SIZE - 1) t->name[n++] = char(c);
    t->name[n] = '\0';
    while (c == ' ' || c == '\t') c = nextChar(r, &lineStart);
    n = 0;
    if (c == '"') {
        for (c = nextChar(r, &lineStart); c != EOF && c != '"' && c != '\n' && c != '\r';
             c = nextChar(r, &lineStart)) {
            if (c == '\\' && (peekChar(r) == '"' || peekChar(r) == '\\'))
                c = nextChar(r, &lineStart);
            if (n < int(sizeof t->value) - 1) t->value[n++] = printable(c);
        }
        if (c == '"') c = nextChar(r, &lineStart);
    }
    t->value[n] = '\0';
    while (c != EOF && c != ']' && c != '\n' && c != '\r') c = nextChar(r, &lineStart);
}

constexpr bool endsSymbol(int c)
{
    return c == EOF || isBlank(c) || c == '{' || c == '}' || c == '(' || c == ')' || c == '['
           || c == ']' || c == ';' || c == '$';
}

void readSymbol(PgnReader* r, PgnToken* t, int first)
{
    int n = 0, lineStart;
    t->text[n++] = char(first);
    t->tooLong = 0;
    for (int c = peekChar(r); !endsSymbol(c); c = peekChar(r)) {
        nextChar(r, &lineStart);
        if (n < PGN_SYMBOL_SIZE - 1) t->text[n++] = printable(c);
        else t->tooLong = 1;
    }
    t->text[n] = '\0';
}

bool onlyOf(const char* s, const char* allowed)
{
    for (; *s; ++s)
        if (!std::strchr(allowed, *s)) return false;
    return true;
}

// Sorts a symbol out: 1 for a move or result left in t, 0 for something to pass over
// (move numbers, NAGs, stand-alone glyphs, an en-passant note, a byte-order mark).
bool classifySymbol(PgnToken* t)
{
    char* s = t->text;
    // What was cut off could be anything: let it fail as a move rather than pass.
    if (t->tooLong) {
        t->kind = PGN_SYMBOL;
        return true;
    }
    if (!std::strcmp(s, "1-0") || !std::strcmp(s, "0-1") || !std::strcmp(s, "1/2-1/2")
        || !std::strcmp(s, "*")) {
        t->kind = PGN_RESULT;
        return true;
    }
    // "12." and "12..." stand alone or glued to the move ("1.e4").
    int digits = 0;
    while (s[digits] >= '0' && s[digits] <= '9') ++digits;
    if (s[digits] == '.') {
        int skip = digits;
        while (s[skip] == '.') ++skip;
        std::memmove(s, s + skip, std::strlen(s + skip) + 1);
    }
    if (!*s || (s[0] == '$' && onlyOf(s + 1, "0123456789")) || onlyOf(s, "!?")
        || !std::strcmp(s, "e.p.") || !std::strcmp(s, "\xEF\xBB\xBF"))
        return false;
    t->kind = PGN_SYMBOL;
    return true;
}

// The next token outside comments and variations.
void nextToken(PgnReader* r, PgnToken* t)
{
    t->broke = 0;
    t->tooLong = 0;
    for (;;) {
        int lineStart;
        const int c = nextChar(r, &lineStart);
        if (c == EOF) {
            t->kind = PGN_END;
            t->broke = r->depth > 0;
            r->depth = 0;
            return;
        }
        if (isBlank(c) || c == '}' || c == ']') continue;
        if (lineStart && c == '%') {
            skipLine(r);
            continue;
        }
        if (c == ';') {
            skipLine(r);
            continue;
        }
        if (c == '{') {
            const CommentEnd end = skipComment(r);
            if (end == COMMENT_CLOSED) continue;
            t->broke = 1;
            r->depth = 0;
            if (end == COMMENT_AT_END) {
                t->kind = PGN_END;
                return;
            }
            readTag(r, t);
            return;
        }
        if (c == '(') {
            ++r->depth;
            continue;
        }
        if (c == ')') {
            if (r->depth > 0) --r->depth;
            continue;
        }
        if (c == '[') {
            if (r->depth == 0) {
                readTag(r, t);
                return;
            }
            if (tagLineStarts(r, c, lineStart)) {
                t->broke = 1;
                r->depth = 0;
                readTag(r, t);
                return;
            }
            continue;
        }
        readSymbol(r, t, c);
        if (r->depth == 0 && classifySymbol(t)) return;
    }
}

void copyText(char* to, int size, const char* from)
{
    int n = 0;
    for (; from[n] && n < size - 1; ++n) to[n] = printable(static_cast<unsigned char>(from[n]));
    to[n] = '\0';
}

bool equalsIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        const char x = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        if (x != *b) return false;
    }
    return *a == *b;
}

// What the tags say about where the game starts.
struct StartTags {
    int setUp;          // SetUp "1"
    int fen;            // a FEN tag
    int fenElsewhere;   // ... naming another position than the usual start
    int variant;        // a Variant tag naming something else than chess
};

void applyTag(PgnGame* g, StartTags* start, const char* name, const char* value)
{
    if (!std::strcmp(name, "White")) copyText(g->white, PGN_NAME_SIZE, value);
    else if (!std::strcmp(name, "Black")) copyText(g->black, PGN_NAME_SIZE, value);
    else if (!std::strcmp(name, "Round")) copyText(g->round, PGN_NAME_SIZE, value);
    else if (!std::strcmp(name, "SetUp")) start->setUp = !std::strcmp(value, "1");
    else if (!std::strcmp(name, "FEN")) {
        static constexpr char usual[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq";
        const std::size_t n = sizeof usual - 1;
        start->fen = 1;
        start->fenElsewhere = std::strncmp(value, usual, n) != 0
                              || (value[n] != '\0' && value[n] != ' ');
    } else if (!std::strcmp(name, "Variant")) {
        start->variant = *value && !equalsIgnoringCase(value, "standard")
                         && !equalsIgnoringCase(value, "chess")
                         && !equalsIgnoringCase(value, "normal");
    }
}

int startsElsewhere(const StartTags* start)
{
    return start->variant || (start->fen ? start->fenElsewhere : start->setUp);
}

}  // namespace

void pgnStart(PgnReader* reader, std::FILE* in)
{
    std::memset(reader, 0, sizeof *reader);
    reader->in = in;
    reader->afterNewline = 1;
}

int pgnNextGame(PgnReader* reader, Board* board, int maxPlies, PgnGame* game)
{
    std::memset(game, 0, sizeof *game);
    if (maxPlies > PGN_MAX_PLIES) maxPlies = PGN_MAX_PLIES;
    StartTags start = {0, 0, 0, 0};
    bool begun = false, inMoves = false;
    PgnToken t;
    if (reader->nextTagReady) {
        reader->nextTagReady = 0;
        begun = true;
        applyTag(game, &start, reader->nextTagName, reader->nextTagValue);
    }
    for (;;) {
        nextToken(reader, &t);
        if (t.broke) game->unterminated = 1;
        if (t.kind == PGN_END) {
            if (!begun) return 0;
            break;
        }
        if (t.kind == PGN_TAG) {
            if (inMoves) {
                // The next game has begun: keep its first tag for the next call.
                reader->nextTagReady = 1;
                std::memcpy(reader->nextTagName, t.name, sizeof t.name);
                std::memcpy(reader->nextTagValue, t.value, sizeof t.value);
                break;
            }
            begun = true;
            applyTag(game, &start, t.name, t.value);
            continue;
        }
        if (t.kind == PGN_RESULT) break;
        if (!inMoves) {
            inMoves = begun = true;
            game->setUp = startsElsewhere(&start);
            if (!game->setUp) setupFen(board, initialPosition);
        }
        if (game->setUp || game->error || game->plies >= maxPlies) continue;
        Move m;
        const char* why = "move text too long";
        if (!t.tooLong && sanToMove(board, t.text, &m, &why)) {
            makeMove(board, &m);
            game->moves[game->plies++] = m;
            continue;
        }
        game->error = 1;
        game->errorPly = game->plies;
        game->errorWhy = why;
        copyText(game->errorText, PGN_SYMBOL_SIZE, t.text);
    }
    game->setUp = startsElsewhere(&start);
    game->number = ++reader->games;
    return 1;
}

// EPD.

namespace {

constexpr bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const char* skipSpaces(const char* p)
{
    while (isSpace(*p)) ++p;
    return p;
}

// Copies the word at p (up to a blank or ';') into out; false when it does not fit.
bool readWord(const char** p, char* out, int size)
{
    int n = 0;
    bool fits = true;
    for (; **p && !isSpace(**p) && **p != ';'; ++*p) {
        if (n < size - 1) out[n++] = printable(static_cast<unsigned char>(**p));
        else fits = false;
    }
    out[n] = '\0';
    return fits;
}

bool validCastling(const char* s)
{
    if (!std::strcmp(s, "-")) return true;
    return *s && std::strlen(s) <= 4 && onlyOf(s, "KQkq");
}

bool validEnPassant(const char* s)
{
    return !std::strcmp(s, "-")
           || (isFileChar(s[0]) && (s[1] == '3' || s[1] == '6') && s[2] == '\0');
}

}  // namespace

int epdLineIsEmpty(const char* line)
{
    line = skipSpaces(line);
    return *line == '\0' || *line == '#';
}

int epdParse(const char* line, EpdRecord* record, const char** why)
{
    std::memset(record, 0, sizeof *record);
    const char* p = line;
    // Sizes fit the longest sound field, so the FEN below always fits its buffer.
    char placement[96], side[4], castling[8], enPassant[4];
    struct Field {
        char* text;
        int size;
    } fields[4] = {{placement, int(sizeof placement)}, {side, int(sizeof side)},
                   {castling, int(sizeof castling)}, {enPassant, int(sizeof enPassant)}};
    for (const Field& field : fields) {
        p = skipSpaces(p);
        if (!readWord(&p, field.text, field.size)) {
            *why = "a position field is too long";
            return 0;
        }
        if (!field.text[0]) {
            *why = "fewer than four position fields";
            return 0;
        }
    }
    if (std::strcmp(side, "w") && std::strcmp(side, "b")) {
        *why = "the side to move is neither w nor b";
        return 0;
    }
    if (!validCastling(castling) || !validEnPassant(enPassant)) {
        *why = "unreadable castling or en-passant field";
        return 0;
    }
    std::snprintf(record->fen, sizeof record->fen, "%s %s %s %s 0 1", placement, side, castling,
                  enPassant);
    // Suites cut from FEN files still carry the two move counters.
    for (int counter = 0; counter < 2; ++counter) {
        const char* q = skipSpaces(p);
        if (!(*q >= '0' && *q <= '9')) break;
        while (*q >= '0' && *q <= '9') ++q;
        if (*q && !isSpace(*q)) break;
        p = q;
    }
    // Operations: an opcode, operands separated by blanks (quoted strings may hold
    // anything but '"'), and a ';'.
    for (;;) {
        p = skipSpaces(p);
        if (!*p) break;
        if (*p == ';') {
            ++p;
            continue;
        }
        char opcode[16];
        readWord(&p, opcode, int(sizeof opcode));
        const bool best = !std::strcmp(opcode, "bm"), avoid = !std::strcmp(opcode, "am");
        const bool id = !std::strcmp(opcode, "id");
        for (int operand = 0;; ++operand) {
            p = skipSpaces(p);
            if (!*p) break;
            if (*p == ';') {
                ++p;
                break;
            }
            char text[PGN_NAME_SIZE];
            bool fits = true;
            if (*p == '"') {
                int n = 0;
                for (++p; *p && *p != '"'; ++p)
                    if (n < int(sizeof text) - 1)
                        text[n++] = printable(static_cast<unsigned char>(*p));
                text[n] = '\0';
                if (*p == '"') ++p;
            } else {
                fits = readWord(&p, text, int(sizeof text));
            }
            if (id && operand == 0) copyText(record->id, PGN_NAME_SIZE, text);
            if (!best && !avoid) continue;
            int* count = best ? &record->bestCount : &record->avoidCount;
            if (!fits || std::strlen(text) >= PGN_SYMBOL_SIZE) {
                *why = "a move of bm or am is too long";
                return 0;
            }
            if (*count == EPD_MAX_MOVES) {
                *why = "too many moves in bm or am";
                return 0;
            }
            std::strcpy(best ? record->best[*count] : record->avoid[*count], text);
            ++*count;
        }
    }
    return 1;
}
