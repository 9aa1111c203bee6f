#include <benchmark/benchmark.h>

#include <string>

#include "io/controller_process.h"

namespace {

using vardeck::ControllerProcess;

// One line out and its answer back, through the smallest compiled controller: what the exchange
// costs a step before any protocol work.
void ControllerRoundTrips(benchmark::State& state) {
    ControllerProcess process({.command = VARDECK_ECHO_CONTROLLER});
    if (process.start().status != ControllerProcess::Status::Ok) state.SkipWithError("no start");
    const std::string step = "step 1234567 12 0 0 0 1 1 0 " + std::string(28, '0') + " " +
                             std::string(28, '1') + " " + std::string(28, '0');
    for (auto _ : state) {
        process.writeLine(step);
        if (process.readLine().status != ControllerProcess::Status::Ok) {
            state.SkipWithError("no answer");
            break;
        }
    }
    state.counters["round_trips_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ControllerRoundTrips)->MinTime(2.0)->UseRealTime();

}  // namespace
