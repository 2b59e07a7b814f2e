// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "attack.h"
#include "movegen.h"

Snapshot snap(const Board* b)
{
    Snapshot s;
    std::memset(&s, 0, sizeof s);
    s.hashKey = b->hashKey, s.hashKey2 = b->hashKey2;
    s.ply = b->ply, s.gamePly = b->gamePly, s.castlingRights = b->castlingRights;
    s.material = b->material, s.sideToMove = b->sideToMove, s.epSquare = b->epSquare;
    for (int side = 0; side < 2; ++side) {
        s.pieceCount[side] = b->pieceCount[side];
        s.kingSquare[side] = b->kingSquare[side];
        s.pieceListLength[side] = b->pieceListLength[side];
        std::copy_n(b->pieceList[side], std::min<int>(b->pieceListLength[side], 24), s.pieceList[side]);
    }
    std::memcpy(s.squares, b->squares, 128);
    for (int sq = 0; sq < 128; ++sq)
        s.occupiedIndex[sq] = (onBoard(sq) && b->squares[sq] != EMPTY) ? b->pieceIndex[sq] : 0;
    return s;
}

std::string moveText(const Move& m)
{
    char buf[8];
    return moveToString(&m, buf);
}

std::vector<std::string> moveTexts(const Move* moves, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(moveText(moves[i]));
    return out;
}

Move legalMove(Board* board, const std::string& text, std::uint8_t legal)
{
    Move moves[MAX_MOVES];
    for (int i = 0, n = generateMoves(board, moves, legal); i < n; ++i)
        if (moveText(moves[i]) == text) return moves[i];
    return NO_MOVE;
}

bool play(Board* board, const std::string& moves, int* played)
{
    int count = 0;
    for (std::size_t at = moves.find_first_not_of(' '); at != std::string::npos;
         at = moves.find_first_not_of(' ', at), ++count) {
        if (played) *played = count;
        // No move's text is the start of another's: e7e8 alone is never legal.
        Move list[MAX_MOVES];
        const int n = generateMoves(board, list, 1);
        int k = n - 1;
        while (k >= 0 && moves.compare(at, moveText(list[k]).size(), moveText(list[k]))) --k;
        if (k < 0 || board->gamePly >= MAX_GAME_PLY) return false;
        at += moveText(list[k]).size();
        Move* m = &board->gameMoves[board->gamePly];
        *m = list[k];
        makeMove(board, m);
        updateHashKey(board, m);
        const int side = board->sideToMove;
        board->inCheck = std::uint8_t(isAttackedSimple(board, board->kingSquare[side], side ^ 1));
    }
    if (played) *played = count;
    return true;
}

void forRandomGames(int games, int plies, std::uint64_t seed, const std::function<void(Board*)>& visit)
{
    for (const char* start : {initialPosition,
                              "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                              "r1bq1rk1/pp2nppp/2n1p3/3pP3/1b1P4/2NB1N2/PP3PPP/R1BQK2R w KQ - 0 9",
                              "2kr3r/pppq1ppp/2n1bn2/3pp3/3PP3/2N1BN2/PPPQ1PPP/2KR3R w - - 0 10",
                              "q6k/1P5P/8/8/8/8/p5p1/K6Q w - - 0 1",
                              "7k/p6p/1p4p1/8/8/1P4P1/P6P/K7 w - - 0 1"}) {
        for (int game = 0; game < games; ++game) {
            BoardPtr board = boardFromFen(start);
            for (int ply = 0; ply < plies; ++ply) {
                visit(board.get());
                Move moves[MAX_MOVES];
                const int n = generateMoves(board.get(), moves, 1);
                if (n == 0) break;
                seed ^= seed << 13;
                seed ^= seed >> 7;
                seed ^= seed << 17;
                Move m = moves[seed % std::uint64_t(n)];
                makeMove(board.get(), &m);
                updateHashKey(board.get(), &m);
            }
        }
    }
}

int runCommand(const std::string& command, std::string* out)
{
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        if (out) out->append(buf, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runTool(const std::string& args, std::string* out)
{
    return runCommand("timeout 120 '" QUILLMAREN_TOOL "' " + args + " 2>/dev/null", out);
}
