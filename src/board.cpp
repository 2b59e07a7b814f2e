// SPDX-License-Identifier: GPL-3.0-or-later
#include "board.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "attack.h"
#include "hash.h"

namespace {

// Rook squares of the four rights, by right index, and the kings' squares, in standard chess.
constexpr std::uint8_t standardRooks[4] = {H1, A1, H8, A8};
constexpr std::uint8_t standardKings[2] = {E1, E8};

// The paths of the rights held and the rights every square keeps, from the kings' squares
// and the rights' rooks.
void setCastlingPaths(Board* board, std::uint32_t rights, const std::uint8_t* rooks)
{
    for (auto& kept : board->castlingKept) kept = 0xF;
    for (int right = 0; right < 4; ++right) {
        const int side = right / 2;
        const int home = side ? 112 : 0;
        const bool isLong = right & 1;
        CastlingPath& p = board->castlingPaths[right];
        p.king = board->kingSquare[side];
        p.rook = rooks[right];
        p.kingTo = std::uint8_t(home + (isLong ? 2 : 6));
        p.rookTo = std::uint8_t(home + (isLong ? 3 : 5));
        p.emptyCount = p.safeCount = 0;
        if (!(rights & (1u << right))) continue;
        board->castlingKept[p.rook] &= std::uint8_t(~(1u << right));
        board->castlingKept[p.king] &= std::uint8_t(~(3u << (side * 2)));
        const int lo = std::min({p.king, p.rook, p.kingTo, p.rookTo});
        const int hi = std::max({p.king, p.rook, p.kingTo, p.rookTo});
        for (int sq = lo; sq <= hi; ++sq) {
            const bool kingCrosses = sq >= std::min(p.king, p.kingTo) && sq <= std::max(p.king, p.kingTo);
            const bool rookCrosses = sq >= std::min(p.rook, p.rookTo) && sq <= std::max(p.rook, p.rookTo);
            if ((kingCrosses || rookCrosses) && sq != p.king && sq != p.rook)
                p.mustBeEmpty[p.emptyCount++] = std::uint8_t(sq);
        }
        // From the king's square towards its target.
        const int step = p.kingTo > p.king ? 1 : -1;
        for (int sq = p.king;; sq += step) {
            p.mustBeSafe[p.safeCount++] = std::uint8_t(sq);
            if (sq == p.kingTo) break;
        }
    }
}

}  // namespace

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
    board->occupied = 0;
    for (auto& nodes : board->rootMoveNodes) nodes = 0;
    for (auto& m : board->pv) m.from = NO_SQUARE;
    board->chess960 = 0;
    setCastlingPaths(board, 0, standardRooks);
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

