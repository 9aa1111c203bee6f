#pragma once

#include <cstddef>
#include <cstring>

namespace vardeck {

// Eight floats side by side, for the network's loops over whole blocks of neurons. Arithmetic on
// them is IEEE arithmetic lane by lane, so a block gives the same bits as eight floats computed one
// by one. Without AVX the compiler uses two SSE halves.
constexpr std::size_t kFloatLanes = 8;
using FloatLanes = float __attribute__((vector_size(kFloatLanes * sizeof(float))));

inline void loadLanes(FloatLanes& lanes, const float* from) {
    std::memcpy(&lanes, from, sizeof lanes);
}

inline void storeLanes(float* to, const FloatLanes& lanes) {
    std::memcpy(to, &lanes, sizeof lanes);
}

}  // namespace vardeck

// A function built twice: for AVX2 and for every x86-64, the one the processor can run chosen
// when the program loads. Never with FMA, which would round differently. ThreadSanitizer builds
// have only the second: its instrumented chooser would run before the sanitizer is set up. Nor
// do clang builds (the fuzz targets): clang refuses eight-float arguments between the clones.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define VARDECK_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VARDECK_AVX2_CLONES
#endif
