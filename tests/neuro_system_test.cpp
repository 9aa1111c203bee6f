#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <optional>
#include <thread>

#include "network_images.h"
#include "neuro/network_settings.h"
#include "sim/simulation.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::writeFile;

class NeuroSystemTest : public ::testing::Test {
protected:
    NeuroSystemTest() {
        applyNetworkDefaults();
        sim.settings.setDefaults();
        sim.settings.elemToCheckNeedToAdapt = 4;
    }
    SolverState encode() { return sim.neuro.encodeState(); }
    test::TempDir dir;
    Simulation sim;
    Car& car = sim.building.car;
    HallCallPanel& hall = sim.building.hallPanel;
};

TEST_F(NeuroSystemTest, EncodeStateMasksWhatTheSolverNeedNotSee) {
    sim.select(SystemKind::Neuro);
    // The car's floor, last move, direction, doors and the button lit in it, the hall calls,
    // and what the solver sees.
    struct Case {
        int floor, lastMove, direction, doorOpen, button;
        std::vector<std::pair<int, int>> hallCalls;
        SolverState seen;
    };
    const Case cases[] = {
        // Open doors hide all but the target; a direction hides the target.
        {5, 0, 0, 1, 0, {{9, 0}, {5, 1}}, {1, 0, 0, 9}},
        {5, 0, 1, 0, 9, {}, {0, 0, 1, 9}},
        // Just moved up; the highest request is the down lamp of the car's own floor.
        {12, 1, 1, 0, 0, {{12, 0}}, {0, 1, 1, 2, 0, 0, 1}},
        {12, 1, 1, 0, 0, {{12, 0}, {12, 1}}, {0, 1, 1, 9, 0, 1, 1}},
        // A last move without a direction counts as standing.
        {3, 2, 0, 0, 0, {{8, 1}}, {0, 0, 0, 3}},
        // The car button of the car's floor hides everything else.
        {4, 0, 2, 0, 4, {{4, 0}}, {0, 0, 0, 9, 1}}};
    for (const Case& c : cases) {
        sim.building.reset();
        car.floor = c.floor;
        car.lastMove = c.lastMove;
        car.direction = c.direction;
        car.doorOpen = c.doorOpen;
        car.buttons[c.button] = c.button != 0;
        for (const auto& [floor, dir] : c.hallCalls) hall.press(floor, dir);
        EXPECT_EQ(encode(), c.seen) << c.floor << " " << ::testing::PrintToString(c.hallCalls);
    }
}

TEST_F(NeuroSystemTest, IdleCarIsToldWhereThePopulestFloorLies) {
    sim.select(SystemKind::Neuro);
    EXPECT_EQ(encode().target, 9);
    // The populest floor as the settings file gives it, the car's floor and the offset seen.
    struct Case {
        int populest, floor;
        float offset;
    };
    for (const Case& c : {Case{12, 5, 0.5f}, Case{28, 1, 1.0f}, Case{0, 7, -0.5f},
                          Case{INT_MIN, 3, -1.0f}, Case{INT_MAX, 3, 1.0f}}) {
        sim.settings.populestFloor = c.populest;
        sim.neuro.floorCounter.reset();
        car.floor = c.floor;
        EXPECT_FLOAT_EQ(encode().populestOffset, c.offset) << c.populest;
    }
}

