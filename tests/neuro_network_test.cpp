// The network library: random draws, neurons, training and the solver's decision.

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "neuro/image_name.h"
#include "neuro/network_settings.h"
#include "neuro/random.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"

namespace vardeck {
namespace {

std::vector<float> allWeights(const NeuralNetwork& network) {
    std::vector<float> weights;
    for (unsigned i = 1; i < network.layerCount(); ++i) {
        const NetworkLayer& layer = network.layer(i);
        for (unsigned j = 0; j < layer.neuronCount(); ++j) {
            for (unsigned k = 0; k < layer.inputCount(); ++k) weights.push_back(layer.weight(j, k));
        }
    }
    return weights;
}

void setAllWeights(NeuralNetwork& network, float value) {
    for (unsigned i = 1; i < network.layerCount(); ++i) {
        NetworkLayer& layer = network.layer(i);
        for (unsigned j = 0; j < layer.neuronCount(); ++j) {
            for (unsigned k = 0; k < layer.inputCount(); ++k) layer.setWeight(j, k, value);
        }
    }
}

// Patterns that no network meets within a few epochs.
PatternSet scatteredPatterns(int count) {
    PatternSet set;
    for (int i = 0; i < count; ++i) {
        SolverPattern p;
        for (int j = 0; j < 8; ++j) {
            p.in[j] = encodeStateValue((i * 7 + j * 3) % 4);
            p.target[j] = ((i >> (j % 4)) + j) % 2 ? 0.4f : 0.0f;
        }
        set.records.push_back(p);
    }
    return set;
}

// Zero inputs and zero weights: every output stays 0, so every delta is exactly -target and no
// weight ever changes; each epoch repeats the first.
PatternSet constantDeltaPatterns(int count, unsigned output, float delta) {
    PatternSet set;
    SolverPattern p;
    p.target[output] = -delta;
    set.records.assign(count, p);
    return set;
}

// Asks for a stop when its epoch `stopIn` begins, as the window may do during any epoch; this also
// keeps a faulty training from running forever.
template <class Network>
class Stopping : public Network {
public:
    explicit Stopping(int stopIn) : stopIn_(stopIn) {}
    void nextEpoch() override {
        Network::nextEpoch();
        if (this->epochCount() == stopIn_) this->requestStop();
    }

private:
    int stopIn_;
};
using StoppingSolver = Stopping<SolverNetwork>;

class NeuroNetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        applyNetworkDefaults();
        epochMaxError = 0.0f;
        recentMaxError = 0.0f;
    }
    void TearDown() override { applyNetworkDefaults(); }
};

using NeuroTrainingTest = NeuroNetworkTest;
using NeuroDecideTest = NeuroNetworkTest;

TEST_F(NeuroNetworkTest, RandomDrawsAreTheClassicSequencePerThread) {
    std::vector<int> first;
    std::thread([&first] {
        for (int i = 0; i < 5; ++i) first.push_back(randomInt());
    }).join();
    EXPECT_EQ(first, (std::vector<int>{41, 18467, 6334, 26500, 19169}));

    seedRandom(12345);  // this thread only
    int otherThread = -1;
    std::thread([&otherThread] { otherThread = randomInt(); }).join();
    EXPECT_EQ(otherThread, 41);

    seedRandom(99);
    const int plain[] = {randomInt(), randomInt(), randomInt()};
    seedRandom(99);
    for (const int r : plain) EXPECT_EQ(randomIndex(32768), static_cast<std::size_t>(r));
    // Large sets are drawn from wider numbers, so that every index can come up.
    std::size_t largest = 0;
    for (int i = 0; i < 2000; ++i) largest = std::max(largest, randomIndex(100000));
    EXPECT_GT(largest, 32767u);
    EXPECT_LT(largest, 100000u);
}

