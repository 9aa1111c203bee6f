#pragma once

#include <string>
#include <vector>

#include "study/study_plan.h"
#include "study/study_summary.h"

namespace vardeck::study {

// The study as one self-contained HTML page: its parameters, per profile a plot of the mean
// wait against demand with 95 % bands and a plot of the paired differences from the baseline,
// and the summary table, under a banner with `warnings` when there are any. Inline SVG and CSS
// only: nothing is fetched and nothing runs.
std::string renderStudyReport(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                              const std::vector<std::string>& warnings = {},
                              const std::string& periodSection = {});

}  // namespace vardeck::study
