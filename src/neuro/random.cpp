#include "neuro/random.h"

#include <cstdint>

namespace vardeck {

namespace {
thread_local std::uint32_t state = 1;
}

int randomInt() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 32767u);
}

void seedRandom(unsigned seed) {
    state = static_cast<std::uint32_t>(seed);
}

std::size_t randomIndex(std::size_t n) {
    if (n <= 32768) return static_cast<std::size_t>(randomInt()) % n;
    std::uint64_t value = 0;
    std::uint64_t range = 1;
    while (range < n) {
        value = value * 32768u + static_cast<std::uint64_t>(randomInt());
        range *= 32768u;
    }
    return static_cast<std::size_t>(value % n);
}

}  // namespace vardeck
