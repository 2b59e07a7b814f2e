// SPDX-License-Identifier: GPL-3.0-or-later
#include "display.h"

#include <cstdio>

namespace {

constexpr const char* DASH_LINE = "   -------------------------------------------------";

char pieceLetter(int code) { return code >= 0 && code < 14 ? pcString[code] : '?'; }

}  // namespace

void setColor(int attribute, int foreground, int background)
{
    char sequence[32];
    std::snprintf(sequence, sizeof sequence, "%c[%d;%d;%dm", 27, attribute, 30 + foreground,
                  40 + background);
    std::printf("%s", sequence);
}

void displayBoard(const Board* board)
{
    setColor(1, 7, 0);
    std::printf("%s\n", DASH_LINE);
    for (int r = 7; r >= 0; --r) {
        setColor(1, 3, 0);
        std::printf("%i  ", r + 1);
        setColor(1, 7, 0);
        std::printf("|");
        for (int f = 0; f < 8; ++f) {
            const int code = board->squares[r * 16 + f];
            const int foreground = code > EMPTY ? 4 : 1;
            const int background = (r + f) % 2 == 0 ? 0 : 7;  // a1 is dark
            setColor(1, foreground, background);
            std::printf("  %c  ", pieceLetter(code));
            setColor(1, 7, 0);
            std::printf("|");
        }
        std::printf("\n%s\n", DASH_LINE);
    }
    setColor(1, 3, 0);
    std::printf("      A     B     C     D     E     F     G     H\n");
    setColor(1, 2, 0);
    std::printf("\t\t[Ply %d: %s to move.]\n", int(board->ply), board->sideToMove ? "Black" : "White");
    std::printf("\t[Material balance = %d, nWhite = %d, nBlack = %d].\n", int(board->material),
                int(board->pieceCount[0]), int(board->pieceCount[1]));
    std::printf("\t[Castling status: %d, wKing on %s, bKing on %s]\n", int(board->castlingRights),
                sqString[board->kingSquare[0] & 127].data(), sqString[board->kingSquare[1] & 127].data());
    std::printf("\t[Hash key: %x]\n", unsigned(board->hashKey & 0xFFFFFFFFu));
    setColor(0, 7, 0);
}
