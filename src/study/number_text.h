#pragma once

#include <optional>
#include <string>

namespace vardeck::study {

// A whole number written with digits only, and a number of digits with at most one decimal
// point: no blanks, sign, exponent or hex, so that what a user writes is read one way only.
std::optional<long long> parseInteger(const std::string& text);
std::optional<double> parseNumber(const std::string& text);

}  // namespace vardeck::study
