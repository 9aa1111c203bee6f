// The statistics behind the study's intervals and tests, against worked textbook examples.

#include <gtest/gtest.h>

#include <vector>

#include "study/statistics.h"

namespace vardeck::study {
namespace {

// Student's sleep data (Cushny and Peebles): extra hours of sleep of ten patients under two
// drugs, taken as differences.
const std::vector<double> kSleep = {1.2, 2.4, 1.3, 1.3, 0.0, 1.0, 1.8, 0.8, 4.6, 1.4};

void expectNear(const std::vector<double>& values, const std::vector<double>& expected) {
    ASSERT_EQ(values.size(), expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_NEAR(values[i], expected[i], 1e-12) << i;
}

TEST(StudyStatistics, StudentsSleepDataPaired) {
    // The classic paired analysis gives a mean difference of 1.58 hours, t = 4.0621 with 9
    // degrees of freedom, p = 0.002833 and the 95 % interval 0.7001142 to 2.4598858.
    const PairedTest test = pairedTest(kSleep);
    EXPECT_EQ(test.difference.count, 10u);
    EXPECT_NEAR(test.difference.mean, 1.58, 1e-12);
    ASSERT_TRUE(test.difference.low && test.difference.high && test.p);
    EXPECT_NEAR(*test.difference.low, 0.7001142, 1e-6);
    EXPECT_NEAR(*test.difference.high, 2.4598858, 1e-6);
    EXPECT_NEAR(*test.p, 0.002833, 1e-6);

    // The sign of the differences changes nothing but the side.
    std::vector<double> negated;
    for (double v : kSleep) negated.push_back(-v);
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
    // No spread tests nothing, whether the constant difference is zero or not: the interval is
    // the point, and there is no p to be significant with.
    for (const std::vector<double>& constant :
         {std::vector<double>{-3, -3}, std::vector<double>{2, 2, 2}, std::vector<double>{0, 0}}) {
        const PairedTest t = pairedTest(constant);
        EXPECT_EQ(*t.difference.low, constant[0]);
        EXPECT_EQ(*t.difference.high, constant[0]);
        EXPECT_FALSE(t.p);
    }

    // One value has a mean but no interval or test; none has nothing.
    const std::vector<double> one = {7};
    const PairedTest single = pairedTest(one);
    EXPECT_EQ(single.difference.mean, 7);
    EXPECT_FALSE(single.difference.low || single.p);
    EXPECT_EQ(meanInterval({}).count, 0u);
    EXPECT_FALSE(meanInterval({}).low);
}

TEST(StudyStatistics, HolmAdjustedP) {
    // Sorted 0.012, 0.016, 0.024, 0.3 with m = 4: 4 x 0.012 = 0.048, 3 x 0.016 = 0.048,
    // 2 x 0.024 = 0.048, 1 x 0.3 = 0.3. All three small ones are below 0.05 although
    // Bonferroni (4 p) would keep only the first.
    expectNear(holmAdjusted(std::vector<double>{0.3, 0.024, 0.012, 0.016}),
               {0.3, 0.048, 0.048, 0.048});
    // Sorted 0.001, 0.013, 0.03, 0.04: 0.004, 0.039, 0.06, then 0.04 is raised to 0.06, so the
    // first failure stops the rejections although 0.04 < 0.05 on its own.
    expectNear(holmAdjusted(std::vector<double>{0.04, 0.001, 0.03, 0.013}),
               {0.06, 0.004, 0.06, 0.039});
    // Capped at 1; a p equal to its bound gives exactly the level, which is not below it.
    EXPECT_EQ(holmAdjusted(std::vector<double>{0.9, 0.8}), (std::vector<double>{1, 1}));
    EXPECT_NEAR(holmAdjusted(std::vector<double>{0.025, 0.025})[0], 0.05, 1e-15);
    EXPECT_TRUE(holmAdjusted({}).empty());
}

TEST(StudyStatistics, WhiskerAtTheHolmLevelClearsZeroExactlyWhenSignificant) {
    // The sleep data has p = 0.002833. In a family where Holm raises it to just under
    // and just over 0.05, the whisker drawn at the consistent level must clear 0 and must not.
    const double p = *pairedTest(kSleep).p;
    for (const double adjusted : {0.049, 0.051, 0.01, 0.9}) {
        const MeanInterval whisker = meanInterval(kSleep, holmConsistentConfidence(p, adjusted));
        EXPECT_EQ(*whisker.low > 0, adjusted < 0.05) << adjusted;
    }
}

}  // namespace
}  // namespace vardeck::study
