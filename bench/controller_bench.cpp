#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "control/controller_session.h"
#include "study/compare_row.h"
#include "study/service_meter.h"
#include "study/traffic_generator.h"

namespace {

using namespace vardeck;
using namespace vardeck::study;

constexpr int kSteps = 200'000;

// One measured run of busy inter-floor traffic (50 calls per 1000 steps) under the schedule
// system in the process, or through the protocol under the smallest compiled controller, which
// answers every step with `- - -`: what a step costs beyond the controller's own thinking.
void ControllerRun(benchmark::State& state) {
    if (::chdir(VARDECK_DATA_DIR) != 0) {
        state.SkipWithError("cannot enter the data folder");
        return;
    }
    const bool throughProtocol = state.range(0) != 0;
    TrafficOptions options;
    options.steps = kSteps;
    options.calls = kSteps / 20;
    options.seed = 7;
    const PressEntries traffic = generateTraffic(options).entries;
    ControllerSession session({"echo", VARDECK_ECHO_CONTROLLER});
    SystemChoice system = SystemKind::Schedule;
    if (throughProtocol) system.controller = "echo";
    for (auto _ : state) {
        const ServiceReport report =
            measureService(traffic, system, kSteps, false, kDefaultLongWait, &session, "bench");
        benchmark::DoNotOptimize(report.floorsTravelled);
    }
    state.counters["steps_per_second"] =
        benchmark::Counter(double(state.iterations()) * kSteps, benchmark::Counter::kIsRate);
}
BENCHMARK(ControllerRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
