#pragma once

#include <string>
#include <vector>

namespace vardeck::study {

// What one run can produce: it lasts at most `maxSteps` steps and has `callers` callers.
struct RunBounds {
    long long maxSteps = 0;
    long long callers = 0;
};

// Checks the cells of a row of `compare --csv`, one per column of compareColumns(), against
// what `compare` writes in that column for such a run: a system's name, a whole number or a
// finite decimal within what the run can give (a wait at most its steps, a share from 0 to 1,
// a count at most its callers), and an empty cell only where `compare` leaves one. Returns
// what is wrong with the first bad cell, empty when the row is sound.
std::string checkCompareRow(const std::vector<std::string>& cells, const RunBounds& bounds);

// Whether `text` is a whole number from 0 to `max`, as the program writes them (digits only).
bool isWholeNumber(const std::string& text, long long max, long long* value = nullptr);

}  // namespace vardeck::study
