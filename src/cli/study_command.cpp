#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/study_progress.h"
#include "cli/study_results.h"
#include "cli/study_runner.h"
#include "cli/system_names.h"

namespace vardeck::cli {

namespace {

const char* const kStudyUsage =
    "Usage: vardeck-cli study [--profiles LIST] [--demands LIST] [--seeds N] [--first-seed S]\n"
    "                         [--steps N] [--no-destination-share P] [--systems LIST]\n"
    "                         [--baseline NAME] [--jobs J] [--shard K/N] [--calls] -o DIR\n"
    "       vardeck-cli study --merge DIR... -o DIR\n"
    "\n"
    "Compares the control systems over many traffic seeds. Each cell (profile, demand) gets\n"
    "the traffic that 'generate --profile P --steps N --calls K --seed S\n"
    "--no-destination-share P' writes, for every seed, with K = demand x N / 1000 rounded\n"
    "(halves away from zero); each system replays it as 'compare --play' replays that file,\n"
    "from vardeck.cfg and the networks of the current directory. Every system sees the same\n"
    "traffic, so the differences from the baseline are paired seed by seed. Nothing in the\n"
    "current directory is written.\n"
    "\n"
    "Options:\n"
    "  --profiles LIST  comma-separated profiles (default: up-peak,down-peak,inter-floor,lunch)\n"
    "  --demands LIST   calls per 1000 steps, comma-separated (default: 5,10,20,40,80)\n"
    "  --seeds N        traffic seeds per cell, 2 to 1000000 (default 30)\n"
    "  --first-seed S   the first seed; the seeds are S to S+N-1 (default 1)\n"
    "  --steps N        length of the traffic in steps, 1 to 100000000 (default 3000)\n"
    "  --no-destination-share P\n"
    "                   share of callers, 0 to 1, who press no car button (default 0.3)\n"
    "  --systems LIST   the systems, each at most once (default: schedule,neuro,adaptive;\n"
    "                   neuro-ahead and adaptive-ahead may be added)\n"
    "  --baseline NAME  the system the others are compared with (default: schedule)\n"
    "  --jobs J         runs at once, 1 to 1024 (default: the number of cores); the results\n"
    "                   do not depend on it\n"
    "  --shard K/N      only the runs whose number in the fixed order, taken mod N, is K-1;\n"
    "                   writes runs.csv (and calls.csv) and study.txt for --merge\n"
    "  --calls          also write calls.csv, one row per hall call\n"
    "  --merge DIR...   put the shards in these folders together into one study\n"
    "  -o, --output DIR the folder to write (made if missing)\n"
    "\n"
    "Files in DIR (each replaced only once it is complete):\n"
    "  runs.csv     profile,demand,seed and the columns of 'compare --csv', one row per run,\n"
    "               ordered by profile (as given), demand, seed and system (as given)\n"
    "  summary.csv  per profile, demand and system: the mean over the seeds of wait_mean,\n"
    "               wait_p95, wait_max, wait_sq_mean, eff_mean, floors, openings,\n"
    "               dest_time_mean and still_waiting, each as M, M_ci_low, M_ci_high (95 %\n"
    "               Student-t interval) and M_runs (runs that have a value); for systems\n"
    "               other than the baseline, for wait_mean, wait_p95, dest_time_mean and\n"
    "               floors, the paired difference from the baseline M_diff with its interval\n"
    "               M_diff_ci_low, M_diff_ci_high, the paired t-test's two-sided M_diff_p,\n"
    "               and M_diff_significant: 1 when p < 0.05 after the Holm-Bonferroni\n"
    "               correction over all cells and systems of the study for that measure\n"
    "  report.html  the study on one page: plots of mean wait and of the differences, and\n"
    "               the summary table\n"
    "  calls.csv    with --calls: profile,demand,seed,system,floor,direction,press_step,\n"
    "               answer_step,wait,destination_step (the first opening at a destination of\n"
    "               the caller whose press lit the lamp; empty when never)\n"
    "  study.txt    the parameters, which --merge checks\n"
    "\n"
    "Progress goes to stderr. Ctrl-C stops the study and writes nothing.\n"
    "Exit codes: 0 done, 1 a failed run or write, 2 bad input.\n";

// The signal that asked the study to stop, 0 while none did.
std::atomic<int> interruptSignal{0};
std::atomic<bool> interrupted{false};

extern "C" void onStudyInterrupt(int signal) {
    interruptSignal.store(signal);
    interrupted.store(true);
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

StudyOptions parseOptions(Arguments& args, bool& help) {
    StudyOptions o;
    StudyPlan& plan = o.plan;
    plan.profiles.assign(std::begin(kTrafficProfiles), std::end(kTrafficProfiles));
    plan.demands = {5, 10, 20, 40, 80};
    plan.systems = {SystemKind::Schedule, SystemKind::Neuro, SystemKind::Adaptive};
    o.jobs = std::max(1u, std::thread::hardware_concurrency());
    bool planned = false;
    while (!args.done()) {
        const std::string option = args.take();
        const bool isPlanOption =
            option != "--merge" && option != "-o" && option != "--output" && option != "--jobs";
        planned = planned || isPlanOption;
        if (option == "--help" || option == "-h") {
            help = true;
            return o;
        } else if (option == "--profiles") {
            const std::string list = args.value(option);
            plan.profiles = planValue([&] { return parseProfileList(list); });
        } else if (option == "--demands") {
            const std::string list = args.value(option);
            plan.demands = planValue([&] { return parseDemandList(list); });
        } else if (option == "--seeds") {
            plan.seeds = static_cast<std::size_t>(args.integer(option, 2, 1'000'000));
        } else if (option == "--first-seed") {
            plan.firstSeed = static_cast<std::uint32_t>(args.integer(option, 0, 4294967295LL));
        } else if (option == "--steps") {
            plan.steps = static_cast<int>(args.integer(option, 1, 100'000'000));
        } else if (option == "--no-destination-share") {
            const double share = args.number(option);
            if (share < 0 || share > 1)
                throw UsageError{option + " wants a share from 0 to 1, not " +
                                 std::to_string(share)};
            plan.noDestinationShare = share;
        } else if (option == "--systems") {
            const std::string list = args.value(option);
            plan.systems = planValue([&] { return parseStudySystems(list); });
        } else if (option == "--baseline") {
            o.baselineName = args.value(option);
            plan.baseline = parseSystemName(o.baselineName);
        } else if (option == "--jobs") {
            o.jobs = static_cast<unsigned>(args.integer(option, 1, 1024));
        } else if (option == "--shard") {
            const std::string text = args.value(option);
            o.shard = planValue([&] { return parseShard(text); });
        } else if (option == "--calls") {
            plan.calls = true;
        } else if (option == "--merge") {
            while (!args.done()) {
                std::string dir = args.take();
                if (!dir.empty() && dir[0] == '-') {
                    args.putBack();
                    break;
                }
                o.merge.push_back(std::move(dir));
            }
            if (o.merge.empty()) throw UsageError{"--merge needs the shards' folders"};
        } else if (option == "-o" || option == "--output") {
            o.output = args.value(option);
            if (o.output.empty()) throw UsageError{option + " needs a folder"};
        } else {
            throw UsageError{"unknown option '" + option + "' (try vardeck-cli study --help)"};
        }
    }
    if (o.output.empty()) throw UsageError{"-o DIR is required (try vardeck-cli study --help)"};
    if (!o.merge.empty()) {
        if (planned) throw UsageError{"--merge takes only the shards' folders and -o DIR"};
        return o;
    }
    if (std::find(plan.systems.begin(), plan.systems.end(), plan.baseline) == plan.systems.end())
        throw UsageError{"the baseline '" + o.baselineName + "' is not among the systems"};
    if (std::uint64_t(plan.firstSeed) + plan.seeds - 1 > 4294967295ULL)
        throw UsageError{"the seeds run past 4294967295"};
    for (double demand : plan.demands) {
        const int calls = plan.callsFor(demand);
        if (calls < 1)
            throw UsageError{"the demand " + shortestNumber(demand) + " gives no call in " +
                             std::to_string(plan.steps) + " steps"};
        if (calls > 1'000'000)
            throw UsageError{"the demand " + shortestNumber(demand) +
                             " gives more than 1000000 calls"};
    }
    return o;
}

// The runs of the study or its shard.
StudyResults runStudy(const StudyOptions& o) {
    InterruptGuard guard;
    StudyResults results;
    results.plan = o.plan;
    results.plan.dataFingerprint = studyDataFingerprint();
    results.shard = o.shard;
    for (std::size_t i = 0; i < results.plan.runCount(); ++i)
        if (!o.shard || o.shard->holds(i)) results.indices.push_back(i);

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
    for (SystemKind kind : results.plan.systems) {
        std::size_t runs = 0;
        std::string first;
        for (std::size_t i = 0; i < results.indices.size(); ++i) {
            const RunOutcome& r = runner.outcomes()[i];
            if (results.plan.run(results.indices[i]).system != kind || r.messages == 0) continue;
            if (runs++ == 0) first = r.firstMessage;
        }
        if (runs > 0)
            std::fprintf(stderr, "vardeck-cli study: %s: %zu runs showed messages, the first: %s\n",
                         systemName(kind), runs, first.c_str());
    }
    for (std::size_t i = 0; i < results.indices.size(); ++i) {
        const RunOutcome& r = runner.outcomes()[i];
        results.rows.push_back(r.row);
        results.callLines.push_back(
            results.plan.calls ? callsCsvLines(results.plan.run(results.indices[i]), r.calls) : "");
    }
    return results;
}

}  // namespace

int studyCommand(Arguments& args) {
    bool help = false;
    const StudyOptions options = parseOptions(args, help);
    if (help) {
        std::fputs(kStudyUsage, stdout);
        return 0;
    }

    StudyResults results;
    if (!options.merge.empty()) {
        try {
            results = mergeStudyShards(options.merge);
        } catch (const StudyError& error) {
            throw UsageError{error.message};
        }
    } else {
        // A folder that cannot take the output is found before the study runs, not after.
        if (const std::string problem = checkOutputFolder(options.output); !problem.empty()) {
            std::fprintf(stderr, "vardeck-cli study: %s\n", problem.c_str());
            return 1;
        }
        interrupted.store(false);
        interruptSignal.store(0);
        results = runStudy(options);
        if (interrupted.load()) {
            std::fprintf(stderr, "vardeck-cli study: interrupted; nothing was written\n");
            const int signal = interruptSignal.load();
            std::signal(signal, SIG_DFL);
            std::raise(signal);
            return 1;
        }
    }
    if (const std::string problem = writeStudyResults(options.output, results); !problem.empty()) {
        std::fprintf(stderr, "vardeck-cli study: %s\n", problem.c_str());
        return 1;
    }
    return 0;
}

}  // namespace vardeck::cli
