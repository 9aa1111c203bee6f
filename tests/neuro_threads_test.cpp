// Training on a worker thread while the user-interface thread keeps using the network. Also run
// under ThreadSanitizer, so it is kept short.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

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
        seenError = std::max(
            {seenError, solver.recentMaxError.exchange(0.0f), solver.epochMaxError.load()});
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

// The solver's and the teacher's trainings side by side: the teacher's epochs, which end at once,
// never make the solver's training, which can only be stopped, believe that it has converged.
TEST(NeuroThreadsTest, TwoTrainingsAtOnceEachStopByTheirOwnError) {
    SolverNetwork solver;
    SolverPattern p;  // with zero inputs output 0 stays 0.5 above its target: only a stop ends this
    p.target[0] = -0.5f;
    const PatternSet unreachable{std::vector<SolverPattern>(2, p)};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        solver.train(unreachable);
        finished = true;
    });
    TeacherNetwork teacher;
    int teacherTrainings = 0;
    while (!finished && solver.epochCount() < 3000) {
        teacher.train(TeacherPatternSet{});  // one epoch, with nothing to learn
        ++teacherTrainings;
    }
    EXPECT_FALSE(finished) << "the solver stopped after " << solver.epochCount() << " epochs";
    solver.requestStop();
    worker.join();
    EXPECT_GT(solver.epochMaxError, 0.05f);
    EXPECT_EQ(teacher.epochCount(), teacherTrainings);
}

}  // namespace
}  // namespace vardeck
