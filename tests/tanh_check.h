#pragma once

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "neuro/fast_tanh.h"

namespace vardeck::test {

// What a sweep of the network's tanh over float bit patterns found.
struct TanhSweep {
    std::uint64_t checked = 0;       // bit patterns, each positive one with its negative
    std::uint64_t tooFar = 0;        // more than 1 ulp from tanh in double rounded to float
    std::uint64_t notSaturated = 0;  // the true value rounds to +-1, the result is not exactly that
    std::uint64_t pathsDiffer = 0;   // the vector and the scalar path give other bits
    std::uint64_t notOdd = 0;  // tanh(-x) is not -tanh(x), or a NaN goes in and none comes out
    std::vector<std::string> examples;

    bool clean() const { return tooFar + notSaturated + pathsDiffer + notOdd == 0; }
};

namespace detail {

// Floats in the order of their values as integers, so that neighbouring floats differ by 1.
inline std::int64_t orderedBits(float f) {
    const auto bits = std::bit_cast<std::int32_t>(f);
    return bits < 0 ? -static_cast<std::int64_t>(bits & 0x7fffffff) : bits;
}

inline std::uint32_t bitsOf(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

inline std::string describe(const char* what, float x, float result, float wanted) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: x %a gives %a, wanted %a", what, double(x),
                  double(result), double(wanted));
    return line;
}

}  // namespace detail

// Checks the positive bit patterns first, first + stride, ... below last (at most 2^31), and the
// negative of each, on every hardware thread.
inline TanhSweep sweepTanh(std::uint32_t first, std::uint32_t last, std::uint32_t stride) {
    using detail::bitsOf;
    constexpr std::uint64_t kBlock = std::uint64_t{1} << 14;
    const std::uint64_t count =
        last > first ? (last - first + std::uint64_t{stride} - 1) / stride : 0;
    std::atomic<std::uint64_t> nextBlock{0};
    std::mutex merging;
    TanhSweep total;

    auto work = [&] {
        TanhSweep mine;
        const std::size_t size = kBlock;
        std::vector<float> in(size), negated(size), vector(size), scalar(size), vectorNegated(size),
            scalarNegated(size);
        for (;;) {
            const std::uint64_t begin = nextBlock.fetch_add(kBlock);
            if (begin >= count) break;
            const std::size_t n = static_cast<std::size_t>(std::min(kBlock, count - begin));
            std::fill(in.begin(), in.end(), 0.0f);
            for (std::size_t i = 0; i < n; ++i) {
                in[i] =
                    std::bit_cast<float>(static_cast<std::uint32_t>(first + (begin + i) * stride));
                negated[i] = -in[i];
            }
            fastTanhVector(in.data(), vector.data(), size);
            fastTanhScalar(in.data(), scalar.data(), size);
            fastTanhVector(negated.data(), vectorNegated.data(), size);
            fastTanhScalar(negated.data(), scalarNegated.data(), size);
            for (std::size_t i = 0; i < n; ++i) {
                const float x = in[i];
                const float t = vector[i];
                auto fail = [&](std::uint64_t& counter, const char* what, float result,
                                float wanted) {
                    if (counter++ == 0)
                        mine.examples.push_back(detail::describe(what, x, result, wanted));
                };
                if (bitsOf(t) != bitsOf(scalar[i]) ||
                    bitsOf(vectorNegated[i]) != bitsOf(scalarNegated[i])) {
                    fail(mine.pathsDiffer, "paths differ", scalar[i], t);
                }
                if (std::isnan(x)) {
                    if (!std::isnan(t) || !std::isnan(vectorNegated[i]))
                        fail(mine.notOdd, "NaN", t, x);
                    continue;
                }
                if (bitsOf(vectorNegated[i]) != (bitsOf(t) ^ 0x80000000u))
                    fail(mine.notOdd, "not odd", vectorNegated[i], -t);
                const float wanted = static_cast<float>(std::tanh(static_cast<double>(x)));
                if (std::abs(detail::orderedBits(t) - detail::orderedBits(wanted)) > 1)
                    fail(mine.tooFar, "more than 1 ulp off", t, wanted);
                if (wanted == 1.0f && t != 1.0f) fail(mine.notSaturated, "not 1", t, wanted);
            }
            mine.checked += n;
        }
        std::lock_guard lock(merging);
        total.checked += mine.checked;
        total.tooFar += mine.tooFar;
        total.notSaturated += mine.notSaturated;
        total.pathsDiffer += mine.pathsDiffer;
        total.notOdd += mine.notOdd;
        total.examples.insert(total.examples.end(), mine.examples.begin(), mine.examples.end());
    };
    std::vector<std::thread> threads(std::max(1u, std::thread::hardware_concurrency()));
    for (std::thread& thread : threads) thread = std::thread(work);
    for (std::thread& thread : threads) thread.join();
    return total;
}

inline std::string summary(const TanhSweep& sweep) {
    std::string text = std::to_string(sweep.checked) + " checked, " + std::to_string(sweep.tooFar) +
                       " more than 1 ulp off, " + std::to_string(sweep.notSaturated) +
                       " not saturated, " + std::to_string(sweep.pathsDiffer) +
                       " with differing paths, " + std::to_string(sweep.notOdd) + " not odd";
    for (const std::string& example : sweep.examples) text += "\n  " + example;
    return text;
}

}  // namespace vardeck::test