TEST_F(NeuroSystemTest, PopulestFloorTiesGoToTheLowestAndAConstantFloorOverridesAfterACall) {
    sim.settings.stepToCountPopulestFloor = 5;
    sim.settings.populestFloor = 8;
    sim.select(SystemKind::Neuro);
    PopulestFloorCounter& counter = sim.neuro.floorCounter;
    // The last five calls, the constant floor and the populest floor.
    struct Case {
        std::vector<int> calls;
        int constant, populest;
    };
    const Case cases[] = {{{}, 0, 8},                   // before any call the saved floor stands
                          {{}, 5, 8},                   // and the constant floor waits for a call
                          {{20, 3, 20, 3, 6}, 0, 3},    // a tie of two
                          {{9, 14, 22, 27, 11}, 0, 9},  // a tie of five
                          {{7, 7, 3, 2, 2}, 0, 2},      // the lowest of the most frequent
                          {{4, 12, 12, 12, 4}, 0, 12},  // no tie
                          {{20, 3, 20, 3, 6}, 5, 5},    // a constant floor wins
                          {{26, 26, 26, 26, 26}, 0, 26}};
    for (const Case& c : cases) {
        sim.settings.constPopulest = c.constant;
        counter.reset();
        for (const int floor : c.calls) counter.record(floor);
        EXPECT_EQ(counter.count(), c.populest) << ::testing::PrintToString(c.calls);
        EXPECT_EQ(sim.settings.populestFloor, c.calls.empty() ? 8 : c.populest)
            << "the result is kept for the settings file";
    }

    // New hall calls reach the counter through the system.
    sim.settings.constPopulest = 0;
    sim.settings.stepToCountPopulestFloor = 0;  // used as 1
    sim.select(SystemKind::Neuro);
    hall.press(21, 0);
    int floor = 0;
    sim.current().command(CmdGetPopulestFloor, &floor);
    EXPECT_EQ(floor, 21);
}

TEST_F(NeuroSystemTest, ImageNameFollowsTheLastSuccessfulLoad) {
    sim.select(SystemKind::Neuro);
    writeFile("solver.img.040", test::idleSolverImage());
    writeFile("solver.img", "0");
    // The KSU to load the numbered image of (none: solver.img), and the name shown after it.
    const std::pair<std::optional<float>, const char*> loads[] = {
        {std::nullopt, ""},               // a damaged solver.img
        {0.35f, "solver.img.040"},        //
        {1.0f, "solver.img.040"},         // solver.img.100 does not exist
        {std::nullopt, "solver.img.040"}  // damaged again
    };
    for (auto [ksu, name] : loads) {
        sim.neuro.command(CmdLoadSolver, ksu ? &*ksu : nullptr);
        char shown[kTextBufferSize] = "x";
        sim.neuro.command(CmdGetImageName, shown);
        EXPECT_STREQ(shown, name) << (ksu ? *ksu : -1);
    }
}

TEST_F(NeuroSystemTest, LearningWithoutPatternsRunsOneEpochAndSavesTheImage) {
    sim.select(SystemKind::Neuro);
    int before = -1, after = -1;
    sim.neuro.command(CmdGetSolverEpoch, &before);
    sim.neuro.command(CmdLearnSolver, nullptr);
    sim.neuro.command(CmdGetSolverEpoch, &after);
    EXPECT_EQ(after, before + 1);
    EXPECT_FALSE(test::readFile("solver.img").empty());
    char name[kTextBufferSize];
    sim.neuro.command(CmdGetImageName, name);
    EXPECT_STREQ(name, "solver.img");
}

// A training on a worker thread while the window's thread keeps stepping, asking for the epoch
// and finally asking the training to stop.
TEST_F(NeuroSystemTest, ThreadTrainingWhileTheSimulationSteps) {
    std::string patterns = "200\n";
    for (int i = 0; i < 200; ++i)
        patterns += "0 0 0 " + std::to_string(1 + i % 3) + " 0 0 0 +0.0    0 0 1 0 0 1 0 0\n";
    writeFile("solver.pat", patterns);
    sim.select(SystemKind::Adaptive);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        sim.current().command(CmdLearnSolver, nullptr);
        done = true;
    });
    int epoch = 0;
    // Step until the training is under way (or over), then ask it to stop.
    for (int i = 0; !done && (epoch < 2 || i < 100); ++i) {
        if (i % 10 == 0) sim.building.hallPanel.press(1 + i % 28, i % 2);
        sim.runStep();
        sim.current().command(CmdGetSolverEpoch, &epoch);
        (void)sim.adaptive.solver.epochMaxError.load();
        sim.adaptive.solver.recentMaxError.store(0.0f);
    }
    sim.current().command(CmdStopSolverLearning, nullptr);
    worker.join();
    sim.current().command(CmdGetSolverEpoch, &epoch);
    EXPECT_GE(epoch, 1);
    EXPECT_FALSE(test::readFile("solver.img").empty());
}

}  // namespace
}  // namespace vardeck
