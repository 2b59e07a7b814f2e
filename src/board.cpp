#include "board.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "attack.h"
#include "debug.h"
#include "hash.h"

Board* newBoard()
{
    Board* board = new Board();
    clearBoard(board);
    return board;
}

void clearBoard(Board* board)
{
    board->ply = board->gamePly = board->castlingRights = board->maxPly = 0;
    board->sideToMove = 0;
    board->kingSquare[0] = board->kingSquare[1] = 0;
    board->pieceCount[0] = board->pieceCount[1] = 0;
    board->inCheck = 0;
    board->material = 0;
    board->epSquare = NO_SQUARE;
    board->lastCaptureSquare = NO_SQUARE;
    board->lastCapturedPiece = EMPTY;
    board->reversiblePlies[0] = 0;
    for (int sq = 0; sq < 128; ++sq) board->squares[sq] = onBoard(sq) ? EMPTY : OFF_BOARD;
    for (auto& nodes : board->rootMoveNodes) nodes = 0;
    for (auto& m : board->pv) m.from = NO_SQUARE;
}

int pieceFromLetter(char c)
{
    switch (c) {
    case 'P': return WHITE_PAWN;
    case 'N': return WHITE_KNIGHT;
    case 'B': return WHITE_BISHOP;
    case 'R': return WHITE_ROOK;
    case 'Q': return WHITE_QUEEN;
    case 'K': return WHITE_KING;
    case 'p': return BLACK_PAWN;
    case 'n': return BLACK_KNIGHT;
    case 'b': return BLACK_BISHOP;
    case 'r': return BLACK_ROOK;
    case 'q': return BLACK_QUEEN;
    case 'k': return BLACK_KING;
    default: return EMPTY;
    }
}

