#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iterator>

#include "study/study_runner.h"
#include "study/traffic_generator.h"

namespace {

using vardeck::study::StudyPlan;
using vardeck::study::StudyRunner;

// The default study: four profiles, demands 5 to 80, 30 seeds, three systems.
StudyPlan defaultPlan() {
    StudyPlan plan;
    plan.profiles.assign(std::begin(vardeck::study::kTrafficProfiles),
                         std::end(vardeck::study::kTrafficProfiles));
    plan.demands = {5, 10, 20, 40, 80};
    plan.systems = {vardeck::SystemKind::Schedule, vardeck::SystemKind::Neuro,
                    vardeck::SystemKind::Adaptive};
    return plan;
}

double secondsFor(const StudyPlan& plan, unsigned jobs) {
    std::vector<std::size_t> indices(plan.runCount());
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = i;
    StudyRunner runner(plan, indices, jobs);
    const std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    runner.run(stop);
    benchmark::DoNotOptimize(runner.outcomes().data());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The default study's 1800 runs on one thread and on two, side by side in one run, from the
// shipped settings and networks.
void DefaultStudy(benchmark::State& state) {
    if (::chdir(VARDECK_DATA_DIR) != 0) {
        state.SkipWithError("cannot enter the data folder");
        return;
    }
    const StudyPlan plan = defaultPlan();
    double one = 0, two = 0;
    for (auto _ : state) {
        one = secondsFor(plan, 1);
        two = secondsFor(plan, 2);
    }
    state.counters["runs"] = double(plan.runCount());
    state.counters["one_job_s"] = one;
    state.counters["two_jobs_s"] = two;
    state.counters["speedup"] = one / two;
}
BENCHMARK(DefaultStudy)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

// Traffic of the default study's length with 10,000 and 100,000 calls: dense enough that most
// callers find their step taken. The time per call (items_per_second) should hardly change
// between the two.
void TrafficGeneration(benchmark::State& state) {
    vardeck::study::TrafficOptions options;
    options.profile = vardeck::study::TrafficProfile::Lunch;
    options.steps = 3000;
    options.calls = static_cast<int>(state.range(0));
    options.noDestinationShare = 0.3;
    for (auto _ : state) {
        auto traffic = vardeck::study::generateTraffic(options);
        benchmark::DoNotOptimize(traffic.entries.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(TrafficGeneration)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
