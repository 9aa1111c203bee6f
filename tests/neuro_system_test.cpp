#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/simulation.h"
#include "network_images.h"
#include "neuro/network_settings.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::writeFile;

class NeuroSystemTest : public ::testing::Test {
protected:
    NeuroSystemTest() {
        applyNetworkDefaults();
        sim.settings.SetDefaults();
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
    car.floor = 5;
    hall.Press(9, 0);
    hall.Press(5, 1);
    car.doorOpen = 1;
    SolverState s = encode();
    EXPECT_EQ(s.doorOpen, 1);
    EXPECT_EQ(s.target, 9);
    EXPECT_EQ(s.lastMove + s.direction + s.buttonHere + s.upHere + s.downHere, 0);

    sim.building.Reset();
    car.floor = 5;
    car.buttons[9] = 1;
    car.direction = 1;
    s = encode();
    EXPECT_EQ(s.direction, 1);
    EXPECT_EQ(s.target, 9) << "a direction hides the target";
    EXPECT_EQ(s.doorOpen + s.lastMove + s.buttonHere + s.upHere + s.downHere, 0);
    EXPECT_EQ(s.populestOffset, 0.0f);

    // Just moved up; the highest request is the down lamp of the car's own floor.
    sim.building.Reset();
    car.floor = 12;
    car.lastMove = 1;
    car.direction = 1;
    hall.Press(12, 0);
    s = encode();
    EXPECT_EQ(s.target, 2);
    EXPECT_EQ(s.downHere, 1);
    hall.Press(12, 1);
    EXPECT_EQ(encode().target, 9);

    // A last move without a direction counts as standing.
    sim.building.Reset();
    car.floor = 3;
    car.lastMove = 2;
    hall.Press(8, 1);
    s = encode();
    EXPECT_EQ(s.lastMove, 0);
    EXPECT_EQ(s.target, 3);

    // The car button of the car's floor hides everything else.
    sim.building.Reset();
    car.floor = 4;
    car.buttons[4] = 1;
    car.direction = 2;
    hall.Press(4, 0);
    s = encode();
    EXPECT_EQ(s.buttonHere, 1);
    EXPECT_EQ(s.target, 9);
    EXPECT_EQ(s.direction + s.downHere, 0);
}

TEST_F(NeuroSystemTest, IdleCarIsToldWhereThePopulestFloorLies) {
    sim.settings.populestFloor = 12;
    sim.select(SystemKind::Neuro);
    sim.building.car.floor = 5;
    SolverState s = encode();
    EXPECT_EQ(s.target, 9);
    EXPECT_FLOAT_EQ(s.populestOffset, 0.5f);

    sim.settings.populestFloor = 28;
    sim.neuro.floorCounter.reset();
    car.floor = 1;
    EXPECT_EQ(encode().populestOffset, 1.0f);

    sim.settings.populestFloor = 0;
    sim.neuro.floorCounter.reset();
    car.floor = 7;
    EXPECT_FLOAT_EQ(encode().populestOffset, -0.5f);
}

TEST_F(NeuroSystemTest, PopulestFloorTiesGoToTheLowestAndConstantAppliesAfterACall) {
    sim.settings.stepToCountPopulestFloor = 5;
    sim.settings.populestFloor = 8;
    sim.settings.constPopulest = 5;
    sim.select(SystemKind::Neuro);
    PopulestFloorCounter& counter = sim.neuro.floorCounter;
    EXPECT_EQ(counter.count(), 8) << "before any call the saved floor stands";
    for (int floor : {3, 7, 7, 3, 0}) counter.record(floor);
    EXPECT_EQ(counter.count(), 5);
    sim.settings.constPopulest = 0;
    counter.record(0);  // history 7 7 3 0 0
    EXPECT_EQ(counter.count(), 7);
    counter.record(3);  // 7 3 0 0 3
    EXPECT_EQ(counter.count(), 3);
    EXPECT_EQ(sim.settings.populestFloor, 3) << "the result is kept for the settings file";

    // New hall calls reach the counter through the system.
    sim.settings.stepToCountPopulestFloor = 0;  // used as 1
    sim.select(SystemKind::Neuro);
    hall.Press(21, 0);
    int floor = 0;
    sim.current().command(CmdGetPopulestFloor, &floor);
    EXPECT_EQ(floor, 21);
}

TEST_F(NeuroSystemTest, ImageNameFollowsLoadsAndFailedLoadsKeepTheNetwork) {
    sim.select(SystemKind::Neuro);
    char name[kTextBufferSize] = "x";
    sim.neuro.command(CmdGetImageName, name);
    EXPECT_STREQ(name, "");
    writeFile("solver.img.040", test::idleSolverImage());
    float ksu = 0.35f;
    sim.neuro.command(CmdLoadSolver, &ksu);
    sim.neuro.command(CmdGetImageName, name);
    EXPECT_STREQ(name, "solver.img.040");
    ksu = 1.0f;  // solver.img.100 does not exist
    sim.neuro.command(CmdLoadSolver, &ksu);
    sim.neuro.command(CmdGetImageName, name);
    EXPECT_STREQ(name, "solver.img.040");
    writeFile("solver.img", "0");
    sim.neuro.command(CmdLoadSolver, nullptr);
    sim.neuro.command(CmdGetImageName, name);
    EXPECT_STREQ(name, "solver.img.040");
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
        if (i % 10 == 0) sim.building.hallPanel.Press(1 + i % 28, i % 2);
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
