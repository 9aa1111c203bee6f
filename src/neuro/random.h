#pragma once

#include <cstddef>

namespace vardeck {

// The classic linear congruential generator: uniform integers 0..32767. Every thread has its own
// state, which starts at 1, so a thread that does the same work always draws the same numbers.
int randomInt();

// Sets the calling thread's state (for reproducible runs with a chosen seed).
void seedRandom(unsigned seed);

// A draw in 0..n-1 for n > 0. Up to 32768 it is exactly randomInt() % n; above that single draws
// cannot reach every index, so several draws are combined into one wider number first.
std::size_t randomIndex(std::size_t n);

}  // namespace vardeck
