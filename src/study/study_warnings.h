#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "study/study_plan.h"

namespace vardeck::study {

// One line per system and reason for runs in which a system did not serve its traffic: it
// answered no hall call although calls were made (a system that never moves would otherwise
// look thrifty), or it left passengers unserved when the run ended. `rows` are the runs'
// rows of `compare --csv`, `indices` their numbers in the plan.
std::vector<std::string> degenerateRunWarnings(const StudyPlan& plan,
                                               const std::vector<std::size_t>& indices,
                                               const std::vector<std::string>& rows);

}  // namespace vardeck::study
