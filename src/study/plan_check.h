#pragma once

#include <optional>
#include <string>

#include "study/study_plan.h"

namespace vardeck::study {

// What a plan breaks, and the name of the value at fault: its line in study.txt, its option
// on the command line with "--" before it.
struct PlanProblem {
    const char* key;
    std::string message;
};

// Every rule a study's plan keeps, whether it comes from the command line or from study.txt,
// so that the two never accept different plans.
std::optional<PlanProblem> planProblem(const StudyPlan& plan);

}  // namespace vardeck::study
