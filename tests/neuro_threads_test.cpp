// Training on a worker thread while the user-interface thread keeps using the network. Also run
// under ThreadSanitizer, so it is kept short.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <thread>

#include "network_images.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"

namespace vardeck {
namespace {

// A solver training on a worker thread.
struct Training {
    Training(SolverNetwork& solver, PatternSet patterns)
        : worker([&solver, this, set = std::move(patterns)] {
              solver.train(set);
              finished = true;
          }) {}
    std::atomic<bool> finished{false};
    std::thread worker;
};

TEST(NeuroThreadsTest, SolverTrainsWhileTheWindowDecidesWatchesAndStops) {
    const std::string image = std::string(VARDECK_DATA_DIR) + "/solver.img";
    SolverNetwork solver;
    Training training(solver, test::zeroInputPatterns(300, 0.5f));
    std::atomic<bool>& finished = training.finished;

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
    training.worker.join();
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

// The solver's and the teacher's trainings side by side: the teacher's epochs, in which no output
// lies above its target, never make the solver's training, which can only be stopped, believe
// that it has converged.
TEST(NeuroThreadsTest, TwoTrainingsAtOnceEachStopByTheirOwnError) {
    SolverNetwork solver;
    // The one stuck pattern keeps the solver's largest error at 0.5 in every epoch, however the
    // patterns are ordered.
    Training training(solver, test::zeroInputPatterns(1, 0.5f, 20));
    TeacherNetwork teacher;
    TeacherPatternSet below;  // zero inputs give output 0, below every target of 1
    below.records.resize(20, TeacherPattern{{0, 0, 0}, 1.0f});
    int teacherTrainings = 0;
    while (!training.finished && solver.epochCount() < 500) {
        teacher.train(below);  // ends after one epoch, its largest error 0
        ++teacherTrainings;
    }
    EXPECT_FALSE(training.finished)
        << "the solver stopped after " << solver.epochCount() << " epochs";
    solver.requestStop();
    training.worker.join();
    EXPECT_GT(solver.epochMaxError, 0.05f);
    EXPECT_EQ(teacher.epochCount(), teacherTrainings);
    EXPECT_EQ(teacher.epochMaxError, 0.0f);
}

}  // namespace
}  // namespace vardeck
