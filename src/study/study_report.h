#pragma once

#include <string>
#include <vector>

#include "study/study_plan.h"
#include "study/study_summary.h"

namespace vardeck::study {

// The study as one self-contained HTML page: its parameters; per profile, four measures per
// passenger against demand with 95 % bands, each beside the paired differences from the
// baseline; and one table per measure, under a banner with `warnings` when there are any. Two
// plots to a row at any width above a phone's, tables a column per system. Inline SVG and CSS
// only: nothing is fetched and nothing runs.
std::string renderStudyReport(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                              const std::vector<std::string>& warnings = {},
                              const std::string& periodSection = {});

}  // namespace vardeck::study
