#include "study/comma_list.h"

namespace vardeck::study {

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

}  // namespace vardeck::study
