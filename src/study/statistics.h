#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace vardeck::study {

// The mean of a sample and its two-sided 95 % Student-t confidence interval. With fewer than
// two values there is no interval; with no spread the interval is the mean itself.
struct MeanInterval {
    std::size_t count = 0;
    double mean = 0;
    std::optional<double> low;
    std::optional<double> high;
};

// `confidence` is the two-sided level of the interval, 0.95 unless asked otherwise.
MeanInterval meanInterval(std::span<const double> values, double confidence = 0.95);

// The paired t-test of differences (system minus baseline, one per seed): their mean with its
// 95 % interval and the two-sided p-value of "the mean difference is 0". A sample without
// spread (a constant difference, or fewer than two pairs) tests nothing: it has no p, so it is
// never significant and stays out of any correction for multiple tests.
struct PairedTest {
    MeanInterval difference;
    std::optional<double> p;
};

PairedTest pairedTest(std::span<const double> differences);

// Holm–Bonferroni adjusted p-values: sorted from the smallest, the k-th (k from 0) becomes
// (m - k) p, raised to the largest adjusted value before it and capped at 1. A hypothesis is
// rejected at family-wise level alpha exactly when its adjusted p is below alpha.
std::vector<double> holmAdjusted(std::span<const double> pValues);

// The confidence level whose interval clears 0 exactly when the adjusted p is below alpha:
// 1 - alpha p / adjusted. A whisker drawn at this level tells the same as the adjusted p.
double holmConsistentConfidence(double p, double adjusted, double alpha = 0.05);

// The nearest-rank percentile: the smallest of `values` that at least `share` of them do not
// exceed. `values` may not be empty, and comes back reordered.
template <class T>
T nearestRank(std::vector<T>& values, double share) {
    const auto rank = static_cast<std::size_t>(std::ceil(share * double(values.size())));
    const auto at = values.begin() + std::ptrdiff_t(std::max<std::size_t>(rank, 1) - 1);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

}  // namespace vardeck::study