bool fieldEnds(char c) { return c == '\0' || c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

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

namespace {

// The castling field (the text up to the next blank) read into rights and their rooks; a
// message when the Chess960 reading finds a letter that names no rook.
const char* readCastlingField(const std::uint8_t* placed, const char* field, bool chess960,
                              std::uint32_t* rights, std::uint8_t* rooks)
{
    *rights = 0;
    for (int i = 0; i < 4; ++i) rooks[i] = standardRooks[i];
    if (!chess960) {
        // The letters are looked for in the four characters after the side and its blank,
        // whatever they are; a right stands for its king and rook on their home squares.
        for (int i = 0; i < 4 && field[i]; ++i) {
            switch (field[i]) {
            case 'K': *rights |= CASTLE_WHITE_SHORT; break;
            case 'Q': *rights |= CASTLE_WHITE_LONG; break;
            case 'k': *rights |= CASTLE_BLACK_SHORT; break;
            case 'q': *rights |= CASTLE_BLACK_LONG; break;
            default: break;
            }
        }
        for (int right = 0; right < 4; ++right) {
            const int side = right / 2;
            if (placed[standardKings[side]] != (side ? BLACK_KING : WHITE_KING)
                || placed[standardRooks[right]] != (side ? BLACK_ROOK : WHITE_ROOK))
                *rights &= ~(1u << right);
        }
        return nullptr;
    }
    if (field[0] == '-') return nullptr;
    for (int i = 0; !fieldEnds(field[i]); ++i) {
        const char c = field[i];
        const int side = (c >= 'a' && c <= 'z') ? 1 : 0;
        const char lower = char(side ? c : c - 'A' + 'a');
        const int home = side ? 112 : 0;
        const std::uint8_t king = side ? BLACK_KING : WHITE_KING;
        const std::uint8_t rook = side ? BLACK_ROOK : WHITE_ROOK;
        int kingFile = -1;
        for (int f = 0; f < 8; ++f)
            if (placed[home + f] == king) kingFile = f;
        int rookFile = -1;
        if (lower == 'k' || lower == 'q') {  // the outermost rook on that wing
            const int step = lower == 'k' ? -1 : 1;
            for (int f = lower == 'k' ? 7 : 0; kingFile >= 0 && f != kingFile; f += step) {
                if (placed[home + f] == rook) {
                    rookFile = f;
                    break;
                }
            }
        } else if (lower >= 'a' && lower <= 'h') {
            if (placed[home + lower - 'a'] == rook) rookFile = lower - 'a';
        } else {
            return "castling field holds an unknown letter";
        }
        if (kingFile < 0) return "castling right for a king off its first rank";
        if (rookFile < 0 || rookFile == kingFile) return "castling letter names no rook";
        const int right = side * 2 + (rookFile < kingFile);
        const std::uint8_t sq = std::uint8_t(home + rookFile);
        if ((*rights & (1u << right)) && rooks[right] != sq) return "two castling rooks on one wing";
        *rights |= 1u << right;
        rooks[right] = sq;
    }
    return nullptr;
}

// The placement, the side to move and the castling field: what both readers share.
int setupPlacement(Board* board, const char* fen, CastlingRead read, const char** problem)
{
    const char* unused = nullptr;
    const char** why = problem ? problem : &unused;
    std::uint8_t placed[128];
    int end = 0;
    if (!fen || !readPlacement(fen, placed, &end)) {
        *why = "the men are not placed on eight ranks of eight squares";
        return 0;
    }
    if (!placementIsSound(placed)) {
        *why = "a side lacks its one king, has more than 16 men, or a pawn on its last rank";
        return 0;
    }

    // Side to move: the character after the space ending the placement; anything but 'w'
    // (a missing one included) gives black. Castling: the field after that.
    std::size_t length = std::strlen(fen);
    std::size_t sidePos = std::size_t(end) + 1;
    std::uint8_t side = (sidePos < length && fen[sidePos] == 'w') ? 0 : 1;
    const char* field = sidePos + 2 <= length ? fen + sidePos + 2 : "";
    bool chess960 = read == CASTLING_CHESS960;
    if (read == CASTLING_BY_FIELD)
        for (int i = 0; !fieldEnds(field[i]); ++i)
            chess960 = chess960 || (field[i] >= 'a' && field[i] <= 'h')
                    || (field[i] >= 'A' && field[i] <= 'H');
    std::uint32_t rights = 0;
    std::uint8_t rooks[4];
    if (const char* fault = readCastlingField(placed, field, chess960, &rights, rooks)) {
        *why = fault;
        return 0;
    }

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
        if (exposed) {
            *why = "the side that has just moved is in check";
            return 0;
        }
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
            board->occupied |= squareBit(sq);
            board->pieceList[s][slot] = {code, std::uint8_t(sq), 1};
            board->pieceIndex[sq] = std::uint8_t(slot);
            ++board->pieceCount[s];
        }
    }
    board->pieceListLength[0] = std::uint8_t(slots[0] + 1);
    board->pieceListLength[1] = std::uint8_t(slots[1] + 1);
    board->sideToMove = side;
    board->castlingRights = rights;
    board->chess960 = chess960;
    setCastlingPaths(board, rights, rooks);
    for (int sq = 0; sq < 128; ++sq) board->material += pieceValues[board->squares[sq]];
    board->inCheck = std::uint8_t(
        isAttackedSimple(board, board->kingSquare[board->sideToMove], board->sideToMove ^ 1));
    assert(boardIsOk(board));
    return 1;
}

}  // namespace

int setupFen(Board* board, const char* fen, CastlingRead read, const char** problem)
{
    if (!setupPlacement(board, fen, read, problem)) return 0;
    readEnPassant(board, fen);
    readHalfmoveClock(board, fen);
    return 1;
}

int setupBenchFen(Board* board, const char* fen)
{
    return setupPlacement(board, fen, CASTLING_STANDARD, nullptr);
}

