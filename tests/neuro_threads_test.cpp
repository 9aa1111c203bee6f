// Training on a worker thread while the user-interface thread keeps using the network. Also run
// under ThreadSanitizer, so it is kept short.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "neuro/network_settings.h"
#include "neuro/pattern_set.h"
#include "neuro/solver_network.h"
#include "test_support.h"

namespace vardeck {
namespace {

PatternSet manyPatterns(int count) {
    PatternSet set;
    for (int i = 0; i < count; ++i) {
        SolverPattern p;
        for (int j = 0; j < 7; ++j) p.in[j] = encodeStateValue((i + j) % 3);
        p.in[7] = encodePopulestOffset(static_cast<float>(i % 29 - 14) / 14.0f);
        for (int j = 0; j < 8; ++j) p.target[j] = (i * 5 + j * 3) % 7 < 3 ? 0.4f : 0.0f;
        set.records.push_back(p);
    }
    return set;
}

class NeuroThreadsTest : public ::testing::Test {
protected:
    NeuroThreadsTest() { applyNetworkDefaults(); }

private:
    test::TempDir directory_;
};

TEST_F(NeuroThreadsTest, SolverTrainsWhileTheWindowDecidesWatchesAndStops) {
    SolverNetwork solver;
    ASSERT_EQ(solver.save("solver.img"), 0);
    const PatternSet patterns = manyPatterns(300);
    std::atomic<bool> finished{false};

    std::thread worker([&] {
        solver.train(patterns);
        finished = true;
    });

    int decisions = 0;
    int lastEpoch = 0;
    bool stopAsked = false;
    float seenError = 0.0f;
    SolverState state;
    while (!finished) {
        state.target = 1 + decisions % 3;
        state.populestOffset = static_cast<float>(decisions % 15) / 14.0f;
        const CarCommand command = solver.decide(state);
        ASSERT_TRUE(command.doorCommand == 1 || command.doorCommand == 2 ||
                    command.doorCommand == 9);
        ++decisions;
        const int epoch = solver.epochCount();
        ASSERT_GE(epoch, lastEpoch);
        lastEpoch = epoch;
        // The panel's sample: read and reset the recent maximum, show the epoch's.
        seenError = std::max(seenError, recentMaxError.load());
        recentMaxError = 0.0f;
        ASSERT_LE(epochMaxError.load(), 1.0f);
        if (decisions % 50 == 0) {
            EXPECT_EQ(solver.imageName(), "solver.img");
            // Loading replaces the network between two training patterns.
            EXPECT_EQ(solver.load("solver.img"), 0);
        }
        if (epoch >= 3 && !stopAsked) {
            solver.requestStop();
            stopAsked = true;
        }
    }
    worker.join();

    EXPECT_GE(solver.epochCount(), 3);
    EXPECT_FALSE(solver.stopRequested);
    EXPECT_GT(decisions, 0);
    EXPECT_GT(seenError, 0.0f);
    EXPECT_EQ(solver.save("solver.img"), 0);
}

// Holds its first epoch until the other thread has asked for a stop, so that the request is sure
// to arrive while an epoch runs.
class HeldSolver : public SolverNetwork {
public:
    void nextEpoch() override {
        SolverNetwork::nextEpoch();
        began = true;
        while (!release) std::this_thread::yield();
    }
    std::atomic<bool> began{false};
    std::atomic<bool> release{false};
};

TEST_F(NeuroThreadsTest, StopFromTheWindowLetsTheEpochFinish) {
    HeldSolver solver;
    const PatternSet patterns = manyPatterns(50);
    std::thread worker([&] { solver.train(patterns); });
    while (!solver.began) std::this_thread::yield();
    solver.requestStop();
    solver.release = true;
    worker.join();
    EXPECT_EQ(solver.epochCount(), 1);
    EXPECT_FALSE(solver.stopRequested);
    EXPECT_GT(epochMaxError.load(), SolverNetwork::kThreshold);  // the epoch was trained
}

}  // namespace
}  // namespace vardeck
