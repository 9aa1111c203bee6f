#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <future>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/study_progress.h"
#include "study/network_check.h"
#include "study/study_results.h"
#include "study/study_runner.h"
#include "study/study_warnings.h"
#include "study/system_choice.h"

namespace vardeck::cli {

using namespace study;

namespace {

const char* const kStudyUsage =
    "Usage: vardeck-cli study [--profiles LIST] [--demands LIST] [--seeds N]\n"
    "                         [--first-seed S] [--steps N]\n"
    "                         [--no-destination-share P] [--systems LIST]\n"
    "                         [--baseline NAME] [--long-wait L] [--jobs J]\n"
    "                         [--shard K/N] [--calls] -o DIR\n"
    "       vardeck-cli study --merge DIR... -o DIR\n"
    "\n"
    "Compares the control systems over many traffic seeds. Each cell\n"
    "(profile, demand) gets the traffic that 'generate --profile P --steps N\n"
    "--calls K --seed S --no-destination-share P' writes, for every seed,\n"
    "with K = demand x N / 1000 worked out exactly on the decimal demand and\n"
    "rounded (halves away from zero: 2.05 x 30000 / 1000 = 61.5 gives 62);\n"
    "each system replays it as 'compare --play' replays that file, from\n"
    "vardeck.cfg and the networks of the current directory (a system whose\n"
    "networks are missing there is refused before any run). Every system\n"
    "sees the same traffic, so the differences from the baseline are paired\n"
    "seed by seed. Nothing in the current directory is written.\n"
    "\n"
    "Options:\n"
    "  --profiles LIST  comma-separated profiles\n"
    "                   (default: up-peak,down-peak,inter-floor,lunch)\n"
    "  --demands LIST   calls per 1000 steps, comma-separated\n"
    "                   (default: 5,10,20,40,80)\n"
    "  --seeds N        traffic seeds per cell, 2 to 1000000 (default 30)\n"
    "  --first-seed S   the first seed; the seeds are S to S+N-1 (default 1)\n"
    "  --steps N        length of the traffic in steps, 1 to 100000000\n"
    "                   (default 3000)\n"
    "  --no-destination-share P\n"
    "                   share of callers, 0 to 1, who press no car button\n"
    "                   (default 0.3)\n"
    "  --systems LIST   the systems, each at most once\n"
    "                   (default: schedule,neuro,adaptive; neuro-ahead and\n"
    "                   adaptive-ahead may be added)\n"
    "  --baseline NAME  the system the others are compared with\n"
    "                   (default: schedule)\n"
    "  --long-wait L    a passenger who waits more than L steps, 0 to\n"
    "                   1000000, has a long wait (default 60)\n"
    "  --jobs J         runs at once, 1 to 1024 (default: the number of\n"
    "                   cores); the results do not depend on it\n"
    "  --shard K/N      only the runs whose number in the fixed order, taken\n"
    "                   mod N, is K-1; writes runs.csv (and calls.csv) and\n"
    "                   study.txt for --merge\n"
    "  --calls          also write calls.csv, one row per hall call\n"
    "  --merge DIR...   put the shards in these folders together into one\n"
    "                   study\n"
    "  -o, --output DIR the folder to write (made if missing)\n"
    "\n"
    "Files in DIR (replaced all together once every one is complete; a\n"
    "failed write leaves the folder as it was):\n"
    "  runs.csv     profile,demand,seed and the columns of 'compare --csv',\n"
    "               one row per run, ordered by profile (as given), demand,\n"
    "               seed and system (as given)\n"
    "  summary.csv  per profile, demand and system: the mean over the seeds\n"
    "               of every measure (per lamp: wait_mean, wait_p95,\n"
    "               wait_max, wait_sq_mean, eff_mean, floors, openings,\n"
    "               dest_time_mean, still_waiting; per passenger:\n"
    "               pax_wait_mean, pax_wait_p95, pax_wait_max,\n"
    "               pax_long_share, pax_journey_mean, pax_wrong_way,\n"
    "               pax_unserved), each as M, M_ci_low, M_ci_high (95 %\n"
    "               Student-t interval) and M_runs (runs that have a value);\n"
    "               for systems other than the baseline, for wait_mean,\n"
    "               wait_p95, dest_time_mean, floors, pax_wait_mean,\n"
    "               pax_wait_p95, pax_wait_max, pax_long_share and\n"
    "               pax_journey_mean, the paired difference from the\n"
    "               baseline M_diff with its 95 % interval M_diff_ci_low,\n"
    "               M_diff_ci_high, the paired t-test's two-sided M_diff_p,\n"
    "               M_diff_p_holm (adjusted by Holm-Bonferroni over all\n"
    "               cells and systems of the study for that measure) and\n"
    "               M_diff_significant, 1 when the adjusted p < 0.05. A\n"
    "               difference that is the same in every seed has no spread:\n"
    "               it is not tested, and its p columns are empty\n"
    "  report.html  the study on one page, per passenger first: warnings,\n"
    "               plots of the mean wait and of the differences, and the\n"
    "               summary table\n"
    "  calls.csv    with --calls: profile,demand,seed,system,floor,direction,\n"
    "               press_step,answer_step,wait,destination_step (the first\n"
    "               opening at a destination of the caller whose press lit\n"
    "               the lamp; empty when never)\n"
    "  study.txt    the parameters, which --merge checks\n"
    "\n"
    "A study has at most 10000000 runs. Progress goes to stderr. Ctrl-C (or\n"
    "SIGTERM) stops the study within a second and writes nothing; a second\n"
    "Ctrl-C ends it at once.\n"
    "Exit codes: 0 done, 1 a failed run or write, 2 bad input.\n";

// The signal that asked the study to stop, 0 while none did, and when (steady clock, ns).
std::atomic<int> interruptSignal{0};
std::atomic<bool> interrupted{false};
std::atomic<long long> interruptedAt{0};

long long steadyNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

extern "C" void onStudyInterrupt(int signal) {
    const long long now = steadyNanoseconds();
    if (!interrupted.exchange(true)) {
        interruptedAt.store(now);
        interruptSignal.store(signal);
        return;
    }
    // A second signal ends the process at once (delivered when this handler returns). One that
    // follows the first within a moment is the same request told twice, as `timeout` and
    // batch systems do by signalling the process and then its whole group.
    if (now - interruptedAt.load() < 200'000'000LL) return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Ctrl-C (or a batch system's SIGTERM) only asks the runs to stop; the study then writes
// nothing and dies of the same signal, so that a shell loop around it stops too.
class InterruptGuard {
public:
    InterruptGuard() {
        struct sigaction action {};
        action.sa_handler = onStudyInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &previous_);
        ::sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~InterruptGuard() {
        ::sigaction(SIGINT, &previous_, nullptr);
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction previous_ {};
    struct sigaction previousTerm_ {};
};

struct StudyOptions {
    StudyPlan plan;
    std::string baselineName = "schedule";
    unsigned jobs = 1;
    std::optional<Shard> shard;
    std::vector<std::string> merge;
    std::string output;
};

template <typename F>
auto planValue(F parse) {
    try {
        return parse();
    } catch (const StudyError& error) {
        throw UsageError{error.message};
    }
}

// One option of the command line: its names, whether it describes the study itself (which
// --merge takes from the shards instead), and what it sets.
struct OptionRule {
    const char* name;
    const char* alias;
    bool describesPlan;
    void (*take)(Arguments& args, const std::string& option, StudyOptions& o);
};

void takeMergeFolders(Arguments& args, const std::string&, StudyOptions& o) {
    while (!args.done()) {
        std::string dir = args.take();
        if (!dir.empty() && dir[0] == '-') {
            args.putBack();
            break;
        }
        o.merge.push_back(std::move(dir));
    }
    if (o.merge.empty()) throw UsageError{"--merge needs the shards' folders"};
}

const OptionRule kOptionRules[] = {
    {"--profiles", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         const std::string list = args.value(option);
         o.plan.profiles = planValue([&] { return parseProfileList(list); });
     }},
    {"--demands", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         const std::string list = args.value(option);
         o.plan.demands = planValue([&] { return parseDemandList(list); });
     }},
    {"--seeds", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         o.plan.seeds = static_cast<std::size_t>(args.integer(option, 2, 1'000'000));
     }},
    {"--first-seed", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         o.plan.firstSeed = static_cast<std::uint32_t>(args.integer(option, 0, 4294967295LL));
     }},
    {"--steps", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         o.plan.steps = static_cast<int>(args.integer(option, 1, 100'000'000));
     }},
    {"--no-destination-share", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         const double share = args.number(option);
         if (share < 0 || share > 1)
             throw UsageError{option + " wants a share from 0 to 1, not " + std::to_string(share)};
         o.plan.noDestinationShare = share;
     }},
    {"--systems", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         const std::string list = args.value(option);
         o.plan.systems = planValue([&] { return parseStudySystems(list); });
     }},
    {"--baseline", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         o.baselineName = args.value(option);
         o.plan.baseline = parseSystemName(o.baselineName);
     }},
    {"--long-wait", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         o.plan.longWait = static_cast<int>(args.integer(option, 0, 1'000'000));
     }},
    {"--jobs", nullptr, false,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         o.jobs = static_cast<unsigned>(args.integer(option, 1, 1024));
     }},
    {"--shard", nullptr, true,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         const std::string text = args.value(option);
         o.shard = planValue([&] { return parseShard(text); });
     }},
    {"--calls", nullptr, true,
     [](Arguments&, const std::string&, StudyOptions& o) { o.plan.calls = true; }},
    {"--merge", nullptr, false, takeMergeFolders},
    {"-o", "--output", false,
     [](Arguments& args, const std::string& option, StudyOptions& o) {
         o.output = args.value(option);
         if (o.output.empty()) throw UsageError{option + " needs a folder"};
     }},
};

