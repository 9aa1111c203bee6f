#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace vardeck::cli {

// The mean of a sample and its two-sided 95 % Student-t confidence interval. With fewer than
// two values there is no interval; with no spread the interval is the mean itself.
struct MeanInterval {
    std::size_t count = 0;
    double mean = 0;
    std::optional<double> low;
    std::optional<double> high;
};

MeanInterval meanInterval(std::span<const double> values);

// The paired t-test of differences (system minus baseline, one per seed): their mean with its
// 95 % interval and the two-sided p-value of "the mean difference is 0". A constant difference
// has no spread: its interval is the point, and p is 0 when it is not zero and 1 when it is.
struct PairedTest {
    MeanInterval difference;
    std::optional<double> p;  // none with fewer than two pairs
};

PairedTest pairedTest(std::span<const double> differences);

// Holm–Bonferroni: which of the hypotheses are rejected at family-wise level `alpha`. The
// p-values are taken from the smallest; the k-th smallest (k from 0) is compared with
// alpha / (m - k), and the first that fails stops the rejections.
std::vector<bool> holmRejections(std::span<const double> pValues, double alpha = 0.05);

}  // namespace vardeck::cli
