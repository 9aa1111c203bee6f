#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <future>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/interrupt_guard.h"
#include "cli/study_options.h"
#include "cli/study_progress.h"
#include "control/controller_error.h"
#include "study/network_check.h"
#include "study/period_table.h"
#include "study/study_results.h"
#include "study/study_runner.h"
#include "study/study_warnings.h"
#include "study/system_choice.h"

namespace vardeck::cli {

using namespace study;

namespace {

constexpr std::size_t kControllersLogLimit = std::size_t{4} << 20;

// Where the last 20 lines of the controllers' log begin.
std::size_t logTail(const std::string& log) {
    std::size_t from = log.size();
    for (int newlines = 0; from > 0; --from)
        if (log[from - 1] == '\n' && ++newlines > 20) break;
    return from;
}

// The runs of the study or its shard; once a signal asks the study to stop it returns
// early with no rows.
StudyResults runStudy(const StudyOptions& o) {
    StudyResults results;
    results.plan = o.plan;
    results.plan.dataFingerprint = studyDataFingerprint(&InterruptGuard::stop());
    for (auto& controller : results.plan.controllers)
        controller.fingerprint = controllerFingerprint(controller.command);
    results.shard = o.shard;
    if (InterruptGuard::stop().load()) return results;
    const std::size_t total = results.plan.runCount();
    results.indices.reserve(o.shard ? total / o.shard->count + 1 : total);
    for (std::size_t i = o.shard ? o.shard->number - 1 : 0; i < total;
         i += o.shard ? o.shard->count : 1)
        results.indices.push_back(i);

    // The controllers' stderr, from every worker, goes to controllers.log, up to a bound.
    std::mutex logMutex;
    std::string log;
    std::atomic<std::size_t> leftOut{0};
    ControllerSet::Options controllers = o.controllers.setOptions(&InterruptGuard::stop());
    controllers.controllers = results.plan.controllers;
    controllers.stderrLeftOut = &leftOut;
    controllers.onStderr = [&](std::string_view name, std::string_view line) {
        const std::lock_guard lock(logMutex);
        const std::size_t size = name.size() + 2 + line.size() + 1;
        if (leftOut.load() > 0 || log.size() + size > kControllersLogLimit) {
            leftOut += line.size() + 1;
            return;
        }
        ((log += name) += ": ") += line;
        log += '\n';
    };
    StudyRunner runner(results.plan, results.indices, o.jobs,
                       controllers.controllers.empty() ? nullptr : &controllers);
    StudyProgress progress(results.indices.size(), stderr, ::isatty(STDERR_FILENO) != 0);
    std::size_t done = 0;
    bool finished = false;
    try {
        finished = runner.run(InterruptGuard::stop(), [&](std::size_t now) {
            done = now;
            progress.update(now);
        });
    } catch (const ControllerError&) {
        // No log is written then: its last lines, most likely why a controller failed, show here.
        std::fputs(log.c_str() + logTail(log), stderr);
        throw;
    }
    progress.finish(done);
    if (!finished) return results;
    if (leftOut.load() > 0)
        log += "vardeck-cli: this log keeps the first " +
               std::to_string(kControllersLogLimit >> 20) +
               " MB of the controllers' standard error; " + std::to_string(leftOut.load()) +
               " bytes more were left out\n";
    if (!controllers.controllers.empty()) results.controllersLog = std::move(log);

    // Messages of the systems (a network image that cannot be read, say) are told once per
    // system, not once per run.
    for (const SystemChoice& kind : results.plan.systems) {
        std::size_t runs = 0;
        std::string first;
        for (std::size_t i = 0; i < results.indices.size(); ++i) {
            const RunOutcome& r = runner.outcomes()[i];
            if (results.plan.run(results.indices[i]).system != kind || r.messages == 0) continue;
            if (runs++ == 0) first = r.firstMessage;
        }
        if (runs > 0)
            std::fprintf(stderr, "vardeck-cli study: %s: %zu runs showed messages, the first: %s\n",
                         kind.name().c_str(), runs, first.c_str());
    }
    for (std::size_t i = 0; i < results.indices.size(); ++i) {
        const RunOutcome& r = runner.outcomes()[i];
        results.rows.push_back(r.row);
        results.callLines.push_back(
            results.plan.calls ? callsCsvLines(results.plan.run(results.indices[i]), r.calls) : "");
        results.periodLines.push_back(
            periodsCsvLines(results.plan.run(results.indices[i]), r.periods));
    }
    return results;
}

using StudyFiles = std::vector<std::pair<std::string, std::string>>;

// Runs, merges and summarises on a thread of its own while this one watches for Ctrl-C:
// the runs, the traffic and the fingerprint look at the flag and stop, but whatever else the
// study is doing, the process ends within a second of the signal. Nothing is written by then.
StudyFiles prepareFiles(const StudyOptions& options) {
    std::packaged_task<StudyFiles()> task([&options] {
        StudyResults results;
        if (!options.merge.empty()) {
            try {
                results = mergeStudyShards(options.merge);
            } catch (const StudyError& error) {
                throw UsageError{error.message};
            }
        } else {
            results = runStudy(options);
            if (InterruptGuard::stop().load()) return StudyFiles{};
        }
        for (const std::string& warning :
             degenerateRunWarnings(results.plan, results.indices, results.rows))
            std::fprintf(stderr, "vardeck-cli study: warning: %s\n", warning.c_str());
        return studyFiles(results);
    });
    std::future<StudyFiles> files = task.get_future();
    std::thread worker(std::move(task));
    using namespace std::chrono_literals;
    while (files.wait_for(50ms) != std::future_status::ready) {
        if (!InterruptGuard::stop().load()) continue;
        // A moment for the work to wind down by itself (and end the controllers' programs),
        // then the process goes without it.
        const auto grace = options.plan.controllers.empty() ? 250ms : 800ms;
        if (files.wait_for(grace) == std::future_status::ready) worker.join();
        InterruptGuard::endProcess();
    }
    worker.join();
    StudyFiles ready = files.get();
    if (InterruptGuard::stop().load()) InterruptGuard::endProcess();
    return ready;
}

int study(const StudyOptions& options) {
    InterruptGuard guard;
    // A system without its networks would stand still and look thrifty: refuse it at once.
    if (options.merge.empty()) {
        if (const std::string problem = networkProblem(options.plan.systems); !problem.empty())
            throw UsageError{problem};
    }
    // A folder that cannot take the output is found before the work, not after.
    if (const std::string problem = checkOutputFolder(options.output); !problem.empty()) {
        std::fprintf(stderr, "vardeck-cli study: %s\n", problem.c_str());
        return 1;
    }
    const StudyFiles files = prepareFiles(options);
    const std::string problem = writeStudyFiles(options.output, files, &InterruptGuard::stop());
    if (InterruptGuard::stop().load() && problem == "interrupted") InterruptGuard::endProcess();
    if (!problem.empty()) {
        std::fprintf(stderr, "vardeck-cli study: %s\n", problem.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int studyCommand(Arguments& args) {
    // Whatever goes wrong is told in one line, never as an abort.
    try {
        const std::optional<StudyOptions> options = readStudyOptions(args);
        return options ? study(*options) : 0;
    } catch (const UsageError&) {
        throw;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vardeck-cli study: out of memory\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vardeck-cli study: %s\n", error.what());
    } catch (const StudyError& error) {
        std::fprintf(stderr, "vardeck-cli study: %s\n", error.message.c_str());
    } catch (...) {
        std::fprintf(stderr, "vardeck-cli study: an unexpected error\n");
    }
    return 1;
}

}  // namespace vardeck::cli
