#include "cli/arguments.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vardeck::cli {

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

std::string Arguments::value(const std::string& name) {
    if (done()) throw UsageError{name + " needs a value"};
    return take();
}

long long Arguments::integer(const std::string& name, long long min, long long max) {
    const std::string text = value(name);
    const auto parsed = parseInteger(text);
    if (!parsed || *parsed < min || *parsed > max)
        throw UsageError{name + " wants a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'"};
    return *parsed;
}

double Arguments::number(const std::string& name) {
    const std::string text = value(name);
    const auto parsed = parseNumber(text);
    if (!parsed) throw UsageError{name + " wants a number, not '" + text + "'"};
    return *parsed;
}

}  // namespace vardeck::cli
