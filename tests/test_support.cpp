#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "movegen.h"

namespace {

char swapCase(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return char(std::isupper(u) ? std::tolower(u) : std::isalpha(u) ? std::toupper(u) : c);
}

}  // namespace

std::string flipFen(const std::string& fen)
{
    std::istringstream in(fen);
    std::string placement, side, castling;
    in >> placement >> side >> castling;
    std::vector<std::string> ranks;
    std::stringstream ps(placement);
    for (std::string r; std::getline(ps, r, '/');) ranks.push_back(r);
    std::reverse(ranks.begin(), ranks.end());
    std::ostringstream out;
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        if (i) out << '/';
        for (char c : ranks[i]) out << swapCase(c);
    }
    out << (side == "w" ? " b " : " w ");
    for (char c : castling) out << swapCase(c);
    out << (castling.empty() ? "-" : "") << " - 0 1";
    return out.str();
}

void forRandomGames(std::initializer_list<const char*> starts, int games, int plies,
                    std::uint64_t seed, const std::function<void(Board*)>& visit)
{
    for (const char* start : starts) {
        for (int game = 0; game < games; ++game) {
            BoardPtr board = boardFromFen(start);
            ASSERT_TRUE(board) << start;
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