namespace {

// The placement field read into a plain 0x88 array, or refused. Unknown characters are
// skipped; ranks must hold exactly eight squares and there must be exactly eight of them,
// so nothing can land outside the board.
bool readPlacement(const char* fen, std::uint8_t* squares, int* end)
{
    for (int sq = 0; sq < 128; ++sq) squares[sq] = onBoard(sq) ? EMPTY : OFF_BOARD;
    int rankIndex = 7, fileIndex = 0, i = 0;
    for (; fen[i] && fen[i] != ' '; ++i) {
        char c = fen[i];
        if (c >= '1' && c <= '8') {
            fileIndex += c - '0';
            if (fileIndex > 8) return false;
        } else if (c == '/') {
            if (fileIndex != 8 || rankIndex == 0) return false;
            --rankIndex;
            fileIndex = 0;
        } else if (int code = pieceFromLetter(c); code != EMPTY) {
            if (fileIndex >= 8) return false;
            squares[rankIndex * 16 + fileIndex] = std::uint8_t(code);
            ++fileIndex;
        }
    }
    *end = i;
    return rankIndex == 0 && fileIndex == 8;
}

bool placementIsSound(const std::uint8_t* squares)
{
    int kings[2] = {0, 0}, men[2] = {0, 0};
    for (int sq = 0; sq < 128; ++sq) {
        int code = squares[sq];
        if (!onBoard(sq) || code == EMPTY) continue;
        int side = code > EMPTY;
        ++men[side];
        if (code == WHITE_KING || code == BLACK_KING) ++kings[side];
        if ((code == WHITE_PAWN || code == BLACK_PAWN) && (rank(sq) == 1 || rank(sq) == 8))
            return false;
    }
    return kings[0] == 1 && kings[1] == 1 && men[0] <= 16 && men[1] <= 16;
}

// The start of field `index` (0 the placement) of a FEN, or its end.
const char* fenField(const char* fen, int index)
{
    const char* p = fen;
    for (int field = 0; field < index; ++field) {
        while (*p && *p != ' ') ++p;
        while (*p == ' ') ++p;
    }
    return p;
}

bool fieldEnds(char c) { return c == '\0' || c == ' ' || c == '\n' || c == '\r'; }

// The en-passant field. Taken only when a pawn of the side that has just moved stands in
// front of it and the squares it crossed are empty, so that no capture of a phantom pawn
// can be generated.
void readEnPassant(Board* board, const char* fen)
{
    const char* p = fenField(fen, 3);
    if (p[0] < 'a' || p[0] > 'h' || p[1] < '1' || p[1] > '8' || !fieldEnds(p[2])) return;
    const int sq = (p[1] - '1') * 16 + (p[0] - 'a');
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

// The halfmove clock; a missing or unreadable one is 0, as most readers take it. Far
// beyond a hundred the figure no longer matters.
void readHalfmoveClock(Board* board, const char* fen)
{
    constexpr int MAX_CLOCK = 10000;
    const char* p = fenField(fen, 4);
    int clock = 0;
    for (; *p >= '0' && *p <= '9'; ++p) clock = std::min(clock * 10 + (*p - '0'), MAX_CLOCK);
    board->reversiblePlies[0] = std::uint16_t(fieldEnds(*p) ? clock : 0);
}

}  // namespace

int setupFen(Board* board, const char* fen)
{
    if (!setupBenchFen(board, fen)) return 0;
    readEnPassant(board, fen);
    readHalfmoveClock(board, fen);
    return 1;
}

int setupBenchFen(Board* board, const char* fen)
{
    std::uint8_t placed[128];
    int end = 0;
    if (!fen || !readPlacement(fen, placed, &end) || !placementIsSound(placed)) return 0;

    // Side to move: the character after the space ending the placement; anything but 'w'
    // (a missing one included) gives black. Castling: the four characters after that.
    std::size_t length = std::strlen(fen);
    std::size_t sidePos = std::size_t(end) + 1;
    std::uint8_t side = (sidePos < length && fen[sidePos] == 'w') ? 0 : 1;
    std::uint32_t rights = 0;
    for (std::size_t i = sidePos + 2; i < sidePos + 6 && i < length && sidePos < length; ++i) {
        switch (fen[i]) {
        case 'K': rights |= CASTLE_WHITE_SHORT; break;
        case 'Q': rights |= CASTLE_WHITE_LONG; break;
        case 'k': rights |= CASTLE_BLACK_SHORT; break;
        case 'q': rights |= CASTLE_BLACK_LONG; break;
        default: break;
        }
    }
    // A right stands for its king and rook on their home squares; without them it is void.
    if (placed[E1] != WHITE_KING || placed[H1] != WHITE_ROOK) rights &= ~CASTLE_WHITE_SHORT;
    if (placed[E1] != WHITE_KING || placed[A1] != WHITE_ROOK) rights &= ~CASTLE_WHITE_LONG;
    if (placed[E8] != BLACK_KING || placed[H8] != BLACK_ROOK) rights &= ~CASTLE_BLACK_SHORT;
    if (placed[E8] != BLACK_KING || placed[A8] != BLACK_ROOK) rights &= ~CASTLE_BLACK_LONG;

    // The side that has just moved may not stand in check: its king could be taken. The
    // attack test reads only the squares, so it runs on the new men for a moment.
    {
        std::uint8_t saved[128];
        std::memcpy(saved, board->squares, sizeof saved);
        std::memcpy(board->squares, placed, sizeof placed);
        int kingSq = 0;
        for (int sq = 0; sq < 128; ++sq)
            if (placed[sq] == (side ? WHITE_KING : BLACK_KING)) kingSq = sq;
        const int exposed = isAttackedSimple(board, kingSq, side ? 1 : 0);
        std::memcpy(board->squares, saved, sizeof saved);
        if (exposed) return 0;
    }

    clearBoard(board);
    int slots[2] = {0, 0};
    // Pieces take their slots in the order the text lists them, from a8 towards h1.
    for (int r = 7; r >= 0; --r) {
        for (int f = 0; f < 8; ++f) {
            int sq = r * 16 + f;
            std::uint8_t code = placed[sq];
            if (code == EMPTY) continue;
            int s = code > EMPTY;
            int slot = 0;
            if (code == WHITE_KING || code == BLACK_KING)
                board->kingSquare[s] = std::uint8_t(sq);
            else
                slot = ++slots[s];
            board->squares[sq] = code;
            board->pieceList[s][slot] = {code, std::uint8_t(sq), 1};
            board->pieceIndex[sq] = std::uint8_t(slot);
            ++board->pieceCount[s];
        }
    }
    board->pieceListLength[0] = std::uint8_t(slots[0] + 1);
    board->pieceListLength[1] = std::uint8_t(slots[1] + 1);
    board->sideToMove = side;
    board->castlingRights = rights;
    for (int sq = 0; sq < 128; ++sq) board->material += pieceValues[board->squares[sq]];
    board->inCheck = std::uint8_t(
        isAttackedSimple(board, board->kingSquare[board->sideToMove], board->sideToMove ^ 1));
    assert(boardIsOk(board));
    return 1;
}

namespace {

inline void moveRook(Board* board, int side, int from, int to)
{
    board->squares[to] = board->squares[from];
    board->squares[from] = EMPTY;
    board->pieceIndex[to] = board->pieceIndex[from];
    board->pieceList[side][board->pieceIndex[to]].square = std::uint8_t(to);
}

inline void dropRightsOnCorner(Board* board, int sq)
{
    switch (sq) {
    case H1: board->castlingRights &= ~CASTLE_WHITE_SHORT; break;
    case A1: board->castlingRights &= ~CASTLE_WHITE_LONG; break;
    case H8: board->castlingRights &= ~CASTLE_BLACK_SHORT; break;
    case A8: board->castlingRights &= ~CASTLE_BLACK_LONG; break;
    default: break;
    }
}

// The square of the pawn an en-passant capture takes: behind the target square.
inline int enPassantVictim(const Move* m) { return m->captured > EMPTY ? m->to - 16 : m->to + 16; }

}  // namespace

void makeMove(Board* board, Move* m)
{
    const int from = m->from, to = m->to, flags = m->flags;
    ++board->ply;
    ++board->gamePly;
    const int mover = board->squares[from];
    board->reversiblePlies[board->gamePly] =
        (flags & FLAG_CAPTURE) || mover == WHITE_PAWN || mover == BLACK_PAWN
            ? 0 : std::uint16_t(board->reversiblePlies[board->gamePly - 1] + 1);
    m->oldCastling = std::uint8_t(board->castlingRights);
    m->oldEnPassant = board->epSquare;
    board->epSquare = NO_SQUARE;

    switch (board->squares[from]) {
    case WHITE_PAWN:
        if (rank(to) == 4 && rank(from) == 2) board->epSquare = std::uint8_t(from + 16);
        break;
    case BLACK_PAWN:
        if (rank(to) == 5 && rank(from) == 7) board->epSquare = std::uint8_t(from - 16);
        break;
    case WHITE_KING:
        board->kingSquare[0] = std::uint8_t(to);
        board->castlingRights &= ~(CASTLE_WHITE_SHORT | CASTLE_WHITE_LONG);
        if (flags & FLAG_CASTLE) {
            if (to == G1) moveRook(board, 0, H1, F1);
            else if (to == C1) moveRook(board, 0, A1, D1);
        }
        break;
    case BLACK_KING:
        board->kingSquare[1] = std::uint8_t(to);
        board->castlingRights &= ~(CASTLE_BLACK_SHORT | CASTLE_BLACK_LONG);
        if (flags & FLAG_CASTLE) {
            if (to == G8) moveRook(board, 1, H8, F8);
            else if (to == C8) moveRook(board, 1, A8, D8);
        }
        break;
    default: break;
    }
    dropRightsOnCorner(board, from);

    board->squares[to] = board->squares[from];
    board->squares[from] = EMPTY;

    if (flags & FLAG_PROMOTION) {
        board->material += pieceValues[m->promotion] - pieceValues[board->squares[to]];
        board->squares[to] = m->promotion;
        board->pieceList[m->promotion > EMPTY][board->pieceIndex[from]].piece = m->promotion;
    }
    if (flags & FLAG_ENPASSANT) board->squares[enPassantVictim(m)] = EMPTY;

    board->lastCaptureSquare = NO_SQUARE;
    board->lastCapturedPiece = EMPTY;
    if (flags & FLAG_CAPTURE) {
        board->lastCaptureSquare = std::uint8_t(to);
        board->lastCapturedPiece = m->captured;
        dropRightsOnCorner(board, to);
        board->material -= pieceValues[m->captured];
        const int victim = (flags & FLAG_ENPASSANT) ? enPassantVictim(m) : to;
        const int takenSide = m->captured > EMPTY;
        --board->pieceCount[takenSide];
        board->pieceList[takenSide][board->pieceIndex[victim]].alive = 0;
        m->capturedIndex = board->pieceIndex[victim];
    }

    board->pieceIndex[to] = board->pieceIndex[from];
    board->pieceList[board->squares[to] > EMPTY][board->pieceIndex[to]].square = std::uint8_t(to);
    board->sideToMove ^= 1;
    board->hashHistory[board->gamePly] = board->hashKey;
    assert(boardIsOk(board));
}

void unmakeMove(Board* board, Move* m)
{
    const int from = m->from, to = m->to, flags = m->flags;
    --board->ply;
    --board->gamePly;
    if (board->squares[to] == WHITE_KING) board->kingSquare[0] = std::uint8_t(from);
    else if (board->squares[to] == BLACK_KING) board->kingSquare[1] = std::uint8_t(from);

    board->squares[from] = board->squares[to];
    board->squares[to] = m->captured;
    board->pieceIndex[from] = board->pieceIndex[to];
    const int side = board->squares[from] > EMPTY;
    board->pieceList[side][board->pieceIndex[from]].square = std::uint8_t(from);

    if (flags & FLAG_PROMOTION) {
        const std::uint8_t pawn = m->promotion > EMPTY ? BLACK_PAWN : WHITE_PAWN;
        board->material += pieceValues[pawn] - pieceValues[m->promotion];
        board->squares[from] = pawn;
        board->pieceList[side][board->pieceIndex[from]].piece = pawn;
    }
    if (flags & FLAG_CASTLE) {
        switch (to) {
        case G1: moveRook(board, 0, F1, H1); break;
        case C1: moveRook(board, 0, D1, A1); break;
        case G8: moveRook(board, 1, F8, H8); break;
        case C8: moveRook(board, 1, D8, A8); break;
        default: break;
        }
    }
    int victim = to;
    if (flags & FLAG_ENPASSANT) {
        victim = enPassantVictim(m);
        board->squares[victim] = m->captured;
        board->squares[to] = EMPTY;
    }
    if (flags & FLAG_CAPTURE) {
        const int takenSide = m->captured > EMPTY;
        board->material += pieceValues[m->captured];
        board->pieceList[takenSide][m->capturedIndex].alive = 1;
        board->pieceIndex[victim] = m->capturedIndex;
        ++board->pieceCount[takenSide];
    }
    board->epSquare = m->oldEnPassant;
    board->sideToMove ^= 1;
    board->castlingRights = m->oldCastling;
    assert(boardIsOk(board));
}

void makeNullmove(Board* board, Move* m)
{
    board->lastCaptureSquare = NO_SQUARE;
    board->lastCapturedPiece = EMPTY;
    ++board->ply;
    ++board->gamePly;
    board->reversiblePlies[board->gamePly] = std::uint16_t(board->reversiblePlies[board->gamePly - 1] + 1);
    m->oldEnPassant = board->epSquare;
    board->sideToMove ^= 1;
    board->epSquare = NO_SQUARE;
    toggleNullmoveKeys(board, m->oldEnPassant);
    board->hashHistory[board->gamePly] = board->hashKey;
}

void unmakeNullmove(Board* board, Move* m)
{
    board->sideToMove ^= 1;
    --board->ply;
    --board->gamePly;
    toggleNullmoveKeys(board, m->oldEnPassant);
    board->epSquare = m->oldEnPassant;
}

void makeMoveSimple(Board* board, Move* m)
{
    m->oldCastling = std::uint8_t(board->castlingRights);
    m->oldEnPassant = board->epSquare;
    std::uint8_t* squares = board->squares;
    const int from = m->from, to = m->to;
    if (squares[from] == WHITE_KING || squares[from] == BLACK_KING) {
        board->kingSquare[squares[from] == BLACK_KING] = std::uint8_t(to);
        if (m->flags & FLAG_CASTLE) {
            switch (to) {
            case G1: squares[F1] = squares[H1]; squares[H1] = EMPTY; break;
            case C1: squares[D1] = squares[A1]; squares[A1] = EMPTY; break;
            case G8: squares[F8] = squares[H8]; squares[H8] = EMPTY; break;
            case C8: squares[D8] = squares[A8]; squares[A8] = EMPTY; break;
            default: break;
            }
        }
    }
    squares[to] = squares[from];
    squares[from] = EMPTY;
    if (m->flags & FLAG_PROMOTION) squares[to] = m->promotion;
    if (m->flags & FLAG_ENPASSANT) squares[enPassantVictim(m)] = EMPTY;
    board->sideToMove ^= 1;
}

void unmakeMoveSimple(Board* board, Move* m)
{
    std::uint8_t* squares = board->squares;
    const int from = m->from, to = m->to;
    if (squares[to] == WHITE_KING || squares[to] == BLACK_KING) {
        board->kingSquare[squares[to] == BLACK_KING] = std::uint8_t(from);
        if (m->flags & FLAG_CASTLE) {
            switch (to) {
            case G1: squares[H1] = squares[F1]; squares[F1] = EMPTY; break;
            case C1: squares[A1] = squares[D1]; squares[D1] = EMPTY; break;
            case G8: squares[H8] = squares[F8]; squares[F8] = EMPTY; break;
            case C8: squares[A8] = squares[D8]; squares[D8] = EMPTY; break;
            default: break;
            }
        }
    }
    squares[from] = squares[to];
    squares[to] = m->captured;
    if (m->flags & FLAG_PROMOTION) squares[from] = m->promotion > EMPTY ? BLACK_PAWN : WHITE_PAWN;
    if (m->flags & FLAG_ENPASSANT) {
        squares[enPassantVictim(m)] = m->captured;
        squares[to] = EMPTY;
    }
    board->epSquare = m->oldEnPassant;
    board->sideToMove ^= 1;
    board->castlingRights = m->oldCastling;
}

int isLegalSimple(Board* board, Move* m)
{
    std::uint8_t* squares = board->squares;
    const int mover = squares[m->from] > EMPTY;
    // Castling and en passant move a second man: take the general road.
    if (m->flags & (FLAG_CASTLE | FLAG_ENPASSANT)) {
        Move copy = *m;
        makeMoveSimple(board, &copy);
        int legal = !isAttackedSimple(board, board->kingSquare[mover], mover ^ 1);
        unmakeMoveSimple(board, &copy);
        return legal;
    }
    // Any other move changes two squares only, and the attack test never looks at the
    // square it tests, so lifting the man and dropping it on its target is enough.
    const std::uint8_t moving = squares[m->from], target = squares[m->to];
    squares[m->to] = moving;
    squares[m->from] = EMPTY;
    const int kingSq = (moving == WHITE_KING || moving == BLACK_KING) ? m->to : board->kingSquare[mover];
    int legal = !isAttackedSimple(board, kingSq, mover ^ 1);
    squares[m->from] = moving;
    squares[m->to] = target;
    return legal;
}

void dropOldGamePlies(Board* board)
{
    const std::uint32_t n = board->gamePly;
    if (n > std::uint32_t(MAX_GAME_PLY) || board->ply != 0) return;
    // The first position after the last capture or pawn move, and the one before it, which
    // the repetition tests never count: it leads the record.
    const std::uint32_t since = board->reversiblePlies[n];
    const std::uint32_t first = since < n ? n - since : 0;
    const std::uint32_t keep = MAX_GAME_PLY / 2;
    std::uint32_t drop = first > 0 ? first - 1 : 0;
    if (n > keep && n - drop > keep) drop = n - keep;
    if (drop == 0) return;
    std::memmove(board->gameMoves, board->gameMoves + drop, (n - drop) * sizeof(Move));
    std::memmove(board->hashHistory, board->hashHistory + drop, (n - drop + 1) * sizeof(std::uint64_t));
    std::memmove(board->reversiblePlies, board->reversiblePlies + drop, (n - drop + 1) * sizeof(std::uint16_t));
    board->gamePly = n - drop;
}

char* moveToString(const Move* m, char* buf)
{
    static constexpr char promotionLetters[] = " pnbrqk pnbrqk";
    buf[0] = sqString[m->from][0];
    buf[1] = sqString[m->from][1];
    buf[2] = sqString[m->to][0];
    buf[3] = sqString[m->to][1];
    int n = 4;
    if ((m->flags & FLAG_PROMOTION) && m->promotion < 14) buf[n++] = promotionLetters[m->promotion];
    buf[n] = '\0';
    return buf;
}
