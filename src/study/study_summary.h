#pragma once

#include <optional>
#include <string>
#include <vector>

#include "study/statistics.h"
#include "study/study_plan.h"

namespace vardeck::study {

// The measures summarised over the seeds, and those compared with the baseline seed by seed.
// Per-lamp measures first, as the files have always had them; the per-passenger ones follow.
inline constexpr const char* kSummaryMeasures[] = {
    "wait_mean",      "wait_p95",         "wait_max",      "wait_sq_mean",
    "eff_mean",       "floors",           "openings",      "dest_time_mean",
    "still_waiting",  "pax_wait_mean",    "pax_wait_p95",  "pax_wait_max",
    "pax_long_share", "pax_journey_mean", "pax_wrong_way", "pax_unserved"};
inline constexpr const char* kDifferenceMeasures[] = {
    "wait_mean",    "wait_p95",     "dest_time_mean", "floors",          "pax_wait_mean",
    "pax_wait_p95", "pax_wait_max", "pax_long_share", "pax_journey_mean"};

// The family-wise level of the study's tests.
inline constexpr double kSignificanceLevel = 0.05;

// One (profile, demand, system) of a study.
struct CellSummary {
    StudyProfile profile = TrafficProfile::InterFloor;
    double demand = 0;
    SystemChoice system = SystemKind::Schedule;
    std::size_t runs = 0;
    std::vector<MeanInterval> measures;  // as kSummaryMeasures
    // As kDifferenceMeasures; all empty for the baseline. A difference without spread has no
    // p and no adjusted p.
    std::vector<PairedTest> differences;
    std::vector<std::optional<double>> holmP;
    std::vector<bool> significant;  // adjusted p below kSignificanceLevel
    // The difference's interval at the level that clears 0 exactly when it is significant.
    std::vector<MeanInterval> holmIntervals;
};

// Every run of the plan by index, each its row of `compare --csv`. The summary is worked out
// from these texts, so a study and its merged shards agree to the last digit.
std::vector<CellSummary> summarizeStudy(const StudyPlan& plan,
                                        const std::vector<std::string>& runRows);

std::string summaryCsv(const StudyPlan& plan, const std::vector<CellSummary>& cells);

// runs.csv: its header, and the line of one run.
std::string runsCsvHeader();
std::string runsCsvLine(const StudyRun& run, const std::string& row);

}  // namespace vardeck::study
