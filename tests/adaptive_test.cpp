#include <gtest/gtest.h>

#include <cstring>

#include "control/adaptation_codes.h"
#include "network_images.h"
#include "neuro/network_settings.h"
#include "sim/simulation.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::writeFile;

constexpr float kCode = 0.13333333333333333;

struct AdaptObserver : UserInterface {
    void adaptationChecked(int trend, int decision, float ksu) override {
        checks.push_back({trend, decision, ksu});
    }
    struct Check {
        int trend, decision;
        float ksu;
    };
    std::vector<Check> checks;
};

class AdaptiveTest : public ::testing::Test {
protected:
    AdaptiveTest() {
        applyNetworkDefaults();
        sim.setUserInterface(&observer);
        sim.settings.setDefaults();
        sim.settings.elemToCheckNeedToAdapt = 4;
        sim.settings.tresholdToCheckNeedToAdapt = 0.5f;
        sim.settings.teacherKsuStep = 0.2f;
        for (const char* n : {"000", "020", "040", "060", "080", "100"})
            writeFile(std::string("solver.img.") + n, test::idleSolverImage());
    }
    // One idle call answered where the car stands: one sample of 1.0.
    void answerCallHere() {
        Car& car = sim.building.car;
        sim.building.hallPanel.press(car.floor, 1);
        car.doorCommand = 1;
        car.direction = 0;
        sim.building.step();
        car.doorOpen = 0;
        car.doorTimer = 0;
    }
    test::TempDir dir;
    Simulation sim;
    AdaptObserver observer;
    AdaptiveControlSystem& adaptive = sim.adaptive;
};

TEST_F(AdaptiveTest, SteadyTrendKeepsKsuAndReloadsTheImageAtEveryCheck) {
    // Codes (2, 2, 2) sum to 0.8 as inputs; 0.27 decodes as 2.
    writeFile("teacher.img", test::constantTeacherImage(0.27f, 6 * kCode));
    sim.settings.ksu = 0.4f;
    sim.settings.ksuWhereChanged = 2;
    sim.settings.efficiencyCriteriaWhereChanged = 2;
    sim.settings.efficiencyCriteria = 1.0f;
    sim.select(SystemKind::Adaptive);
    EXPECT_EQ(sim.values().imageName, "solver.img.040");
    for (int round = 0; round < 3; ++round) {
        adaptive.command(CmdLoadSolver, nullptr);  // solver.img is missing: the name stays
        writeFile("solver.img", test::idleSolverImage());
        adaptive.command(CmdLoadSolver, nullptr);
        char name[kTextBufferSize];
        adaptive.command(CmdGetImageName, name);
        ASSERT_STREQ(name, "solver.img");
        for (int i = 0; i < 4; ++i) answerCallHere();
        ASSERT_EQ(observer.checks.size(), size_t(round + 1));
        adaptive.command(CmdGetImageName, name);
        EXPECT_STREQ(name, "solver.img.040") << "reloaded after check " << round + 1;
    }
    for (const auto& check : observer.checks) {
        EXPECT_EQ(check.trend, 2);
        EXPECT_EQ(check.decision, 2);
        EXPECT_FLOAT_EQ(check.ksu, 0.4f);
    }
    LabelText labels[4] = {};
    adaptive.command(CmdGetLabels, labels);
    EXPECT_STREQ(labels[0], "КЭ стоит");
    EXPECT_STREQ(labels[1], "КЭ стоял");
    EXPECT_STREQ(labels[2], "КСУ не меняли");
    EXPECT_STREQ(labels[3], "КСУ не меняем");
}

TEST_F(AdaptiveTest, DecisionsMoveKsuWithinItsBounds) {
    sim.select(SystemKind::Adaptive);
    sim.settings.teacherKsuStep = 0.1f;
    // Teacher output for the codes (c, c, c), the KSU before and the decision and KSU after.
    struct Case {
        float output;
        int code;
        float ksuBefore;
        int decision;
        float ksuAfter;
    };
    for (const Case& c : {Case{0.4f, 3, 0.95f, 3, 1.0f}, Case{0.13f, 1, 0.05f, 1, 0.0f},
                          Case{0.06f, 1, 0.5f, 0, 0.5f}}) {
        writeFile("teacher.img", test::constantTeacherImage(c.output, 3 * c.code * kCode));
        adaptive.command(CmdLoadTeacher, nullptr);
        sim.settings.ksuWhereChanged = c.code;
        sim.settings.ksu = c.ksuBefore;
        adaptive.decide(c.code, c.code);
        EXPECT_EQ(sim.settings.ksuWhereChanged, c.decision) << c.output;
        EXPECT_EQ(sim.settings.ksu, c.ksuAfter) << c.output;
    }
}

