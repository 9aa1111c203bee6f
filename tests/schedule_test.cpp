#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "sim/simulation.h"
#include "test_support.h"

namespace vardeck {
namespace {

// Collects what the user interface would be told.
struct Observer : UserInterface {
    explicit Observer(Simulation& sim) : sim(sim) {}
    void efficiencySampleTaken(int floor, int direction) override {
        samples.push_back({floor, direction, sim.lastEfficiency(), sim.stepCounter});
    }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    struct Sample {
        int floor, direction;
        double value;
        int step;
    };
    Simulation& sim;
    std::vector<Sample> samples;
    std::vector<std::string> messages;
};

class ScheduleTest : public ::testing::Test {
protected:
    ScheduleTest() : observer(sim) {
        sim.setUserInterface(&observer);
        sim.settings.setDefaults();
        sim.settings.elemToCheckNeedToAdapt = 2;
        sim.select(SystemKind::Schedule);
    }
    void steps(int n) {
        for (int i = 0; i < n; ++i) sim.runStep();
    }
    test::TempDir dir;
    Simulation sim;
    Observer observer;
    Car& car = sim.building.car;
    HallCallPanel& hall = sim.building.hallPanel;
};

TEST_F(ScheduleTest, CallAtFloor15AfterResetGivesHalf) {
    hall.press(15, 1);
    EXPECT_EQ(sim.schedule.meter.callStamp[15][1], 1);
    // 14 steps up, one to open.
    steps(14);
    EXPECT_EQ(car.floor, 15);
    EXPECT_EQ(car.direction, 1);
    EXPECT_TRUE(observer.samples.empty());
    steps(1);
    EXPECT_EQ(car.doorOpen, 1);
    EXPECT_EQ(car.direction, 0);
    ASSERT_EQ(observer.samples.size(), 1u);
    EXPECT_EQ(observer.samples[0].value, 0.5);
    EXPECT_EQ(observer.samples[0].floor, 15);
    EXPECT_EQ(observer.samples[0].direction, 1);
    EXPECT_EQ(hall.isLit(15, 2), 0);
    // The dwell: four close orders keep the doors open, the fifth closes them.
    steps(4);
    EXPECT_EQ(car.doorOpen, 1);
    steps(1);
    EXPECT_EQ(car.doorOpen, 0);
    EXPECT_EQ(observer.samples.size(), 1u);
}

TEST_F(ScheduleTest, IdleCarAnsweringItsOwnFloorGivesOne) {
    car.floor = 5;
    hall.press(5, 0);
    steps(1);
    ASSERT_EQ(observer.samples.size(), 1u);
    EXPECT_EQ(observer.samples[0].value, 1.0);
    EXPECT_EQ(car.doorOpen, 1);
    EXPECT_EQ(sim.lastEfficiency(), 1.0);
}

TEST_F(ScheduleTest, CarButtonAfterAStampedCallDropsTheStamp) {
    hall.press(10, 1);
    car.pressButton(3);
    steps(40);
    EXPECT_EQ(hall.isLit(10, 2), 0) << "the call is still answered";
    EXPECT_TRUE(observer.samples.empty());
}

TEST_F(ScheduleTest, CallWhileAnotherLampIsLitIsNotMeasured) {
    // Any lit lamp makes the system busy, those of the end floors too.
    for (const auto& [floor, dir] : {std::pair{28, 0}, std::pair{1, 1}}) {
        hall.press(floor, dir);
        hall.press(9, 1);
        EXPECT_EQ(sim.schedule.meter.callStamp[9][1], 0) << floor;
        sim.resetSimulation();
    }
    hall.press(20, 0);
    hall.press(9, 1);
    EXPECT_EQ(sim.schedule.meter.callStamp[9][1], 0);
    steps(60);
    EXPECT_EQ(hall.highestLit(2), 0);
    ASSERT_EQ(observer.samples.size(), 1u);
    EXPECT_EQ(observer.samples[0].floor, 20);
}

TEST_F(ScheduleTest, PassesADownCallOnTheWayUpAndServesTheHighestFirst) {
    hall.press(18, 1);
    hall.press(9, 0);
    steps(9);
    EXPECT_EQ(car.floor, 10) << "the car does not stop for a down call on its way up";
    steps(30);
    EXPECT_EQ(hall.isLit(18, 1), 0);
    EXPECT_EQ(hall.isLit(9, 0), 0);
    EXPECT_TRUE(observer.messages.empty());
}

TEST_F(ScheduleTest, InconsistentCarStateIsReportedAndTheStepGoesOn) {
    car.floor = 6;
    car.lastMove = 1;
    car.direction = 2;
    hall.press(6, 0);
    steps(1);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0], "Этого не может быть");
    EXPECT_EQ(car.doorOpen, 1) << "the door decision still runs";
}

