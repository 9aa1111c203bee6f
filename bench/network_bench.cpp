// Training and decision speed of the solver network (8, 40, 8), and, when FANN is available, FANN's
// incremental training of a network of the same shape for comparison; a whole training on the
// shipped patterns; the network's tanh on either path beside the C library's.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <mutex>
#include <random>
#include <vector>

#include "neuro/fast_tanh.h"
#include "neuro/network_settings.h"
#include "neuro/pattern_set.h"
#include "neuro/random.h"
#include "neuro/solver_network.h"
#include "neuro/solver_state.h"

#ifdef VARDECK_HAVE_FANN
#include <fann.h>
#endif

namespace {

using vardeck::SolverPattern;
using vardeck::SolverState;

// Situations as the neuro control system meets them, each with eight wanted output bits.
std::vector<SolverState> makeStates(std::size_t count) {
    std::mt19937 generator(20240611u);
    auto pick = [&generator](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(generator);
    };
    const int targets[] = {1, 2, 3, 9};
    std::vector<SolverState> states(count);
    for (SolverState& s : states) {
        s.doorOpen = pick(0, 1);
        s.lastMove = pick(0, 2);
        s.direction = pick(0, 2);
        s.target = targets[pick(0, 3)];
        s.buttonHere = pick(0, 1);
        s.upHere = pick(0, 1);
        s.downHere = pick(0, 1);
        s.populestOffset = static_cast<float>(pick(-14, 14)) / 14.0f;
    }
    return states;
}

std::vector<SolverPattern> makePatterns(std::size_t count) {
    std::mt19937 generator(7u);
    std::vector<SolverPattern> patterns;
    for (const SolverState& s : makeStates(count)) {
        SolverPattern p;
        const int fields[] = {s.doorOpen,   s.lastMove, s.direction, s.target,
                              s.buttonHere, s.upHere,   s.downHere};
        for (int j = 0; j < 7; ++j) p.in[j] = vardeck::encodeStateValue(fields[j]);
        p.in[7] = vardeck::encodePopulestOffset(s.populestOffset);
        for (float& t : p.target) t = (generator() & 1u) ? 0.4f : 0.0f;
        patterns.push_back(p);
    }
    return patterns;
}

constexpr std::size_t kPatternCount = 512;

void BM_SolverTrainPattern(benchmark::State& state) {
    vardeck::applyNetworkDefaults();
    vardeck::SolverNetwork solver;
    const std::vector<SolverPattern> patterns = makePatterns(kPatternCount);
    std::size_t next = 0;
    for (auto _ : state) {
        const SolverPattern& p = patterns[next];
        next = (next + 1) % patterns.size();
        // Taken per pattern, as the training loop does.
        std::lock_guard lock(solver.mutex());
        solver.trainPattern(p.in, p.target);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    benchmark::DoNotOptimize(solver.outputs()[0]);
}
BENCHMARK(BM_SolverTrainPattern);

void BM_SolverDecide(benchmark::State& state) {
    vardeck::SolverNetwork solver;
    const std::vector<SolverState> states = makeStates(kPatternCount);
    std::size_t next = 0;
    for (auto _ : state) {
        const vardeck::CarCommand command = solver.decide(states[next]);
        next = (next + 1) % states.size();
        benchmark::DoNotOptimize(command);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SolverDecide);

// A fresh solver trained to the end on the shipped patterns, as `train solver --seed 1` does.
void BM_SolverTrainShippedPatterns(benchmark::State& state) {
    vardeck::PatternSet patterns;
    if (patterns.read(VARDECK_DATA_DIR "/solver.pat") != 0) {
        state.SkipWithError("cannot read the shipped solver.pat");
        return;
    }
    int epochs = 0;
    for (auto _ : state) {
        vardeck::applyNetworkDefaults();
        vardeck::seedRandom(1);
        vardeck::SolverNetwork solver;
        vardeck::seedRandom(1);
        solver.train(patterns);
        epochs = solver.epochCount();
    }
    state.counters["epochs"] = epochs;
}
BENCHMARK(BM_SolverTrainShippedPatterns)->Unit(benchmark::kSecond)->Iterations(1);

// Net values as a layer meets them, mostly within the curve, some far out.
std::vector<float> tanhArguments() {
    std::mt19937 generator(3u);
    std::normal_distribution<float> spread(0.0f, 2.0f);
    std::vector<float> nets(1024);
    for (float& net : nets) net = spread(generator);
    return nets;
}

template <void (*kPath)(const float*, float*, std::size_t)>
void BM_Tanh(benchmark::State& state) {
    const std::vector<float> nets = tanhArguments();
    std::vector<float> outputs(nets.size());
    for (auto _ : state) {
        kPath(nets.data(), outputs.data(), nets.size());
        benchmark::DoNotOptimize(outputs.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * nets.size()));
}
BENCHMARK(BM_Tanh<vardeck::fastTanhVector>)->Name("BM_TanhVector");
BENCHMARK(BM_Tanh<vardeck::fastTanhScalar>)->Name("BM_TanhScalar");

void libraryTanh(const float* in, float* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = std::tanh(in[i]);
}
BENCHMARK(BM_Tanh<libraryTanh>)->Name("BM_TanhCLibrary");

#ifdef VARDECK_HAVE_FANN
void fannTrain(benchmark::State& state, bool symmetric) {
    fann* network = fann_create_standard(3, 8, 40, 8);
    if (symmetric) {
        fann_set_activation_function_hidden(network, FANN_SIGMOID_SYMMETRIC);
        fann_set_activation_function_output(network, FANN_SIGMOID_SYMMETRIC);
    }
    const std::vector<SolverPattern> patterns = makePatterns(kPatternCount);
    std::vector<fann_type> inputs(patterns.size() * 8);
    std::vector<fann_type> targets(patterns.size() * 8);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        for (int j = 0; j < 8; ++j) {
            inputs[i * 8 + j] = patterns[i].in[j];
            targets[i * 8 + j] = patterns[i].target[j];
        }
    }
    std::size_t next = 0;
    for (auto _ : state) {
        fann_train(network, &inputs[next * 8], &targets[next * 8]);
        next = (next + 1) % patterns.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    fann_destroy(network);
}

// FANN's default activation for fann_create_standard (a stepwise approximation of the sigmoid).
void BM_FannTrainPattern(benchmark::State& state) {
    fannTrain(state, false);
}
BENCHMARK(BM_FannTrainPattern);

// The same with FANN's exact symmetric sigmoid, the counterpart of tanh.
void BM_FannTrainPatternSymmetric(benchmark::State& state) {
    fannTrain(state, true);
}
BENCHMARK(BM_FannTrainPatternSymmetric);
#endif

}  // namespace
