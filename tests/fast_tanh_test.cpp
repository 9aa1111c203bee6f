#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "tanh_check.h"

namespace vardeck {
namespace {

// A sample of all floats, and every float near the places where tanh is hardest to get right:
// where it parts from x, where its value crosses 0.5, where it comes within an ulp of 1, and at
// zero and infinity. The whole range, float by float, is checked by vardeck_long_tests.
TEST(FastTanhTest, SampledFloatsAndTheirNeighbourhoodsAreWithinAnUlp) {
    const test::TanhSweep sample = test::sweepTanh(0, 0x80000000u, 4093);
    EXPECT_TRUE(sample.clean()) << test::summary(sample);
    EXPECT_GT(sample.checked, 500000u);

    const float places[] = {
        0.0f, 0x1p-12f, 0.5493061f, 0.55f, 1.0f, 9.010913f, std::numeric_limits<float>::infinity()};
    for (const float place : places) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(place);
        const std::uint32_t first = bits < 20000 ? 0 : bits - 20000;
        const test::TanhSweep near = test::sweepTanh(first, bits + 20000, 1);
        EXPECT_TRUE(near.clean()) << place << ": " << test::summary(near);
    }
}

}  // namespace
}  // namespace vardeck
