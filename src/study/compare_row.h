#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "study/service_meter.h"

namespace vardeck::study {

// The columns of `compare`, in order; `study` writes the same ones after its own.
const std::vector<std::string>& compareColumns();

// The position of a column in compareColumns(); an unknown name throws std::logic_error.
std::size_t compareColumnIndex(const char* name);

// The numbers of a row of `compare --csv`, none for an empty cell or one that is no number.
std::vector<std::optional<double>> compareRowValues(const std::string& row);

// One row of `compare`: with `csv` full precision and empty cells for missing measures,
// otherwise the table's rounding and '-'.
std::vector<std::string> compareRowCells(const ServiceReport& report, bool csv);

// The measures of a run as a controller's `end` line gives them: KEY=VALUE one space apart,
// named and written as `compare --csv` writes them, KEY= for a measure without a value.
std::string controllerMeasures(const ServiceReport& report);

// The car gets this many steps after the last entry to finish the traffic.
inline constexpr long long kStepsAfterTraffic = 200;
// Runs without a step count stop here, however long the recording.
inline constexpr long long kDefaultStepCap = 10'000'000;

// The step of the last entry, -1 for an empty recording.
long long lastRecordedStep(const PressEntries& entries);
// Steps that play the whole recording and leave the car kStepsAfterTraffic steps to finish, at
// most `cap`.
long long defaultRunSteps(const PressEntries& entries, long long cap);

}  // namespace vardeck::study