TEST_F(ScheduleTest, AStepThatThrowsLeavesTheNextStepsRunning) {
    struct FailingWindow : UserInterface {
        void showMessage(const std::string&) override { throw std::runtime_error("no window"); }
    } failing;
    sim.setUserInterface(&failing);
    car.floor = 6;
    car.lastMove = 1;
    car.direction = 2;
    hall.press(6, 0);
    EXPECT_THROW(steps(1), std::runtime_error);
    sim.setUserInterface(&observer);
    const int before = sim.stepCounter;
    steps(2);
    EXPECT_EQ(sim.stepCounter, before + 2);
}

TEST_F(ScheduleTest, WindowTrendAndRefill) {
    EfficiencyMeter& meter = sim.schedule.meter;
    sim.settings.efficiencyCriteria = 0.25f;
    sim.settings.tresholdToCheckNeedToAdapt = 0.1f;
    sim.schedule.command(CmdReset, nullptr);
    ASSERT_EQ(meter.windowSize, 4);
    EXPECT_EQ(meter.trend(), 2) << "a window of fill values is steady";
    // Two samples of 1.0 shift in on the right.
    car.floor = 5;
    for (int i = 0; i < 2; ++i) {
        hall.press(5, 1);
        steps(6);
    }
    EXPECT_EQ(meter.window[3], 1.0);
    EXPECT_TRUE(meter.checkFull());
    EXPECT_FALSE(meter.checkFull());
    EXPECT_EQ(meter.trend(), 3);
    EXPECT_FLOAT_EQ(sim.settings.efficiencyCriteria, 1.0f);
    sim.schedule.command(CmdClear, nullptr);
    EXPECT_EQ(meter.window[0], 1.0);
    EXPECT_EQ(meter.window[3], 1.0);
}

TEST_F(ScheduleTest, TrendAtAndAroundTheThreshold) {
    EfficiencyMeter& meter = sim.schedule.meter;
    sim.settings.tresholdToCheckNeedToAdapt = 0.5f;
    // The older and the newer half of a window of four, and the trend they give.
    struct Case {
        double older, newer;
        int trend;
    };
    for (const Case& c : {Case{0.5, 1.0, 2}, Case{0.25, 1.0, 3}, Case{1.0, 0.5, 2},
                          Case{1.0, 0.25, 1}, Case{0.0, 0.0, 2}}) {
        meter.window[0] = meter.window[1] = c.older;
        meter.window[2] = meter.window[3] = c.newer;
        EXPECT_EQ(meter.trend(), c.trend) << c.older << " " << c.newer;
    }
}

TEST_F(ScheduleTest, WritesOnlyTheFirstLabelAndIgnoresUnknownCodes) {
    LabelText labels[4] = {"a", "b", "c", "d"};
    sim.current().command(CmdGetLabels, labels);
    sim.current().command(26, labels);
    sim.current().command(CmdSaveTeacher, labels);
    EXPECT_STREQ(labels[0], "Управление");
    EXPECT_STREQ(labels[1], "b");
    EXPECT_EQ(sim.values().imageName, "");
    EXPECT_EQ(sim.values().ksu, 0.0f);
}

}  // namespace
}  // namespace vardeck