TEST_F(NeuroNetworkTest, OneNeuronAndZeroInputs) {
    NeuralNetwork network{2, 1};
    NetworkLayer& out = network.layer(1);
    out.setWeight(0, 0, 0.25f);
    out.setWeight(0, 1, 0.9f);
    const float inputs[] = {1.0f, 0.0f};
    network.setInputs(inputs);
    network.forward();
    EXPECT_EQ(out.net(0), 0.5f);
    EXPECT_EQ(network.outputs()[0], std::tanh(0.5f));
    EXPECT_EQ(out.neuron(0).derivative(), 1.0f - std::tanh(0.5f) * std::tanh(0.5f));

    SolverNetwork solver;
    const float zeros[8] = {};
    solver.setInputs(zeros);
    solver.forward();
    for (unsigned i = 1; i < 3; ++i) {
        for (unsigned j = 0; j < solver.layer(i).neuronCount(); ++j) {
            EXPECT_EQ(solver.layer(i).net(j), 0.0f);
            EXPECT_EQ(solver.layer(i).output(j), 0.0f);
        }
    }
}

TEST_F(NeuroNetworkTest, LayerComputesExactlyAsEachNeuronAlone) {
    // Shapes with and without whole vector blocks of neurons.
    for (const auto& shape :
         {std::vector<unsigned>{8, 40, 8}, std::vector<unsigned>{5, 13, 9, 2}}) {
        NeuralNetwork network(shape);
        network.randomize(3.0f);
        std::vector<float> inputs(shape[0]);
        for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i] = 0.37f * float(i) - 0.9f;
        network.setInputs(inputs.data());
        network.forward();
        for (unsigned i = 1; i < network.layerCount(); ++i) {
            NetworkLayer& layer = network.layer(i);
            for (unsigned j = 0; j < layer.neuronCount(); ++j) {
                float net = 0.0f;  // net := net + (2x)(2w) in input order, then net * 0.5
                for (unsigned k = 0; k < layer.inputCount(); ++k) {
                    net += (2.0f * network.layer(i - 1).output(k)) * (2.0f * layer.weight(j, k));
                }
                ASSERT_EQ(layer.net(j), net * 0.5f) << "layer " << i << " neuron " << j;
                ASSERT_EQ(layer.output(j), std::tanh(net * 0.5f));
                layer.neuron(j).compute();
                ASSERT_EQ(layer.output(j), std::tanh(net * 0.5f));
            }
        }
    }
}

TEST_F(NeuroNetworkTest, FreshNetworks) {
    SolverNetwork solver;
    TeacherNetwork teacher;
    const std::vector<unsigned> shapes[] = {{8, 40, 8}, {3, 30, 1}};
    const NeuralNetwork* networks[] = {&solver, &teacher};
    for (int n = 0; n < 2; ++n) {
        ASSERT_EQ(networks[n]->layerCount(), 3u);
        for (unsigned i = 0; i < 3; ++i) {
            const NetworkLayer& layer = networks[n]->layer(i);
            EXPECT_EQ(layer.neuronCount(), shapes[n][i]);
            EXPECT_EQ(layer.inputCount(), i == 0 ? 0u : shapes[n][i - 1]);
            for (unsigned j = 0; j < layer.neuronCount(); ++j) {
                for (unsigned k = 0; k < layer.inputCount(); ++k) {
                    EXPECT_LE(std::fabs(layer.weight(j, k)), 0.5f);
                    EXPECT_EQ(layer.previousChange(j, k), 0.0f);
                }
            }
        }
        EXPECT_EQ(networks[n]->epochCount(), 0);
        EXPECT_FALSE(networks[n]->stopRequested);
    }
    EXPECT_EQ(solver.imageName(), "");
}

TEST_F(NeuroNetworkTest, RandomizeOrderSpreadAndWhatItKeeps) {
    seedRandom(1);
    NeuralNetwork small{2, 2, 1};
    small.randomize(1.0f);
    // The classic draws go to layer 1's neuron 0 (inputs 0, 1), its neuron 1, then layer 2.
    const double draws[] = {41, 18467, 6334, 26500, 19169, 15724};
    auto expected = [&draws](int i) { return static_cast<float>(draws[i] / 32767.0 - 0.5); };
    EXPECT_EQ(small.layer(1).weight(0, 1), expected(1));
    EXPECT_EQ(small.layer(1).weight(1, 0), expected(2));
    EXPECT_EQ(small.layer(2).weight(0, 1), expected(5));

    SolverNetwork solver;
    const SolverPattern p = scatteredPatterns(1).records[0];
    solver.trainPattern(p.in, p.target);
    const float change = solver.layer(2).previousChange(3, 5);
    ASSERT_NE(change, 0.0f);
    epochMaxError = 0.7f;
    solver.randomize(0.5f);
    EXPECT_EQ(epochMaxError, 0.0f);
    EXPECT_EQ(solver.layer(2).previousChange(3, 5), change);
    const std::vector<float> weights = allWeights(solver);
    for (const float w : weights) EXPECT_LE(std::fabs(w), 0.25f);
    EXPECT_GT(*std::max_element(weights.begin(), weights.end()), 0.2f);
}