const OptionRule* ruleFor(const std::string& option) {
    for (const OptionRule& rule : kOptionRules)
        if (option == rule.name || (rule.alias && option == rule.alias)) return &rule;
    return nullptr;
}

// What a study's options must agree on before anything runs.
void checkPlan(const StudyOptions& o) {
    const StudyPlan& plan = o.plan;
    if (std::find(plan.systems.begin(), plan.systems.end(), plan.baseline) == plan.systems.end())
        throw UsageError{"the baseline '" + o.baselineName + "' is not among the systems"};
    if (std::uint64_t(plan.firstSeed) + plan.seeds - 1 > 4294967295ULL)
        throw UsageError{"the seeds run past 4294967295"};
    if (!plan.runCountWithin(kMaxStudyRuns))
        throw UsageError{"the study would have more than " + std::to_string(kMaxStudyRuns) +
                         " runs; split it into several studies"};
    for (double demand : plan.demands) {
        const int calls = plan.callsFor(demand);
        if (calls < 1)
            throw UsageError{"the demand " + shortestNumber(demand) + " gives no call in " +
                             std::to_string(plan.steps) + " steps"};
        if (calls > 1'000'000)
            throw UsageError{"the demand " + shortestNumber(demand) +
                             " gives more than 1000000 calls"};
    }
}

