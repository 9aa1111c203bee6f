#include "study/formatted_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace vardeck::study {

void appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        const std::size_t at = out.size();
        out.resize(at + std::size_t(n) + 1);
        std::vsnprintf(out.data() + at, std::size_t(n) + 1, format, again);
        out.resize(at + std::size_t(n));
    }
    va_end(again);
}

std::string fixedText(double value, int decimals) {
    std::string text;
    appendf(text, "%.*f", decimals, std::fabs(value) < 1e-12 ? 0.0 : value);
    return text;
}

}  // namespace vardeck::study
