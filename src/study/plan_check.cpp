#include "study/plan_check.h"

#include <algorithm>

#include "study/limits.h"
#include "study/system_choice.h"

namespace vardeck::study {

namespace {

// A value outside its range, as the command line would have refused it.
std::optional<PlanProblem> outside(const char* key, double value, double min, double max) {
    if (value >= min && value <= max) return std::nullopt;
    return PlanProblem{key, std::string(key) + " " + shortestNumber(value) + " is not within " +
                                shortestNumber(min) + " to " + shortestNumber(max)};
}

}  // namespace

std::optional<PlanProblem> planProblem(const StudyPlan& plan) {
    if (plan.profiles.empty()) return PlanProblem{"profiles", "the list of profiles is empty"};
    if (plan.demands.empty()) return PlanProblem{"demands", "the list of demands is empty"};
    if (plan.systems.empty()) return PlanProblem{"systems", "the list of systems is empty"};
    for (const auto& problem :
         {outside("seeds", double(plan.seeds), kMinStudySeeds, kMaxStudySeeds),
          outside("steps", plan.steps, 1, kMaxTrafficSteps),
          outside("no-destination-share", plan.noDestinationShare, 0, 1),
          outside("long-wait", plan.longWait, 0, kMaxLongWait)})
        if (problem) return problem;
    if (std::find(plan.systems.begin(), plan.systems.end(), plan.baseline) == plan.systems.end())
        return PlanProblem{"baseline",
                           "the baseline '" + plan.baseline.name() + "' is not among the systems"};
    if (plan.firstSeed + (plan.seeds - 1) > std::uint64_t(kMaxSeed))
        return PlanProblem{"first-seed", "the seeds run past " + std::to_string(kMaxSeed)};
    if (!plan.runCountWithin(kMaxStudyRuns))
        return PlanProblem{"seeds", "the study would have more than " +
                                        std::to_string(kMaxStudyRuns) +
                                        " runs; split it into several studies"};
    for (double demand : plan.demands) {
        const int calls = plan.callsFor(demand);
        if (calls < 1)
            return PlanProblem{"demands", "the demand " + shortestNumber(demand) +
                                              " gives no call in " + std::to_string(plan.steps) +
                                              " steps"};
        if (calls > kMaxTrafficCalls)
            return PlanProblem{"demands", "the demand " + shortestNumber(demand) +
                                              " gives more than " +
                                              std::to_string(kMaxTrafficCalls) + " calls"};
    }
    return std::nullopt;
}

}  // namespace vardeck::study