TEST_F(NeuroNetworkTest, SameSeedGivesTheSameNetworkAndTheSameTraining) {
    auto fresh = [](unsigned seed) {
        seedRandom(seed);
        return allWeights(SolverNetwork());
    };
    EXPECT_EQ(fresh(7), fresh(7));
    EXPECT_NE(fresh(7), fresh(8));

    const PatternSet set = scatteredPatterns(40);
    auto trained = [&set](unsigned seed) {
        seedRandom(seed);
        StoppingSolver solver(3);
        solver.train(set);
        return allWeights(solver);
    };
    const std::vector<float> once = trained(11);
    EXPECT_EQ(once, trained(11));
    EXPECT_NE(once, fresh(11));
}

TEST_F(NeuroTrainingTest, FirstChangeOfAFreshNetwork) {
    SolverNetwork solver;
    const std::vector<float> before = allWeights(solver);
    const SolverPattern p = scatteredPatterns(3).records[2];
    solver.setInputs(p.in);
    solver.forward();
    solver.backPropagate(p.target);
    const NetworkLayer& hidden = solver.layer(1);
    const NetworkLayer& out = solver.layer(2);
    for (unsigned j = 0; j < 8; ++j) {
        const float o = out.output(j);
        EXPECT_EQ(out.delta(j), (1.0f - o * o) * (o - p.target[j]));
    }
    for (unsigned j = 0; j < 40; ++j) {  // from the weights before the update
        float sum = 0.0f;
        for (unsigned k = 0; k < 8; ++k) sum += out.weight(k, j) * out.delta(k);
        EXPECT_EQ(hidden.delta(j), (1.0f - hidden.output(j) * hidden.output(j)) * sum);
    }
    solver.computeChanges();
    solver.applyChanges();

    // learningRate * (o * (1 - momentum) * delta + momentum * 0): about -0.05 * o * delta.
    std::size_t w = 0;
    for (unsigned i = 1; i < 3; ++i) {
        const NetworkLayer& layer = solver.layer(i);
        for (unsigned j = 0; j < layer.neuronCount(); ++j) {
            for (unsigned k = 0; k < layer.inputCount(); ++k, ++w) {
                const float o = solver.layer(i - 1).output(k);
                const float change = 0.1f * (o * 0.5f * layer.delta(j) + 0.5f * 0.0f);
                ASSERT_EQ(layer.previousChange(j, k), change) << i << " " << j << " " << k;
                ASSERT_EQ(layer.weight(j, k), before[w] - change);
                ASSERT_NEAR(layer.weight(j, k) - before[w], -0.05f * o * layer.delta(j), 1e-7f);
            }
        }
    }

    // trainPattern does the same in one call.
    seedRandom(4);
    SolverNetwork a;
    seedRandom(4);
    SolverNetwork b;
    a.trainPattern(p.in, p.target);
    b.setInputs(p.in);
    b.forward();
    b.backPropagate(p.target);
    b.computeChanges();
    b.applyChanges();
    EXPECT_EQ(allWeights(a), allWeights(b));
}

TEST_F(NeuroTrainingTest, SettingsShapeTheChange) {
    EXPECT_EQ(setLearningRate(1.0f), 0.1f);
    EXPECT_EQ(setMomentum(0.0f), 0.5f);
    NeuralNetwork network{1, 1};
    const float x[] = {0.5f};
    const float t[] = {-0.25f};
    network.trainPattern(x, t);  // output 0, delta 0.25: the whole o * delta is taken
    EXPECT_EQ(network.layer(1).previousChange(0, 0), 0.125f);
    EXPECT_EQ(network.layer(1).weight(0, 0), -0.125f);

    // The learning rate multiplies the carried previous change too.
    setLearningRate(0.5f);
    setMomentum(0.5f);
    network.layer(1).setWeight(0, 0, 0.0f);
    network.trainPattern(x, t);
    EXPECT_EQ(network.layer(1).previousChange(0, 0), 0.5f * (0.5f * 0.5f * 0.25f + 0.5f * 0.125f));
    applyNetworkDefaults();
    EXPECT_EQ(learningRate(), 0.1f);
    EXPECT_EQ(momentum(), 0.5f);
}

