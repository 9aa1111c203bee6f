#include "neuro/image_name.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace vardeck {

std::string numberedImageName(float ksu, const char* image) {
    // Done in double from the float: in float, 100 * 0.095f would round up to 9.5 and pick 020.
    double hundredths = std::floor(100.0 * static_cast<double>(ksu) + 0.5);
    // Hundredths that no int holds (NaN and the infinities too) have no name by the rule; they
    // are taken as 0 for NaN and as -1000000 or 1000000 beyond the ends.
    constexpr double kLimit = 1000000.0;
    if (std::isnan(hundredths)) {
        hundredths = 0.0;
    } else if (hundredths < static_cast<double>(std::numeric_limits<int>::min())) {
        hundredths = -kLimit;
    } else if (hundredths > static_cast<double>(std::numeric_limits<int>::max())) {
        hundredths = kLimit;
    }
    const long long m = static_cast<long long>(hundredths) + 10;
    const long long number = m - (m % 20);
    char digits[32];
    std::snprintf(digits, sizeof digits, ".%03lld", number);
    return image + std::string(digits);
}

}  // namespace vardeck
