#pragma once

#include <string>

namespace vardeck::study {

// printf-style formatting appended to `out`, however long.
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace vardeck::study
