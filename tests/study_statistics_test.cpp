// The statistics behind the study's intervals and tests, against worked textbook examples.

#include <gtest/gtest.h>

#include <vector>

#include "cli/statistics.h"

namespace vardeck::cli {
namespace {

TEST(StudyStatistics, StudentsSleepDataPaired) {
    // Student's sleep data (Cushny and Peebles): extra hours of sleep of ten patients under
    // two drugs, taken as differences. The classic paired analysis gives a mean difference of
    // 1.58 hours, t = 4.0621 with 9 degrees of freedom, p = 0.002833 and the 95 % interval
    // 0.7001142 to 2.4598858.
    const std::vector<double> d = {1.2, 2.4, 1.3, 1.3, 0.0, 1.0, 1.8, 0.8, 4.6, 1.4};
    const PairedTest test = pairedTest(d);
    EXPECT_EQ(test.difference.count, 10u);
    EXPECT_NEAR(test.difference.mean, 1.58, 1e-12);
    ASSERT_TRUE(test.difference.low && test.difference.high && test.p);
    EXPECT_NEAR(*test.difference.low, 0.7001142, 1e-6);
    EXPECT_NEAR(*test.difference.high, 2.4598858, 1e-6);
    EXPECT_NEAR(*test.p, 0.002833, 1e-6);

    // The sign of the differences changes nothing but the side.
    std::vector<double> negated;
    for (double v : d) negated.push_back(-v);
    const PairedTest mirrored = pairedTest(negated);
    EXPECT_NEAR(*mirrored.difference.low, -2.4598858, 1e-6);
    EXPECT_NEAR(*mirrored.p, *test.p, 1e-15);
}

TEST(StudyStatistics, SmallSampleInterval) {
    // 1..5: mean 3, standard error sqrt(2.5 / 5); t(0.975, 4) = 2.776445.
    const std::vector<double> values = {1, 2, 3, 4, 5};
    const MeanInterval m = meanInterval(values);
    EXPECT_DOUBLE_EQ(m.mean, 3);
    EXPECT_NEAR(*m.low, 3 - 2.776445 * 0.7071068, 1e-5);
    EXPECT_NEAR(*m.high, 3 + 2.776445 * 0.7071068, 1e-5);
    // t = 3 / 0.7071068 = 4.2426 on 4 degrees of freedom: p = 0.01324.
    EXPECT_NEAR(*pairedTest(values).p, 0.01324, 1e-5);
}

TEST(StudyStatistics, DegenerateSamples) {
    // No spread: the interval is the point, and a test is certain either way.
    const std::vector<double> constant = {2, 2, 2};
    const PairedTest shifted = pairedTest(constant);
    EXPECT_EQ(*shifted.difference.low, 2);
    EXPECT_EQ(*shifted.difference.high, 2);
    EXPECT_EQ(*shifted.p, 0);
    const std::vector<double> zeros = {0, 0, 0, 0};
    EXPECT_EQ(*pairedTest(zeros).p, 1);

    // One value has a mean but no interval or test; none has nothing.
    const std::vector<double> one = {7};
    const PairedTest single = pairedTest(one);
    EXPECT_EQ(single.difference.mean, 7);
    EXPECT_FALSE(single.difference.low || single.p);
    EXPECT_EQ(meanInterval({}).count, 0u);
    EXPECT_FALSE(meanInterval({}).low);
}

TEST(StudyStatistics, HolmBonferroniStepsDown) {
    // Sorted: 0.012 < 0.05/4, 0.016 < 0.05/3, 0.024 < 0.05/2, but 0.3 > 0.05. Bonferroni
    // alone would keep only 0.012; testing each at 0.05 would keep all three too, so here the
    // step-down matters.
    EXPECT_EQ(holmRejections(std::vector<double>{0.3, 0.024, 0.012, 0.016}),
              (std::vector<bool>{false, true, true, true}));
    // The first failure stops it: 0.03 > 0.05/2, so 0.04 is kept although 0.04 < 0.05/1.
    EXPECT_EQ(holmRejections(std::vector<double>{0.04, 0.001, 0.03, 0.013}),
              (std::vector<bool>{false, true, false, true}));
    // A p equal to its bound is not below it.
    EXPECT_EQ(holmRejections(std::vector<double>{0.025, 0.025}), (std::vector<bool>{false, false}));
    EXPECT_TRUE(holmRejections({}).empty());
}

}  // namespace
}  // namespace vardeck::cli
