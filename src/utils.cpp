// SPDX-License-Identifier: GPL-3.0-or-later
#include "utils.h"

#include <cctype>
#include <chrono>
#include <cstdlib>

std::int64_t timer()
{
    // Monotonic: a clock set back or forward during a game must not bend a search's budget.
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool readWholeNumber(const char* text, int min, int max, int* value)
{
    char* end = nullptr;
    const long long n = std::strtoll(text, &end, 10);  // saturates: out of range either way
    if (end == text || *end != '\0' || n < min || n > max) return false;
    *value = int(n);
    return true;
}

bool readInteger(const char* text, std::int64_t* value)
{
    constexpr long long LIMIT = 1LL << 40;
    char* end = nullptr;
    const long long n = std::strtoll(text, &end, 10);
    if (end == text || *end) return false;
    *value = n > LIMIT ? LIMIT : n < -LIMIT ? -LIMIT : n;
    return true;
}

bool sameText(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

std::uint64_t rand64()
{
    // splitmix64: one fixed stream, independent of the C library's rand()
    static std::uint64_t state = 0x51A7E5EEDULL;
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
