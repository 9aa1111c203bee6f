#include "study/study_runner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "control/controller_error.h"
#include "study/comma_list.h"
#include "study/compare_row.h"

namespace vardeck::study {

RunOutcome runStudyRun(const StudyPlan& plan, const StudyRun& run, const std::atomic<bool>* stop,
                       ControllerSet* controllers) {
    TrafficOptions options = plan.traffic(run);
    options.stop = stop;
    GeneratedTraffic generated = generateTraffic(options);
    if (generated.stopped) return {};
    const PressEntries traffic = std::move(generated.entries);
    // The whole traffic and the time after it, however long: a study never cuts a run short.
    const long long steps = defaultRunSteps(traffic, plan.steps + kStepsAfterTraffic);
    ControllerSession* controller = nullptr;
    std::string label;
    if (run.system.isController()) {
        if (!controllers)
            throw ControllerError("no program runs the controller " + run.system.name());
        controller = &controllers->session(run.system.controller);
        label =
            run.profile.name + " " + shortestNumber(run.demand) + " " + std::to_string(run.seed);
    }
    ServiceReport report = measureService(traffic, run.system, steps, plan.calls, plan.longWait,
                                          controller, label, plan.periodBoundsOf(run.profile));
    RunOutcome outcome;
    outcome.row = joinList(compareRowCells(report, true), ",");
    outcome.calls = std::move(report.calls);
    outcome.periods = std::move(report.periods);
    outcome.messages = report.messages;
    outcome.firstMessage = std::move(report.firstMessage);
    return outcome;
}

StudyRunner::StudyRunner(const StudyPlan& plan, std::vector<std::size_t> indices, unsigned jobs,
                         const ControllerSet::Options* controllers)
    : plan_(plan),
      indices_(std::move(indices)),
      jobs_(std::max(jobs, 1u)),
      controllers_(controllers) {}

bool StudyRunner::run(const std::atomic<bool>& stop,
                      const std::function<void(std::size_t)>& progress) {
    outcomes_.assign(indices_.size(), {});
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;
    std::exception_ptr error;

    // A failure ends the study; one that comes of a stop is none.
    const auto fail = [&] {
        std::lock_guard lock(mutex);
        if (!error && !stop.load()) error = std::current_exception();
        failed.store(true);
    };
    const auto runs = [&](ControllerSet* controllers) {
        for (;;) {
            if (stop.load() || failed.load()) return;
            const std::size_t i = next.fetch_add(1);
            if (i >= indices_.size()) return;
            try {
                outcomes_[i] = runStudyRun(plan_, plan_.run(indices_[i]), &stop, controllers);
            } catch (...) {
                fail();
            }
            std::lock_guard lock(mutex);
            ++done;
            changed.notify_one();
        }
    };
    const auto work = [&] {
        std::optional<ControllerSet> controllers;
        if (controllers_) controllers.emplace(*controllers_);
        runs(controllers ? &*controllers : nullptr);
        if (!controllers) return;
        // The programs of a study that goes on no further are ended at once.
        if (stop.load() || failed.load()) return controllers->abandon();
        try {
            controllers->finish();
        } catch (...) {
            fail();
        }
    };
    const unsigned threads = static_cast<unsigned>(
        std::min<std::size_t>(jobs_, std::max<std::size_t>(indices_.size(), 1)));
    std::vector<std::thread> workers;
    try {
        for (unsigned t = 0; t < threads; ++t) workers.emplace_back(work);
    } catch (const std::system_error& error) {
        // The threads already started must be joined before anything leaves this function.
        failed.store(true);
        for (std::thread& worker : workers) worker.join();
        throw std::runtime_error(std::string("cannot start a thread: ") + error.what());
    }

    {
        std::unique_lock lock(mutex);
        while (done < indices_.size() && !stop.load() && !failed.load()) {
            changed.wait_for(lock, std::chrono::milliseconds(200));
            const std::size_t now = done;
            if (progress) {
                lock.unlock();
                progress(now);
                lock.lock();
            }
        }
    }
    for (std::thread& worker : workers) worker.join();
    if (error) std::rethrow_exception(error);
    if (progress) progress(done);
    return done == indices_.size();
}

}  // namespace vardeck::study
