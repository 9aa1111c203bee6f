// The network library: random draws, neurons, training and the solver's decision.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "network_images.h"
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
    for (const float w : allWeights(solver)) EXPECT_LE(std::fabs(w), 0.5f);
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

TEST(NeuroNetworkTest, LayersComputeTwiceTheWeightedSum) {
    NeuralNetwork one{2, 1};
    one.layer(1).setWeight(0, 0, 0.25f);
    one.layer(1).setWeight(0, 1, 0.9f);
    const float x[] = {1.0f, 0.0f};
    one.setInputs(x);
    one.forward();
    EXPECT_EQ(one.layer(1).net(0), 0.5f);
    EXPECT_NEAR(one.outputs()[0], std::tanh(0.5), 1e-6);

    // Layers with and without whole vector blocks of neurons, against sums worked out here.
    NeuralNetwork network{5, 40, 13, 2};
    network.randomize(3.0f);
    const float inputs[] = {-0.9f, -0.53f, -0.16f, 0.21f, 0.58f};
    network.setInputs(inputs);
    network.forward();
    for (unsigned i = 1; i < network.layerCount(); ++i) {
        const NetworkLayer& layer = network.layer(i);
        for (unsigned j = 0; j < layer.neuronCount(); ++j) {
            double net = 0;
            for (unsigned k = 0; k < layer.inputCount(); ++k)
                net += 2.0 * network.layer(i - 1).output(k) * layer.weight(j, k);
            ASSERT_NEAR(layer.net(j), net, 1e-4) << "layer " << i << " neuron " << j;
            ASSERT_NEAR(layer.output(j), std::tanh(layer.net(j)), 1e-5);
        }
    }
}

// Half the summed squared output error of one pattern, as the network computes its outputs.
double patternError(NeuralNetwork& network, const float* inputs, const float* targets) {
    network.setInputs(inputs);
    network.forward();
    double error = 0;
    for (std::size_t j = 0; j < network.outputs().size(); ++j)
        error += 0.5 * std::pow(network.outputs()[j] - targets[j], 2);
    return error;
}

// The training arithmetic, with a learning rate and momentum that differ from each other and
// from 1 - momentum, so that no factor can stand in for another.
class NetworkUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        setLearningRate(kRate);
        setMomentum(kMomentum);
        seedRandom(3);
        network.randomize(1.0f);
    }
    void TearDown() override { applyNetworkDefaults(); }
    static constexpr float kRate = 0.2f;
    static constexpr float kMomentum = 0.3f;
    // Two hidden layers whose sizes are no multiple of the vector blocks or of the four sums
    // that back-propagation interleaves.
    NeuralNetwork network{5, 13, 6, 3};
    const float inputs[5] = {0.45f, -0.3f, 0.15f, 0.05f, -0.4f};
    const float targets[3] = {0.4f, 0.0f, -0.3f};
};

// Every weight of a fresh network (previous changes 0) moves against the gradient of the error,
// found here by numerical differentiation of the forward pass. The deltas leave out the factor 2
// of the net, so the share of the gradient halves with every layer further from the output.
TEST_F(NetworkUpdateTest, FirstUpdateFollowsTheNumericalGradient) {
    struct Expected {
        unsigned layer, neuron, input;
        float weight;
        double change;
    };
    std::vector<Expected> expected;
    double largest = 0;
    forEachWeight(network, [&](unsigned i, NetworkLayer& layer, unsigned j, unsigned k) {
        const float w = layer.weight(j, k);
        const float h = 1e-2f;
        layer.setWeight(j, k, w + h);
        const double above = patternError(network, inputs, targets);
        layer.setWeight(j, k, w - h);
        const double below = patternError(network, inputs, targets);
        layer.setWeight(j, k, w);
        const double gradient = (above - below) / (2.0 * h);
        const double share = std::ldexp(1.0, -int(network.layerCount() - i));
        expected.push_back({i, j, k, w, kRate * (1 - kMomentum) * share * gradient});
        largest = std::max(largest, std::fabs(gradient));
    });
    ASSERT_GT(largest, 0.05) << "a gradient too flat to tell right from wrong";

    network.trainPattern(inputs, targets);
    for (const Expected& e : expected) {
        const float change = e.weight - network.layer(e.layer).weight(e.neuron, e.input);
        ASSERT_NEAR(change, e.change, 2e-6 + 0.01 * std::fabs(e.change))
            << "layer " << e.layer << " neuron " << e.neuron << " input " << e.input;
    }
}

// With all inputs 0 every neuron's input is 0 (tanh(0), no bias), so the second change of each
// weight is its momentum term alone: learning rate times momentum times the first change.
TEST_F(NetworkUpdateTest, SecondUpdateCarriesTheFirstChange) {
    const std::vector<float> start = allWeights(network);
    network.trainPattern(inputs, targets);
    const std::vector<float> once = allWeights(network);
    const float zeros[5] = {};
    network.trainPattern(zeros, targets);
    const std::vector<float> twice = allWeights(network);
    for (std::size_t w = 0; w < start.size(); ++w) {
        const float first = start[w] - once[w];
        ASSERT_NEAR(once[w] - twice[w], kRate * kMomentum * first, 1e-7) << "weight " << w;
    }
    EXPECT_GT(std::fabs(start[0] - once[0]), 1e-4);
}

TEST(NeuroNetworkTest, TrainingEndsAtTheThresholdOrAfterAnEmptyEpoch) {
    float lastError = -1.0f;
    auto epochs = [&lastError](const PatternSet& set) {
        StoppingSolver solver(3);  // a training that goes on is stopped in its third epoch
        solver.train(set);
        lastError = solver.epochMaxError;
        EXPECT_FALSE(solver.stopRequested) << "a request is cleared as the training ends";
        return solver.epochCount();
    };
    // Every output at or below its target, however far: the epoch's maximum stays 0.
    EXPECT_EQ(epochs(test::zeroInputPatterns(20, -0.4f)), 1);
    EXPECT_EQ(lastError, 0.0f);
    EXPECT_EQ(epochs(test::zeroInputPatterns(3, SolverNetwork::kThreshold)), 1);
    EXPECT_EQ(epochs(test::zeroInputPatterns(3, std::nextafter(SolverNetwork::kThreshold, 1.f))),
              3);
    EXPECT_EQ(epochs(PatternSet{}), 1);
}

// Opens the epoch loop to a pattern source of the test's own.
struct CountingNetwork : NeuralNetwork {
    CountingNetwork() : NeuralNetwork({1, 1}) {}
    using NeuralNetwork::trainPatterns;
};

TEST(NeuroNetworkTest, AnEpochUsesEveryPatternOnce) {
    CountingNetwork network;
    std::vector<int> visits(300);
    const float zero = 0.0f;  // output 0 at target 0: the first epoch is the last
    network.trainPatterns(visits.size(), 1, 1, 0.01f,
                          [&](std::size_t index, const float*& in, const float*& target) {
                              ++visits.at(index);
                              in = target = &zero;
                          });
    EXPECT_EQ(visits, std::vector<int>(visits.size(), 1));
}

TEST(NeuroNetworkTest, StopRequests) {
    // Made during an epoch: that epoch is finished, and no other begins.
    StoppingSolver solver(2);
    solver.train(test::zeroInputPatterns(4, 0.5f));
    EXPECT_EQ(solver.epochCount(), 2);
    EXPECT_EQ(solver.epochMaxError, 0.5f);
    EXPECT_FALSE(solver.stopRequested);

    // Made while no training runs: the next one returns at once.
    SolverNetwork idle;
    idle.requestStop();
    idle.train(test::zeroInputPatterns(10, 0.5f));
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
