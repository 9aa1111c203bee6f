#include <benchmark/benchmark.h>

#include <random>

#include "sim/simulation.h"

namespace {

using vardeck::PressKey;
using vardeck::PressRecorder;
using vardeck::PressValue;
using vardeck::Simulation;
using vardeck::SystemKind;

// A long recording replayed under the schedule system: one hall call every 100 steps with a
// destination in its direction.
void PlaybackSteps(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    const int steps = static_cast<int>(state.range(1));
    const int floors[] = {1, 8, 9, 10, 13, 16, 17, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28};
    for (auto _ : state) {
        state.PauseTiming();
        Simulation sim;
        sim.settings.setDefaults();
        sim.settings.elemToCheckNeedToAdapt = 4;
        std::mt19937 random(5);
        for (int i = 0; i < entries; ++i) {
            const int floor = floors[random() % std::size(floors)];
            const int direction = floor == 28 ? 0 : floor == 1 ? 1 : int(random() % 2);
            int destination = floors[random() % std::size(floors)];
            if (direction == 1 && destination <= floor) destination = 28;
            if (direction == 0 && destination >= floor) destination = 1;
            PressValue value;
            value.buttons[destination - 1] = 1;
            sim.recorder.addEntry(PressKey{int(i * (long long)steps / entries), floor, direction},
                                  value);
        }
        sim.recorder.mode = PressRecorder::Playing;
        sim.select(SystemKind::Schedule);
        state.ResumeTiming();
        for (int i = 0; i < steps; ++i) sim.runStep();
        benchmark::DoNotOptimize(sim.building.car.travelCount);
    }
    state.SetItemsProcessed(state.iterations() * steps);
    state.counters["steps_per_second"] =
        benchmark::Counter(double(state.iterations()) * steps, benchmark::Counter::kIsRate);
}
BENCHMARK(PlaybackSteps)->Args({100000, 10000000})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
