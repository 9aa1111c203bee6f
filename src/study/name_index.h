#pragma once

#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vardeck::study {

// The place of `name` among `names` (a column, a measure). The program asks only for names it
// knows, so one that is missing is a fault of the program, told at once instead of read as the
// first column.
template <class Names>
std::size_t indexOfName(const Names& names, std::string_view name) {
    std::size_t i = 0;
    for (const auto& known : names) {
        if (std::string_view(known) == name) return i;
        ++i;
    }
    throw std::logic_error("no column or measure named '" + std::string(name) + "'");
}

}  // namespace vardeck::study