TEST_F(NeuroTrainingTest, ErrorMaximaAreSignedAndOnlyRise) {
    NeuralNetwork network{1, 2};
    const float x[] = {1.0f};
    const float t[] = {0.3f, -0.2f};  // deltas -0.3 and 0.2
    recentMaxError = 0.9f;
    network.setInputs(x);
    network.forward();
    network.backPropagate(t);
    EXPECT_EQ(epochMaxError, 0.2f);
    EXPECT_EQ(recentMaxError, 0.9f);

    const float above[] = {0.3f, 0.5f};  // both targets above the outputs
    epochMaxError = 0.0f;
    network.backPropagate(above);
    EXPECT_EQ(epochMaxError, 0.0f);
}

TEST_F(NeuroTrainingTest, TrainingEndsAtOrBelowTheThreshold) {
    auto epochs = [](const PatternSet& set) {
        StoppingSolver solver(3);  // a training that goes on is stopped in its third epoch
        setAllWeights(solver, 0.0f);
        solver.train(set);
        return solver.epochCount();
    };
    // Every output at or below its target, however far: the epoch's maximum stays 0.
    EXPECT_EQ(epochs(constantDeltaPatterns(20, 2, -0.4f)), 1);
    EXPECT_EQ(epochMaxError, 0.0f);
    // The test is strict: a maximum equal to the threshold ends training.
    EXPECT_EQ(epochs(constantDeltaPatterns(3, 4, 0.05f)), 1);
    EXPECT_EQ(epochs(constantDeltaPatterns(3, 4, std::nextafter(0.05f, 1.f))), 3);

    auto teacherEpochs = [](float delta) {
        Stopping<TeacherNetwork> teacher(3);
        setAllWeights(teacher, 0.0f);
        TeacherPatternSet set;
        set.records.assign(2, TeacherPattern{{}, -delta});
        teacher.train(set);
        return teacher.epochCount();
    };
    EXPECT_EQ(teacherEpochs(0.01f), 1);
    EXPECT_EQ(teacherEpochs(std::nextafter(0.01f, 1.0f)), 3);

    // A real training reaches the threshold (no output above its target by more than 0.01).
    Stopping<TeacherNetwork> learner(20000);
    const float c = 0.13333334f;
    TeacherPatternSet teacherSet;
    teacherSet.records = {{{c, c, c}, c}, {{2 * c, 2 * c, 2 * c}, 2 * c}};
    learner.train(teacherSet);
    EXPECT_LE(epochMaxError, 0.01f);
    EXPECT_LT(learner.epochCount(), 20000);
    EXPECT_LE(learner.decideOutput(c, c, c), c + 0.02f);
}

TEST_F(NeuroTrainingTest, StopRequests) {
    // Made during an epoch: that epoch is finished, and no other begins.
    StoppingSolver solver(2);
    setAllWeights(solver, 0.0f);
    solver.train(constantDeltaPatterns(4, 0, 0.5f));
    EXPECT_EQ(solver.epochCount(), 2);
    EXPECT_EQ(epochMaxError, 0.5f);
    EXPECT_FALSE(solver.stopRequested);

    // Made in an epoch that reaches the threshold: cleared as training ends.
    StoppingSolver last(1);
    last.train(constantDeltaPatterns(4, 0, 0.0f));
    EXPECT_EQ(last.epochCount(), 1);
    EXPECT_FALSE(last.stopRequested);

    // Made while no training runs: the next one returns at once.
    SolverNetwork idle;
    const std::vector<float> before = allWeights(idle);
    idle.requestStop();
    idle.train(scatteredPatterns(10));
    EXPECT_EQ(idle.epochCount(), 0);
    EXPECT_FALSE(idle.stopRequested);
    EXPECT_EQ(allWeights(idle), before);
}

TEST_F(NeuroTrainingTest, EmptySetBeginsExactlyOneEpoch) {
    SolverNetwork solver;
    const std::vector<float> before = allWeights(solver);
    solver.train(PatternSet{});
    EXPECT_EQ(solver.epochCount(), 1);
    EXPECT_EQ(epochMaxError, 0.0f);
    EXPECT_EQ(allWeights(solver), before);
    TeacherNetwork teacher;
    teacher.train(TeacherPatternSet{});
    teacher.train(TeacherPatternSet{});
    EXPECT_EQ(teacher.epochCount(), 2);
}