// The teacher reads the new trend, the trend before and the decision before, in that order: this
// one answers 0.4 (increase) only when its second input is the code 1 (fell).
TEST_F(AdaptiveTest, RisingTrendRaisesKsuWithTheValuesBeforeInTheirPlaces) {
    writeFile("teacher.img", test::twoLayerImage(3, {{0, std::atanh(0.4f) / (2 * kCode), 0}}));
    sim.settings.efficiencyCriteria = 0.0f;  // samples of 1.0 rise: trend 3
    sim.settings.tresholdToCheckNeedToAdapt = 0.1f;
    sim.settings.efficiencyCriteriaWhereChanged = 1;
    sim.settings.ksuWhereChanged = 2;
    sim.settings.ksu = 0.2f;
    sim.select(SystemKind::Adaptive);
    EXPECT_EQ(sim.values().imageName, "solver.img.020");
    for (int i = 0; i < 4; ++i) answerCallHere();
    ASSERT_EQ(observer.checks.size(), 1u);
    EXPECT_EQ(observer.checks[0].trend, 3);
    EXPECT_EQ(sim.settings.efficiencyCriteriaWhereChanged, 3);
    EXPECT_FLOAT_EQ(sim.settings.efficiencyCriteria, 1.0f);
    EXPECT_EQ(observer.checks[0].decision, 3);
    float ksu = 0;
    adaptive.command(CmdGetKsu, &ksu);
    EXPECT_FLOAT_EQ(ksu, 0.4f);
    char name[kTextBufferSize];
    adaptive.command(CmdGetImageName, name);
    EXPECT_STREQ(name, "solver.img.040") << "the image of the new KSU";
    EXPECT_EQ(sim.labels(), (std::array<std::string, 4>{"КЭ вырос", "КЭ падал", "КСУ не меняли",
                                                        "КСУ увеличиваем"}));
}

// The start-up system gets its reset before anything is chosen: the window starts that way.
TEST_F(AdaptiveTest, StartUpResetsTheAdaptiveSystemWithTheSavedSettings) {
    Settings saved;
    saved.setDefaults();
    saved.ksu = 0.6f;
    saved.populestFloor = 12;
    saved.elemToCheckNeedToAdapt = 3;
    ASSERT_EQ(saved.saveSettings(), 0);
    sim.initialise();
    EXPECT_EQ(sim.currentKind(), SystemKind::Adaptive);
    EXPECT_EQ(sim.values().imageName, "solver.img.060");
    EXPECT_EQ(sim.values().populestFloor, 12);
    EXPECT_FLOAT_EQ(sim.values().ksu, 0.6f);
    EXPECT_EQ(adaptive.meter.windowSize, 6);
}

TEST_F(AdaptiveTest, AHalfWindowBelowOneSampleIsOneSample) {
    writeFile("teacher.img", test::constantTeacherImage(0.27f, 6 * kCode));
    for (const int n : {0, -3}) {
        sim.settings.elemToCheckNeedToAdapt = n;
        sim.select(SystemKind::Adaptive);
        observer.checks.clear();
        answerCallHere();
        answerCallHere();
        EXPECT_EQ(adaptive.meter.windowSize, 2) << n;
        EXPECT_EQ(observer.checks.size(), 2u) << n;
    }
}

// Once more samples have come than the window holds, every slot holds one of the newest: a
// window of one sample per half that starts far below them sees the rise once, then no change.
TEST_F(AdaptiveTest, TheWindowHoldsOnlyTheNewestSamples) {
    writeFile("teacher.img", test::constantTeacherImage(0.27f, 6 * kCode));
    sim.settings.elemToCheckNeedToAdapt = 1;
    sim.settings.efficiencyCriteria = 0;
    sim.select(SystemKind::Adaptive);
    observer.checks.clear();
    for (int i = 0; i < 4; ++i) answerCallHere();
    std::vector<int> trends;
    for (const AdaptObserver::Check& check : observer.checks) trends.push_back(check.trend);
    EXPECT_EQ(trends, (std::vector<int>{kTrendRose, kTrendSteady, kTrendSteady, kTrendSteady}));
}

TEST_F(AdaptiveTest, LabelsSurviveResetAndClearEmptiesOnlyThem) {
    // Codes (1, 3, 1) sum to 5 codes; 0.4 decodes as 3.
    writeFile("teacher.img", test::constantTeacherImage(0.4f, 5 * kCode));
    sim.settings.efficiencyCriteria = 2.0f;  // samples of 1.0 fall: trend 1
    sim.settings.efficiencyCriteriaWhereChanged = 3;
    sim.settings.ksuWhereChanged = 1;
    sim.select(SystemKind::Adaptive);
    for (int i = 0; i < 4; ++i) answerCallHere();
    sim.resetSimulation();
    EXPECT_EQ(sim.labels(), (std::array<std::string, 4>{"КЭ упал", "КЭ рос",
                                                        "К\x43У уменьшали",  // a Latin C
                                                        "КСУ увеличиваем"}));
    // The next check reads the codes (2, 1, 3), which this teacher answers with 4: a code without
    // a label leaves the caller's text.
    for (int i = 0; i < 4; ++i) answerCallHere();
    LabelText labels[4] = {"", "", "", "kept"};
    adaptive.command(CmdGetLabels, labels);
    EXPECT_STREQ(labels[2], "К\x43У увеличивали");
    EXPECT_STREQ(labels[3], "kept");
    for (int i = 0; i < 9; ++i) adaptive.floorCounter.record(17);  // more than the calls at 1
    sim.settings.efficiencyCriteria = 0.0f;
    adaptive.command(CmdClear, nullptr);
    EXPECT_EQ(sim.labels(), (std::array<std::string, 4>{}));
    EXPECT_EQ(adaptive.floorCounter.count(), 17) << "the floor history stays";
    for (int i = 0; i < 4; ++i) answerCallHere();
    EXPECT_EQ(observer.checks.back().trend, 2) << "the sample window is not refilled";
}

TEST_F(AdaptiveTest, TeacherLearningWithoutPatternsSavesTheTeacher) {
    sim.select(SystemKind::Adaptive);
    int before = 0, after = 0;
    adaptive.command(CmdGetTeacherEpoch, &before);
    adaptive.command(CmdLearnTeacher, nullptr);
    adaptive.command(CmdGetTeacherEpoch, &after);
    EXPECT_EQ(after, before + 1);
    EXPECT_FALSE(test::readFile("teacher.img").empty());
}

}  // namespace
}  // namespace vardeck
