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
    void twoSamples(bool far);
    test::TempDir dir;
    Simulation sim;
    Observer observer;
    Car& car = sim.building.car;
    HallCallPanel& hall = sim.building.hallPanel;
};

TEST_F(ScheduleTest, CallAtFloor15AfterResetGivesHalf) {
    hall.press(15, 1);
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
}

TEST_F(ScheduleTest, CarButtonAfterAStampedCallDropsTheStamp) {
    hall.press(10, 1);
    car.pressButton(3);
    steps(40);
    EXPECT_EQ(hall.isLit(10, 2), 0) << "the call is still answered";
    EXPECT_TRUE(observer.samples.empty());
}

TEST_F(ScheduleTest, CallWhileAnotherLampIsLitIsNotMeasured) {
    // Any lit lamp makes the system busy, those of the end floors too: only the first call counts.
    for (const auto& [floor, dir] : {std::pair{28, 0}, std::pair{1, 1}, std::pair{20, 0}}) {
        hall.press(floor, dir);
        hall.press(9, 1);
        steps(80);
        EXPECT_EQ(hall.highestLit(2), 0) << floor;
        ASSERT_EQ(observer.samples.size(), 1u) << floor;
        EXPECT_EQ(observer.samples[0].floor, floor);
        observer.samples.clear();
        sim.resetSimulation();
    }
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
    const auto arrange = [&] {
        car.floor = 6;
        car.lastMove = 1;
        car.direction = 2;
        hall.press(6, 0);
    };
    arrange();
    steps(1);
    EXPECT_EQ(observer.messages, std::vector<std::string>{"Этого не может быть"});
    EXPECT_EQ(car.doorOpen, 1) << "the door decision still runs";
    // A window that throws on the message ends that step, not the next ones.
    struct FailingWindow : UserInterface {
        void showMessage(const std::string&) override { throw std::runtime_error("no window"); }
    } failing;
    sim.resetSimulation();
    sim.setUserInterface(&failing);
    arrange();
    EXPECT_THROW(steps(1), std::runtime_error);
    sim.setUserInterface(&observer);
    const int before = sim.stepCounter;
    steps(2);
    EXPECT_EQ(sim.stepCounter, before + 2);
}

// Two samples of 1.0, each from a call answered where the car stands, or of 0.5, each from a
// trip of 14 floors.
void ScheduleTest::twoSamples(bool far) {
    for (int i = 0; i < 2; ++i) {
        hall.press(far ? (i == 0 ? 15 : 1) : car.floor, 1);
        steps(20);
    }
}

TEST_F(ScheduleTest, WindowTrendAndRefill) {
    EfficiencyMeter& meter = sim.schedule.meter;
    sim.settings.efficiencyCriteria = 0.25f;
    sim.settings.tresholdToCheckNeedToAdapt = 0.1f;
    sim.resetSimulation();
    EXPECT_EQ(meter.trend(), 2) << "a window of fill values is steady";
    twoSamples(false);
    EXPECT_TRUE(meter.checkFull());
    EXPECT_FALSE(meter.checkFull());
    EXPECT_EQ(meter.trend(), 3);
    EXPECT_FLOAT_EQ(sim.settings.efficiencyCriteria, 1.0f) << "both newer samples shifted in";
    // Cleared, the window holds the criterion: one more sample of 1.0 is steady.
    sim.schedule.command(CmdClear, nullptr);
    hall.press(car.floor, 1);
    steps(6);
    EXPECT_EQ(meter.trend(), 2);
}

TEST_F(ScheduleTest, TrendAtAndAroundTheThreshold) {
    // The fill value of the older half, the samples of the newer one, the threshold and the trend.
    struct Case {
        float fill;
        bool far;
        float threshold;
        int trend;
    };
    for (const Case& c :
         {Case{0.5f, false, 0.5f, 2}, Case{0.25f, false, 0.5f, 3}, Case{1.0f, true, 0.5f, 2},
          Case{1.0f, true, 0.4f, 1}, Case{1.0f, false, 0.0f, 2}}) {
        sim.resetSimulation();
        sim.settings.efficiencyCriteria = c.fill;
        sim.settings.tresholdToCheckNeedToAdapt = c.threshold;
        sim.schedule.command(CmdReset, nullptr);
        twoSamples(c.far);
        EXPECT_EQ(sim.schedule.meter.trend(), c.trend) << c.fill << " " << c.far;
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