TEST_F(NeuroTrainingTest, EachEpochDrawsEveryPatternOnceWithRedraws) {
    // After one epoch the thread's generator stands where the draw-and-redraw rule leaves it.
    SolverNetwork solver;
    seedRandom(2024);
    solver.train(constantDeltaPatterns(13, 0, -0.4f));
    ASSERT_EQ(solver.epochCount(), 1);
    const int after = randomInt();

    seedRandom(2024);
    std::vector<bool> drawn(13, false);
    for (int i = 0; i < 13; ++i) {
        int r = randomInt() % 13;
        while (drawn[r]) r = randomInt() % 13;
        drawn[r] = true;
    }
    EXPECT_EQ(after, randomInt());
}

// A solver whose outputs for the idle situation (only input 7, 0.25, is nonzero) are chosen.
CarCommand decideWith(const std::vector<float>& outputs) {
    SolverNetwork solver;
    setAllWeights(solver, 0.0f);
    const float hidden = std::tanh(2.0f * 0.25f);
    for (unsigned j = 0; j < 8; ++j) {
        solver.layer(1).setWeight(j, 7, 1.0f);  // hidden neuron j gives tanh(0.5)
        solver.layer(2).setWeight(j, j, std::atanh(outputs[j]) / (2.0f * hidden));
    }
    return solver.decide(SolverState{});
}

TEST_F(NeuroDecideTest, InputsAreEncodedLikeThePatternFile) {
    SolverNetwork solver;
    solver.decide(SolverState{1, 2, 1, 9, 0, 1, 0, 0.5f});
    const float expected[] = {0.05f, 0.1f, 0.05f, 0.45f, 0.0f, 0.05f, 0.0f, 0.33333334f};
    for (unsigned j = 0; j < 8; ++j) EXPECT_EQ(solver.layer(0).output(j), expected[j]) << j;
}

TEST_F(NeuroDecideTest, OutputBitsBecomeOrders) {
    const struct {
        std::vector<int> bits;
        CarCommand command;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, {2, 0, 0}},  // 9 and 9 become 0 and 0
        {{1, 0, 1, 0, 0, 1, 0, 0}, {1, 0, 0}},
        {{1, 1, 0, 1, 0, 0, 1, 0}, {9, 1, 1}},
        {{0, 1, 0, 0, 1, 0, 0, 1}, {2, 2, 2}},
        {{1, 0, 1, 1, 0, 0, 0, 0}, {1, 0, 0}},  // two move bits, no direction bit
        {{1, 0, 1, 1, 0, 0, 1, 0}, {1, 9, 1}},
        {{0, 0, 0, 1, 0, 1, 1, 1}, {2, 1, 9}},
    };
    for (const auto& c : cases) {
        std::vector<float> outputs;
        for (const int bit : c.bits) outputs.push_back(bit ? 0.4f : 0.0f);
        EXPECT_EQ(decideWith(outputs), c.command) << ::testing::PrintToString(c.bits);
    }
    // A bit is set above 0.225: 0.23 opens the door and moves up; 0.22 sets no direction.
    EXPECT_EQ(decideWith({0.23f, 0, 0, 0.23f, 0, 0, 0.22f, 0}), (CarCommand{1, 1, 9}));
}

TEST_F(NeuroNetworkTest, NumberedImageNames) {
    const std::pair<float, const char*> names[] = {
        {0.0f, "000"},
        {0.095f, "000"},
        {0.1f, "020"},
        {0.35f, "040"},
        {0.5f, "060"},
        {0.89f, "080"},
        {0.9f, "100"},
        {1.0f, "100"},
        {-0.35f, "-20"},  // n -35, m -25,
                          // remainder -5
        {std::nanf(""), "000"},
    };
    for (const auto& [ksu, number] : names) {
        EXPECT_EQ(numberedImageName(ksu), std::string("solver.img.") + number) << ksu;
    }
    EXPECT_FALSE(numberedImageName(1e30f).empty());
    EXPECT_FALSE(numberedImageName(-INFINITY).empty());
}

}  // namespace
}  // namespace vardeck
