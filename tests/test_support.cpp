#include "test_support.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

std::string flipFen(const std::string& fen)
{
    std::istringstream in(fen);
    std::string placement, side, castling, rest;
    in >> placement >> side >> castling;
    std::vector<std::string> ranks;
    std::stringstream ps(placement);
    for (std::string r; std::getline(ps, r, '/');) ranks.push_back(r);
    std::reverse(ranks.begin(), ranks.end());
    std::string out;
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        if (i) out += '/';
        for (char c : ranks[i])
            out += std::isalpha(static_cast<unsigned char>(c))
                ? char(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c))
                : c;
    }
    std::string flippedCastling;
    for (char c : castling)
        flippedCastling += c == '-' ? c : char(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c));
    if (flippedCastling.empty()) flippedCastling = "-";
    return out + (side == "w" ? " b " : " w ") + flippedCastling + " - 0 1";
}
