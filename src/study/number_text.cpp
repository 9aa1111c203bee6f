#include "study/number_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vardeck::study {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<long long> parseInteger(const std::string& text) {
    // Digits only: the C library would also take leading blanks and a sign.
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit)) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return value;
}

std::optional<double> parseNumber(const std::string& text) {
    // Digits with at most one decimal point among them: no blanks, sign, exponent or hex.
    const auto digits = std::count_if(text.begin(), text.end(), isDigit);
    const auto points = std::count(text.begin(), text.end(), '.');
    if (digits == 0 || points > 1 || digits + points != static_cast<long>(text.size()))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace vardeck::study
