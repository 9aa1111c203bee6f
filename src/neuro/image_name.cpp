#include "neuro/image_name.h"

#include <cmath>
#include <cstdio>

namespace vardeck {

std::string numberedImageName(float ksu) {
    // Done in double from the float: in float, 100 * 0.095f would round up to 9.5 and pick 020.
    double hundredths = std::floor(100.0 * static_cast<double>(ksu) + 0.5);
    // A coefficient far outside 0..1 (or NaN) only has to give some name without overflowing.
    constexpr double kLimit = 1000000.0;
    if (!(hundredths >= -kLimit)) hundredths = std::isnan(hundredths) ? 0.0 : -kLimit;
    if (hundredths > kLimit) hundredths = kLimit;
    const int m = static_cast<int>(hundredths) + 10;
    const int number = m - (m % 20);
    char name[32];
    std::snprintf(name, sizeof name, "solver.img.%03d", number);
    return name;
}

}  // namespace vardeck
