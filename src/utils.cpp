#include "utils.h"

#include <sys/time.h>

std::int64_t timer()
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    return std::int64_t(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
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
