#include "study/statistics.h"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <numeric>

namespace vardeck::study {

namespace {

struct Spread {
    double mean = 0;
    double standardError = 0;
};

Spread spreadOf(std::span<const double> values) {
    const double n = double(values.size());
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / n;
    double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    return {mean, std::sqrt(squares / (n - 1) / n)};
}

}  // namespace

MeanInterval meanInterval(std::span<const double> values, double confidence) {
    MeanInterval result;
    result.count = values.size();
    if (values.empty()) return result;
    if (values.size() == 1) {
        result.mean = values[0];
        return result;
    }
    const Spread s = spreadOf(values);
    result.mean = s.mean;
    if (s.standardError == 0) {
        result.low = result.high = s.mean;
        return result;
    }
    const boost::math::students_t t(double(values.size() - 1));
    const double half =
        boost::math::quantile(boost::math::complement(t, (1 - confidence) / 2)) * s.standardError;
    result.low = s.mean - half;
    result.high = s.mean + half;
    return result;
}

PairedTest pairedTest(std::span<const double> differences) {
    PairedTest result;
    result.difference = meanInterval(differences);
    if (differences.size() < 2) return result;
    const Spread s = spreadOf(differences);
    if (s.standardError == 0) return result;
    const boost::math::students_t t(double(differences.size() - 1));
    const double statistic = std::fabs(s.mean / s.standardError);
    result.p = std::min(1.0, 2 * boost::math::cdf(boost::math::complement(t, statistic)));
    return result;
}

std::vector<double> holmAdjusted(std::span<const double> pValues) {
    std::vector<std::size_t> order(pValues.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return pValues[a] < pValues[b]; });
    std::vector<double> adjusted(pValues.size(), 1.0);
    const std::size_t m = pValues.size();
    double running = 0;
    for (std::size_t k = 0; k < m; ++k) {
        running = std::max(running, std::min(1.0, double(m - k) * pValues[order[k]]));
        adjusted[order[k]] = running;
    }
    return adjusted;
}

double holmConsistentConfidence(double p, double adjusted, double alpha) {
    // Both 0 only when p underflowed: any interval that clears 0 will do.
    if (!(adjusted > 0)) return 1 - alpha;
    return 1 - alpha * std::min(1.0, p / adjusted);
}

}  // namespace vardeck::study
