// Training on a worker thread while the user-interface thread keeps using the network. Also run
// under ThreadSanitizer, so it is kept short.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <thread>

#include "neuro/network_settings.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"

namespace vardeck {
namespace {

TEST(NeuroThreadsTest, SolverTrainsWhileTheWindowDecidesWatchesAndStops) {
    const std::string image = std::string(VARDECK_DATA_DIR) + "/solver.img";
    SolverNetwork solver;
    SolverPattern p;  // with zero inputs output 0 stays 0.5 above its target: only a stop ends this
    p.target[0] = -0.5f;
    const PatternSet patterns{std::vector<SolverPattern>(300, p)};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        solver.train(patterns);
        finished = true;
    });

    float seenError = 0.0f;
    // Until the panel has seen an error and a few epochs have passed.
    for (int decisions = 0; !finished && (seenError == 0.0f || solver.epochCount() < 3);
         ++decisions) {
        EXPECT_NE(solver.decide(SolverState{0, 0, 0, 1 + decisions % 3}).doorCommand, 0);
        // The panel's sample: read and reset the recent maximum, show the epoch's.
        seenError = std::max({seenError, recentMaxError.exchange(0.0f), epochMaxError.load()});
        // Loading replaces the network between two training patterns.
        if (decisions % 50 == 0) {
            EXPECT_EQ(solver.load(image), 0);
        }
    }
    solver.requestStop();  // the epoch under way is finished
    worker.join();
    EXPECT_GE(solver.epochCount(), 3);
    EXPECT_FALSE(solver.stopRequested);
    EXPECT_GT(seenError, 0.0f);
}

TEST(NeuroThreadsTest, TeacherTrainsWhileTheAdaptiveSystemAsksIt) {
    const std::string image = std::string(VARDECK_DATA_DIR) + "/teacher.img";
    TeacherNetwork teacher;
    TeacherPattern p;  // with zero inputs the output stays 0.5 above its target
    p.target = -0.5f;
    TeacherPatternSet patterns;
    patterns.records.assign(200, p);
    std::thread worker([&] { teacher.train(patterns); });
    for (int decisions = 0; decisions < 200 || teacher.epochCount() < 2; ++decisions) {
        const float output = teacher.decideOutput(0.4f, 0.2667f, 0.1333f);
        EXPECT_TRUE(std::isfinite(output));
        if (decisions % 50 == 0) {
            EXPECT_EQ(teacher.load(image), 0);
        }
    }
    teacher.requestStop();
    worker.join();
    EXPECT_FALSE(teacher.stopRequested);
}

}  // namespace
}  // namespace vardeck