namespace {

// Castling: the king and its rook leave their squares, then take their targets, which may
// be each other's or their own (Chess960). Back to front when undone.
inline void castleMen(Board* board, const CastlingPath& p, int side, bool forward)
{
    const int kingFrom = forward ? p.king : p.kingTo, kingTo = forward ? p.kingTo : p.king;
    const int rookFrom = forward ? p.rook : p.rookTo, rookTo = forward ? p.rookTo : p.rook;
    std::uint8_t* squares = board->squares;
    const std::uint8_t king = squares[kingFrom], rook = squares[rookFrom];
    const std::uint8_t rookSlot = board->pieceIndex[rookFrom];
    squares[kingFrom] = EMPTY;
    squares[rookFrom] = EMPTY;
    squares[kingTo] = king;
    squares[rookTo] = rook;
    board->occupied ^= squareBit(kingFrom) ^ squareBit(rookFrom) ^ squareBit(kingTo) ^ squareBit(rookTo);
    board->pieceIndex[kingTo] = 0;
    board->pieceIndex[rookTo] = rookSlot;
    board->pieceList[side][0].square = std::uint8_t(kingTo);
    board->pieceList[side][rookSlot].square = std::uint8_t(rookTo);
    board->kingSquare[side] = std::uint8_t(kingTo);
}

// The same on the squares and king squares alone.
inline void castleMenSimple(Board* board, const CastlingPath& p, int side, bool forward)
{
    const int kingFrom = forward ? p.king : p.kingTo, kingTo = forward ? p.kingTo : p.king;
    const int rookFrom = forward ? p.rook : p.rookTo, rookTo = forward ? p.rookTo : p.rook;
    std::uint8_t* squares = board->squares;
    const std::uint8_t king = squares[kingFrom], rook = squares[rookFrom];
    squares[kingFrom] = EMPTY;
    squares[rookFrom] = EMPTY;
    squares[kingTo] = king;
    squares[rookTo] = rook;
    board->occupied ^= squareBit(kingFrom) ^ squareBit(rookFrom) ^ squareBit(kingTo) ^ squareBit(rookTo);
    board->kingSquare[side] = std::uint8_t(kingTo);
}

// The square of the pawn an en-passant capture takes: behind the target square.
inline int enPassantVictim(const Move* m) { return m->captured > EMPTY ? m->to - 16 : m->to + 16; }

}  // namespace

namespace {

// The rest of makeMove for a castling: no capture, no en-passant square.
void makeCastling(Board* board, Move* m)
{
    castleMen(board, castlingPathOf(board, m), m->piece > EMPTY, true);
    board->lastCaptureSquare = NO_SQUARE;
    board->lastCapturedPiece = EMPTY;
    board->sideToMove ^= 1;
    board->hashHistory[board->gamePly] = board->hashKey;
    assert(boardIsOk(board));
}

void unmakeCastling(Board* board, const Move* m)
{
    castleMen(board, castlingPathOf(board, m), m->piece > EMPTY, false);
    board->epSquare = m->oldEnPassant;
    board->sideToMove ^= 1;
    board->castlingRights = m->oldCastling;
    assert(boardIsOk(board));
}

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
    // A right goes with its king or its rook leaving home, or the rook being taken.
    board->castlingRights &= board->castlingKept[from] & board->castlingKept[to];
    if (flags & FLAG_CASTLE) {
        makeCastling(board, m);
        return;
    }

    switch (board->squares[from]) {
    case WHITE_PAWN:
        if (rank(to) == 4 && rank(from) == 2) board->epSquare = std::uint8_t(from + 16);
        break;
    case BLACK_PAWN:
        if (rank(to) == 5 && rank(from) == 7) board->epSquare = std::uint8_t(from - 16);
        break;
    case WHITE_KING: board->kingSquare[0] = std::uint8_t(to); break;
    case BLACK_KING: board->kingSquare[1] = std::uint8_t(to); break;
    default: break;
    }

    board->squares[to] = board->squares[from];
    board->squares[from] = EMPTY;
    board->occupied = (board->occupied & ~squareBit(from)) | squareBit(to);

    if (flags & FLAG_PROMOTION) {
        board->material += pieceValues[m->promotion] - pieceValues[board->squares[to]];
        board->squares[to] = m->promotion;
        board->pieceList[m->promotion > EMPTY][board->pieceIndex[from]].piece = m->promotion;
    }
    if (flags & FLAG_ENPASSANT) {
        board->squares[enPassantVictim(m)] = EMPTY;
        board->occupied ^= squareBit(enPassantVictim(m));
    }

