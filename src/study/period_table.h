#pragma once

#include <string>
#include <vector>

#include "study/passenger_log.h"
#include "study/study_plan.h"
#include "study/study_summary.h"

namespace vardeck::study {

// periods.csv: for every run of a day profile, one line per period of the day with its
// passengers' count, mean wait and 95th-percentile wait (empty without passengers).
std::string periodsCsvHeader();
std::string periodsCsvLines(const StudyRun& run, const std::vector<PassengerSummary>& periods);

// Checks one run's lines of periods.csv (the cells after profile, demand, seed and system, one
// line each) against its day: a line per period in order, and as many passengers as the run's
// `pax` column has. Returns what is wrong, empty when they are sound.
std::string checkPeriodLines(const StudyRun& run,
                             const std::vector<std::vector<std::string>>& cells, long long pax);

// The report's section on the day profiles: per period and for the whole day, the mean over
// the seeds of each run's mean and 95th-percentile wait per passenger, with the paired
// difference of the mean from the baseline. `periodLines` holds each run's lines by run
// index; empty when the plan has no day profile.
std::string periodTables(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                         const std::vector<std::string>& periodLines);

}  // namespace vardeck::study
