#pragma once

#include <string>
#include <vector>

namespace vardeck::study {

// The items of a comma-separated text, empty ones included: "a,,b" gives "a", "", "b" and ""
// gives one empty item.
std::vector<std::string> splitCommas(const std::string& text);

}  // namespace vardeck::study
