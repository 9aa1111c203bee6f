#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/statistics.h"
#include "cli/study_plan.h"

namespace vardeck::cli {

// The measures summarised over the seeds, and those compared with the baseline seed by seed.
inline constexpr const char* kSummaryMeasures[] = {
    "wait_mean", "wait_p95", "wait_max",       "wait_sq_mean", "eff_mean",
    "floors",    "openings", "dest_time_mean", "still_waiting"};
inline constexpr const char* kDifferenceMeasures[] = {"wait_mean", "wait_p95", "dest_time_mean",
                                                      "floors"};

// One (profile, demand, system) of a study.
struct CellSummary {
    TrafficProfile profile = TrafficProfile::InterFloor;
    double demand = 0;
    SystemKind system = SystemKind::Schedule;
    std::size_t runs = 0;
    std::vector<MeanInterval> measures;  // as kSummaryMeasures
    // As kDifferenceMeasures; empty for the baseline.
    std::vector<PairedTest> differences;
    std::vector<bool> significant;
};

// Every run of the plan by index, each its row of `compare --csv`. The summary is worked out
// from these texts, so a study and its merged shards agree to the last digit.
std::vector<CellSummary> summarizeStudy(const StudyPlan& plan,
                                        const std::vector<std::string>& runRows);

std::string summaryCsv(const StudyPlan& plan, const std::vector<CellSummary>& cells);

// runs.csv: its header, and the line of one run.
std::string runsCsvHeader();
std::string runsCsvLine(const StudyRun& run, const std::string& row);

}  // namespace vardeck::cli
