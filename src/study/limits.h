#pragma once

#include <cstdint>

namespace vardeck::study {

// The ranges that the command line and the study's files accept alike.

// Traffic is 1 to this many steps long.
inline constexpr long long kMaxTrafficSteps = 100'000'000;
// A traffic holds at most this many callers.
inline constexpr long long kMaxTrafficCalls = 1'000'000;
// Seeds are the 32-bit unsigned numbers.
inline constexpr long long kMaxSeed = UINT32_MAX;
// A study has 2 to this many seeds per cell: one seed has no spread.
inline constexpr long long kMinStudySeeds = 2;
inline constexpr long long kMaxStudySeeds = 1'000'000;
// Waits longer than this many steps are long unless the caller asks otherwise.
inline constexpr int kDefaultLongWait = 60;
inline constexpr int kMaxLongWait = 1'000'000;

}  // namespace vardeck::study
