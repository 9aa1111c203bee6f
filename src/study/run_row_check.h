#pragma once

#include <string>
#include <vector>

namespace vardeck::study {

// Checks the cells of a row of `compare --csv`, one per column of compareColumns(), against
// what `compare` writes in that column: a system's name, a whole number or a finite decimal in
// its range, and an empty cell only where `compare` leaves one. Returns what is wrong with the
// first bad cell, empty when the row is sound.
std::string checkCompareRow(const std::vector<std::string>& cells);

// Whether `text` is a whole number from 0 to `max`, as the program writes them (digits only).
bool isWholeNumber(const std::string& text, long long max, long long* value = nullptr);

}  // namespace vardeck::study
