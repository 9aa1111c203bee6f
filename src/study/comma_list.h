#pragma once

#include <string>
#include <vector>

namespace vardeck::study {

// The items of a comma-separated text, empty ones included: "a,,b" gives "a", "", "b" and ""
// gives one empty item.
std::vector<std::string> splitCommas(const std::string& text);

// The items as text, `separator` between each two; `text` writes one item.
template <class Items, class Text>
std::string joinList(const Items& items, const char* separator, Text text) {
    std::string joined;
    bool first = true;
    for (const auto& item : items) {
        if (!first) joined += separator;
        joined += text(item);
        first = false;
    }
    return joined;
}

inline std::string joinList(const std::vector<std::string>& items, const char* separator) {
    return joinList(items, separator, [](const std::string& item) { return item; });
}

}  // namespace vardeck::study
