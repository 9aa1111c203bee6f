#pragma once

#include <string>

namespace vardeck::study {

// printf-style formatting appended to `out`, however long.
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// `value` with `decimals` digits after the point, rounded; a value that rounds to zero is never
// written "-0".
std::string fixedText(double value, int decimals);

}  // namespace vardeck::study
