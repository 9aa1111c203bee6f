#include "cli/arguments.h"

#include "study/number_text.h"

namespace vardeck::cli {

using namespace study;

using study::parseInteger;
using study::parseNumber;

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

double Arguments::share(const std::string& name) {
    const double share = number(name);
    if (share < 0 || share > 1)
        throw UsageError{name + " wants a share from 0 to 1, not " + std::to_string(share)};
    return share;
}

std::string Arguments::nonEmpty(const std::string& name, const char* what) {
    std::string text = value(name);
    if (text.empty()) throw UsageError{name + " needs " + what};
    return text;
}

}  // namespace vardeck::cli