    board->lastCaptureSquare = NO_SQUARE;
    board->lastCapturedPiece = EMPTY;
    if (flags & FLAG_CAPTURE) {
        board->lastCaptureSquare = std::uint8_t(to);
        board->lastCapturedPiece = m->captured;
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
    if (flags & FLAG_CASTLE) {
        unmakeCastling(board, m);
        return;
    }
    if (board->squares[to] == WHITE_KING) board->kingSquare[0] = std::uint8_t(from);
    else if (board->squares[to] == BLACK_KING) board->kingSquare[1] = std::uint8_t(from);

    board->squares[from] = board->squares[to];
    board->squares[to] = m->captured;
    board->occupied |= squareBit(from);
    if (m->captured == EMPTY) board->occupied ^= squareBit(to);
    board->pieceIndex[from] = board->pieceIndex[to];
    const int side = board->squares[from] > EMPTY;
    board->pieceList[side][board->pieceIndex[from]].square = std::uint8_t(from);

    if (flags & FLAG_PROMOTION) {
        const std::uint8_t pawn = m->promotion > EMPTY ? BLACK_PAWN : WHITE_PAWN;
        board->material += pieceValues[pawn] - pieceValues[m->promotion];
        board->squares[from] = pawn;
        board->pieceList[side][board->pieceIndex[from]].piece = pawn;
    }
    int victim = to;
    if (flags & FLAG_ENPASSANT) {
        victim = enPassantVictim(m);
        board->squares[victim] = m->captured;
        board->squares[to] = EMPTY;
        board->occupied ^= squareBit(victim) ^ squareBit(to);
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
    board->sideToMove ^= 1;
    if (m->flags & FLAG_CASTLE) {
        castleMenSimple(board, castlingPathOf(board, m), m->piece > EMPTY, true);
        return;
    }
    std::uint8_t* squares = board->squares;
    const int from = m->from, to = m->to;
    if (squares[from] == WHITE_KING || squares[from] == BLACK_KING)
        board->kingSquare[squares[from] == BLACK_KING] = std::uint8_t(to);
    squares[to] = squares[from];
    squares[from] = EMPTY;
    board->occupied = (board->occupied & ~squareBit(from)) | squareBit(to);
    if (m->flags & FLAG_PROMOTION) squares[to] = m->promotion;
    if (m->flags & FLAG_ENPASSANT) {
        squares[enPassantVictim(m)] = EMPTY;
        board->occupied ^= squareBit(enPassantVictim(m));
    }
}

void unmakeMoveSimple(Board* board, Move* m)
{
    board->epSquare = m->oldEnPassant;
    board->sideToMove ^= 1;
    board->castlingRights = m->oldCastling;
    if (m->flags & FLAG_CASTLE) {
        castleMenSimple(board, castlingPathOf(board, m), m->piece > EMPTY, false);
        return;
    }
    std::uint8_t* squares = board->squares;
    const int from = m->from, to = m->to;
    if (squares[to] == WHITE_KING || squares[to] == BLACK_KING)
        board->kingSquare[squares[to] == BLACK_KING] = std::uint8_t(from);
    squares[from] = squares[to];
    squares[to] = m->captured;
    board->occupied |= squareBit(from);
    if (m->captured == EMPTY) board->occupied ^= squareBit(to);
    if (m->flags & FLAG_PROMOTION) squares[from] = m->promotion > EMPTY ? BLACK_PAWN : WHITE_PAWN;
    if (m->flags & FLAG_ENPASSANT) {
        squares[enPassantVictim(m)] = m->captured;
        squares[to] = EMPTY;
        board->occupied ^= squareBit(enPassantVictim(m)) ^ squareBit(to);
    }
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

char* moveToText(const Board* board, const Move* m, char* buf)
{
    if (!(m->flags & FLAG_CASTLE) || board->castlingStyle == CASTLING_KING_MOVE)
        return moveToString(m, buf);
    const CastlingPath& p = castlingPathOf(board, m);
    if (board->castlingStyle == CASTLING_O_O) {
        std::strcpy(buf, p.kingTo < p.rookTo ? "O-O-O" : "O-O");
        return buf;
    }
    Move kingTakesRook = *m;
    kingTakesRook.to = p.rook;
    return moveToString(&kingTakesRook, buf);
}

bool boardIsOk(const Board* board)
{
    int material = 0;
    int onSquares[2] = {0, 0};
    std::uint64_t occupied = 0;
    for (int sq = 0; sq < 128; ++sq) {
        const int code = board->squares[sq];
        if (!onBoard(sq)) {
            if (code != OFF_BOARD) return false;
            continue;
        }
        if (code == OFF_BOARD || code > BLACK_KING) return false;
        material += pieceValues[code];
        if (code == EMPTY) continue;
        occupied |= squareBit(sq);
        const int side = code > EMPTY;
        ++onSquares[side];
        const int slot = board->pieceIndex[sq];
        if (slot >= board->pieceListLength[side]) return false;
        const PieceEntry& e = board->pieceList[side][slot];
        if (e.alive != 1 || e.square != sq || e.piece != code) return false;
    }
    if (material != board->material || occupied != board->occupied) return false;
    for (int side = 0; side < 2; ++side) {
        if (board->pieceListLength[side] > 24) return false;
        int alive = 0;
        for (int slot = 0; slot < board->pieceListLength[side]; ++slot) {
            const PieceEntry& e = board->pieceList[side][slot];
            if (e.alive != 1) continue;
            ++alive;
            if (board->squares[e.square] != e.piece || board->pieceIndex[e.square] != slot)
                return false;
        }
        if (alive != board->pieceCount[side] || alive != onSquares[side]) return false;
        const int king = side ? BLACK_KING : WHITE_KING;
        if (board->kingSquare[side] != board->pieceList[side][0].square
            || board->squares[board->kingSquare[side]] != king)
            return false;
    }
    return true;
}
