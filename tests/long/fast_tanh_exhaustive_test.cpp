#include <gtest/gtest.h>

#include "tanh_check.h"

namespace vardeck {
namespace {

// All 2^32 floats: within 1 ulp of tanh in double rounded to float, exactly +-1 where that is
// +-1, odd, NaN for NaN, and the same bits on the vector and the scalar path.
TEST(FastTanhExhaustiveTest, EveryFloat) {
    const test::TanhSweep all = test::sweepTanh(0, 0x80000000u, 1);
    EXPECT_TRUE(all.clean()) << test::summary(all);
    EXPECT_EQ(all.checked, 0x80000000u);
}

}  // namespace
}  // namespace vardeck
