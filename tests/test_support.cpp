#include "test_support.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

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
