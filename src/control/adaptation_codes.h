#pragma once

namespace vardeck {

// How the efficiency moved from the older to the newer half of the meter's window, and what the
// adaptive system then did to KSU, in the codes that the settings file, the teacher's patterns
// and its inputs use. Both are kNotChecked before the first adaptation check.
inline constexpr int kNotChecked = 0;

inline constexpr int kTrendFell = 1;
inline constexpr int kTrendSteady = 2;
inline constexpr int kTrendRose = 3;

inline constexpr int kKsuLowered = 1;
inline constexpr int kKsuKept = 2;
inline constexpr int kKsuRaised = 3;

}  // namespace vardeck
