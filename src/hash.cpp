#include "hash.h"

std::uint64_t randomTable[128][16];
std::uint64_t randomTable2[128][16];
std::uint64_t CHASH;

void initZobrist()
{
    // The tables are drawn once per process, so that every caller sees the same keys.
    static bool filled = false;
    if (filled) return;
    filled = true;
    // Interleaved, cell by cell, so both tables follow from the one fixed stream.
    for (int sq = 0; sq < 128; ++sq) {
        for (int i = 0; i < 16; ++i) {
            randomTable[sq][i] = rand64();
            randomTable2[sq][i] = rand64();
        }
    }
    CHASH = randomTable[127][0];
}

void getHashkey(Board* board)
{
    std::uint64_t key = 0, key2 = 0;
    for (int sq = 0; sq < 128; ++sq) {
        const int code = board->squares[sq];
        if (code != OFF_BOARD && code != EMPTY) {
            key ^= randomTable[sq][code];
            key2 ^= randomTable2[sq][code];
        }
    }
    if (board->epSquare != NO_SQUARE) {
        key ^= randomTable[board->epSquare][EP_INDEX];
        key2 ^= randomTable2[board->epSquare][EP_INDEX];
    }
    key ^= randomTable[CASTLING_ROW][board->castlingRights];
    key2 ^= randomTable2[CASTLING_ROW][board->castlingRights];
    if (board->sideToMove) {
        key ^= CHASH;
        key2 ^= CHASH;
    }
    board->hashKey = key;
    board->hashKey2 = key2;
}

void updateHashKey(Board* board, const Move* m)
{
    std::uint64_t key = board->hashKey, key2 = board->hashKey2;
    auto toggle = [&](int sq, int index) {
        key ^= randomTable[sq][index];
        key2 ^= randomTable2[sq][index];
    };
    toggle(m->from, m->piece);
    toggle(m->to, m->piece);
    if (m->flags & FLAG_CAPTURE) {
        if (m->flags & FLAG_ENPASSANT) {
            if (m->piece > EMPTY) toggle(m->to + 16, WHITE_PAWN);
            else toggle(m->to - 16, BLACK_PAWN);
        } else {
            toggle(m->to, m->captured);
        }
    }
    if (m->flags & FLAG_PROMOTION) {
        toggle(m->to, m->piece);
        toggle(m->to, m->promotion);
    }
    if (m->flags & FLAG_CASTLE) {
        if (m->to == G1) { toggle(H1, WHITE_ROOK); toggle(F1, WHITE_ROOK); }
        if (m->to == C1) { toggle(A1, WHITE_ROOK); toggle(D1, WHITE_ROOK); }
        if (m->to == G8) { toggle(H8, BLACK_ROOK); toggle(F8, BLACK_ROOK); }
        if (m->to == C8) { toggle(A8, BLACK_ROOK); toggle(D8, BLACK_ROOK); }
    }
    if (m->oldCastling != board->castlingRights) {
        toggle(CASTLING_ROW, m->oldCastling);
        toggle(CASTLING_ROW, int(board->castlingRights));
    }
    if (m->oldEnPassant != NO_SQUARE) toggle(m->oldEnPassant, EP_INDEX);
    if (board->epSquare != NO_SQUARE) toggle(board->epSquare, EP_INDEX);
    key ^= CHASH;
    key2 ^= CHASH;
    board->hashKey = key;
    board->hashKey2 = key2;
    board->hashHistory[board->gamePly] = key;
}

void toggleNullmoveKeys(Board* board, int oldEnPassant)
{
    board->hashKey ^= CHASH;
    board->hashKey2 ^= CHASH;
    if (oldEnPassant != NO_SQUARE) {
        board->hashKey ^= randomTable[oldEnPassant][EP_INDEX];
        board->hashKey2 ^= randomTable2[oldEnPassant][EP_INDEX];
    }
}