StudyOptions parseOptions(Arguments& args, bool& help) {
    StudyOptions o;
    o.plan.profiles.assign(std::begin(kTrafficProfiles), std::end(kTrafficProfiles));
    o.plan.demands = {5, 10, 20, 40, 80};
    o.plan.systems = {SystemKind::Schedule, SystemKind::Neuro, SystemKind::Adaptive};
    o.jobs = std::max(1u, std::thread::hardware_concurrency());
    bool planned = false;
    while (!args.done()) {
        const std::string option = args.take();
        if (option == "--help" || option == "-h") {
            help = true;
            return o;
        }
        const OptionRule* rule = ruleFor(option);
        if (!rule)
            throw UsageError{"unknown option '" + option + "' (try vardeck-cli study --help)"};
        planned = planned || rule->describesPlan;
        rule->take(args, option, o);
    }
    if (o.output.empty()) throw UsageError{"-o DIR is required (try vardeck-cli study --help)"};
    if (!o.merge.empty()) {
        if (planned) throw UsageError{"--merge takes only the shards' folders and -o DIR"};
        return o;
    }
    checkPlan(o);
    return o;
}

// The runs of the study or its shard; with `interrupted` up it returns early with no rows.
StudyResults runStudy(const StudyOptions& o) {
    StudyResults results;
    results.plan = o.plan;
    results.plan.dataFingerprint = studyDataFingerprint(&interrupted);
    results.shard = o.shard;
    if (interrupted.load()) return results;
    const std::size_t total = results.plan.runCount();
    results.indices.reserve(o.shard ? total / o.shard->count + 1 : total);
    for (std::size_t i = o.shard ? o.shard->number - 1 : 0; i < total;
         i += o.shard ? o.shard->count : 1)
        results.indices.push_back(i);

    StudyRunner runner(results.plan, results.indices, o.jobs);
    StudyProgress progress(results.indices.size(), stderr, ::isatty(STDERR_FILENO) != 0);
    std::size_t done = 0;
    const bool finished = runner.run(interrupted, [&](std::size_t now) {
        done = now;
        progress.update(now);
    });
    progress.finish(done);
    if (!finished) return results;

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
    }
    return results;
}

using StudyFiles = std::vector<std::pair<std::string, std::string>>;

// Ends the process of the signal that interrupted the study, so that a shell loop around it
// stops too.
[[noreturn]] void endInterrupted() {
    std::fprintf(stderr, "vardeck-cli study: interrupted; nothing was written\n");
    std::fflush(stderr);
    const int signal = interruptSignal.load() ? interruptSignal.load() : SIGINT;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

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
            if (interrupted.load()) return StudyFiles{};
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
        if (!interrupted.load()) continue;
        // A moment for the work to wind down by itself, then the process goes without it.
        if (files.wait_for(250ms) == std::future_status::ready) worker.join();
        endInterrupted();
    }
    worker.join();
    StudyFiles ready = files.get();
    if (interrupted.load()) endInterrupted();
    return ready;
}

int study(const StudyOptions& options) {
    InterruptGuard guard;
    interrupted.store(false);
    interruptSignal.store(0);
    if (options.merge.empty()) {
        // A system without its networks would stand still and look thrifty: refuse it at once.
        if (const std::string problem = networkProblem(options.plan.systems); !problem.empty())
            throw UsageError{problem};
        // A folder that cannot take the output is found before the study runs, not after.
        if (const std::string problem = checkOutputFolder(options.output); !problem.empty()) {
            std::fprintf(stderr, "vardeck-cli study: %s\n", problem.c_str());
            return 1;
        }
    }
    const StudyFiles files = prepareFiles(options);
    const std::string problem = writeStudyFiles(options.output, files, &interrupted);
    if (interrupted.load() && problem == "interrupted") endInterrupted();
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
        bool help = false;
        const StudyOptions options = parseOptions(args, help);
        if (help) {
            std::fputs(kStudyUsage, stdout);
            return 0;
        }
        return study(options);
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
