#pragma once

#include <string>
#include <vector>

namespace vardeck::study {

// One colour per system, the same in every picture and table: the built-in systems keep theirs
// whatever the list, any other name takes the next free colour in the order of the list. No
// colour is red or green, which the report keeps for worse and better.
std::vector<std::string> systemColours(const std::vector<std::string>& names);

}  // namespace vardeck::study
