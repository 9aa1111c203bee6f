#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "study/controller_set.h"
#include "study/service_meter.h"
#include "study/study_plan.h"

namespace vardeck::study {

// What one run of a study gives: its row of `compare --csv` and, if asked, its calls.
struct RunOutcome {
    std::string row;
    std::vector<CallRecord> calls;
    // The passengers of each period of a day profile.
    std::vector<PassengerSummary> periods;
    long long messages = 0;
    std::string firstMessage;
};

// Generates the run's traffic in memory exactly as `generate` would write it and replays it as
// `compare --play` replays that file. With `stop` up it gives up early and returns an empty
// outcome. A controller's run goes through its program in `controllers`.
RunOutcome runStudyRun(const StudyPlan& plan, const StudyRun& run,
                       const std::atomic<bool>* stop = nullptr,
                       ControllerSet* controllers = nullptr);

// Runs the given runs of a plan on `jobs` threads. Each run owns its simulation, so the
// outcomes do not depend on the number of threads or on the order in which runs finish.
// Each thread starts its own controller programs and keeps them for its runs.
class StudyRunner {
public:
    StudyRunner(const StudyPlan& plan, std::vector<std::size_t> indices, unsigned jobs,
                const ControllerSet::Options* controllers = nullptr);

    // Returns false when `stop` ended it early. `progress` is called on the calling thread
    // now and then with the number of runs done. A run that throws ends the study, and the
    // exception comes out here once every thread has stopped; so does a thread that cannot be
    // started, as std::runtime_error.
    bool run(const std::atomic<bool>& stop,
             const std::function<void(std::size_t done)>& progress = {});

    // In the order of the indices it was given.
    const std::vector<RunOutcome>& outcomes() const { return outcomes_; }

private:
    const StudyPlan& plan_;
    std::vector<std::size_t> indices_;
    unsigned jobs_;
    const ControllerSet::Options* controllers_;
    std::vector<RunOutcome> outcomes_;
};

}  // namespace vardeck::study
