// The network library: random draws, neurons, training and the solver's decision.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "neuro/network_settings.h"
#include "neuro/random.h"
#include "neuro/solver_network.h"

namespace vardeck {
namespace {

// Calls f(layer index, layer, neuron, input) for every weight, in layer, neuron and input order.
template <class Network, class F>
void forEachWeight(Network& network, F f) {
    for (unsigned i = 1; i < network.layerCount(); ++i) {
        auto& layer = network.layer(i);
        for (unsigned j = 0; j < layer.neuronCount(); ++j)
            for (unsigned k = 0; k < layer.inputCount(); ++k) f(i, layer, j, k);
    }
}

std::vector<float> allWeights(const NeuralNetwork& network) {
    std::vector<float> weights;
    forEachWeight(network, [&](unsigned, auto& layer, unsigned j, unsigned k) {
        weights.push_back(layer.weight(j, k));
    });
    return weights;
}

// Patterns with zero inputs that want output 0 at -delta. Every output is 0 whatever the weights,
// so every delta is exactly `delta` and each epoch repeats the first.
PatternSet patterns(int count, float delta) {
    SolverPattern p;
    p.target[0] = -delta;
    return PatternSet{std::vector<SolverPattern>(count, p)};
}

// Asks for a stop as its epoch `stopIn` begins, as the window may do during any epoch; this also
// keeps a faulty training from running forever.
struct StoppingSolver : SolverNetwork {
    explicit StoppingSolver(int epoch) : stopIn(epoch) {}
    void nextEpoch() override {
        SolverNetwork::nextEpoch();
        if (epochCount() == stopIn) requestStop();
    }
    int stopIn;
};

TEST(NeuroNetworkTest, FreshRandomizedAndSeededNetworks) {
    seedRandom(12345);  // this thread only: a new thread starts from 1
    std::vector<int> first;
    std::thread([&first] {
        for (int i = 0; i < 5; ++i) first.push_back(randomInt());
    }).join();
    EXPECT_EQ(first, (std::vector<int>{41, 18467, 6334, 26500, 19169}));

    SolverNetwork solver;
    forEachWeight(solver, [](unsigned, auto& layer, unsigned j, unsigned k) {
        EXPECT_LE(std::fabs(layer.weight(j, k)), 0.5f);
        EXPECT_EQ(layer.previousChange(j, k), 0.0f);
    });
    EXPECT_EQ(solver.epochCount(), 0);
    EXPECT_EQ(solver.imageName(), "");
    solver.epochMaxError = 0.7f;
    solver.randomize(0.5f);
    EXPECT_EQ(solver.epochMaxError, 0.0f);
    const std::vector<float> weights = allWeights(solver);
    for (const float w : weights) EXPECT_LE(std::fabs(w), 0.25f);
    EXPECT_GT(*std::max_element(weights.begin(), weights.end()), 0.2f);

    auto fresh = [](unsigned seed) {
        seedRandom(seed);
        return allWeights(SolverNetwork());
    };
    EXPECT_EQ(fresh(7), fresh(7));
    EXPECT_NE(fresh(7), fresh(8));
}

TEST(NeuroNetworkTest, NeuronsAndLayersCompute) {
    NeuralNetwork one{2, 1};
    one.layer(1).setWeight(0, 0, 0.25f);
    one.layer(1).setWeight(0, 1, 0.9f);
    const float x[] = {1.0f, 0.0f};
    one.setInputs(x);
    one.forward();
    EXPECT_EQ(one.layer(1).net(0), 0.5f);
    EXPECT_EQ(one.outputs()[0], std::tanh(0.5f));

    // Layers with and without whole vector blocks of neurons compute as each neuron alone.
    NeuralNetwork network{5, 40, 13, 2};
    network.randomize(3.0f);
    const float inputs[] = {-0.9f, -0.53f, -0.16f, 0.21f, 0.58f};
    network.setInputs(inputs);
    network.forward();
    for (unsigned i = 1; i < network.layerCount(); ++i) {
        NetworkLayer& layer = network.layer(i);
        for (unsigned j = 0; j < layer.neuronCount(); ++j) {
            const float net = layer.net(j), output = layer.output(j);
            layer.neuron(j).compute();
            ASSERT_EQ(layer.net(j), net) << "layer " << i << " neuron " << j;
            ASSERT_EQ(layer.output(j), output) << "layer " << i << " neuron " << j;
        }
    }
}

TEST(NeuroNetworkTest, FirstChangesOfAFreshNetwork) {
    SolverNetwork solver;
    const std::vector<float> before = allWeights(solver);
    const SolverPattern p{{0, 0.05f, 0.2f, 0, 0.2f, 0.5f, 0, 0.35f},
                          {0.4f, 0, 0.4f, 0, 0, 0, 0.4f, 0}};
    solver.setInputs(p.in);
    solver.forward();
    solver.backPropagate(p.target);
    const NetworkLayer& out = solver.layer(2);
    for (unsigned j = 0; j < 8; ++j) {
        const float o = out.output(j);
        EXPECT_EQ(out.delta(j), (1.0f - o * o) * (o - p.target[j]));
    }
    solver.computeChanges();
    solver.applyChanges();
    std::size_t w = 0;
    forEachWeight(solver, [&](unsigned i, auto& layer, unsigned j, unsigned k) {
        const float o = solver.layer(i - 1).output(k);
        ASSERT_NEAR(layer.weight(j, k) - before[w++], -0.05f * o * layer.delta(j), 1e-7f);
    });
}

TEST(NeuroNetworkTest, TrainingEndsAtTheThresholdOrAfterAnEmptyEpoch) {
    float lastError = -1.0f;
    auto epochs = [&lastError](const PatternSet& set, int stopIn = 3) {
        StoppingSolver solver(stopIn);  // a training that goes on is stopped in epoch stopIn
        solver.train(set);
        lastError = solver.epochMaxError;
        EXPECT_FALSE(solver.stopRequested) << "a request is cleared as the training ends";
        return solver.epochCount();
    };
    // Every output at or below its target, however far: the epoch's maximum stays 0.
    EXPECT_EQ(epochs(patterns(20, -0.4f)), 1);
    EXPECT_EQ(lastError, 0.0f);
    EXPECT_EQ(epochs(patterns(3, 0.05f), 1), 1);  // also asked to stop in the epoch that ends it
    EXPECT_EQ(epochs(patterns(3, std::nextafter(0.05f, 1.f))), 3);
    EXPECT_EQ(epochs(PatternSet{}), 1);
}

TEST(NeuroNetworkTest, StopRequests) {
    // Made during an epoch: that epoch is finished, and no other begins.
    StoppingSolver solver(2);
    solver.train(patterns(4, 0.5f));
    EXPECT_EQ(solver.epochCount(), 2);
    EXPECT_EQ(solver.epochMaxError, 0.5f);
    EXPECT_FALSE(solver.stopRequested);

    // Made while no training runs: the next one returns at once.
    SolverNetwork idle;
    idle.requestStop();
    idle.train(patterns(10, 0.5f));
    EXPECT_EQ(idle.epochCount(), 0);
    EXPECT_FALSE(idle.stopRequested);
}

// A solver whose outputs for the idle situation (only input 7, 0.25, is nonzero) are chosen.
CarCommand decideWith(const std::vector<float>& outputs) {
    SolverNetwork solver;
    solver.randomize(0.0f);  // every weight 0
    const float hidden = std::tanh(2.0f * 0.25f);
    for (unsigned j = 0; j < 8; ++j) {
        solver.layer(1).setWeight(j, 7, 1.0f);  // hidden neuron j gives tanh(0.5)
        solver.layer(2).setWeight(j, j, std::atanh(outputs[j]) / (2.0f * hidden));
    }
    return solver.decide(SolverState{});
}

TEST(NeuroNetworkTest, DecideEncodesTheStateAndDecodesTheBits) {
    SolverNetwork solver;
    solver.decide(SolverState{1, 2, 1, 9, 0, 1, 0, 0.5f});
    const float encoded[] = {0.05f, 0.1f, 0.05f, 0.45f, 0.0f, 0.05f, 0.0f, 0.33333334f};
    for (unsigned j = 0; j < 8; ++j) EXPECT_EQ(solver.layer(0).output(j), encoded[j]) << j;

    // A bit is set above 0.225; two move bits without a direction bit mean no move.
    constexpr float B = 0.4f;
    const std::pair<std::vector<float>, CarCommand> cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, {2, 0, 0}}, {{B, 0, B, 0, 0, B, 0, 0}, {1, 0, 0}},
        {{B, B, 0, B, 0, 0, B, 0}, {9, 1, 1}}, {{0, B, 0, 0, B, 0, 0, B}, {2, 2, 2}},
        {{B, 0, B, B, 0, 0, 0, 0}, {1, 0, 0}}, {{B, 0, B, B, 0, 0, B, 0}, {1, 9, 1}},
        {{0, 0, 0, B, 0, B, B, B}, {2, 1, 9}}, {{0.23f, 0, 0, 0.23f, 0, 0, 0.22f, 0}, {1, 1, 9}}};
    for (const auto& [outputs, command] : cases)
        EXPECT_EQ(decideWith(outputs), command) << ::testing::PrintToString(outputs);
}

}  // namespace
}  // namespace vardeck
