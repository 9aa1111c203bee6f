#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "control/command_code.h"
#include "neuro/network_settings.h"
#include "neuro/pattern_set.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"
#include "sim/simulation.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::runCli;

const std::string kData = VARDECK_DATA_DIR;
const char* const kTraffic[] = {"up-peak", "down-peak", "inter-floor", "lunch",
                                "mixed-no-destination"};

TEST(ShippedDataTest, PatternFilesAreWhatMakePatternsWrites) {
    test::TempDir dir;
    ASSERT_EQ(runCli("make-patterns --ksu 1 -o solver.pat").code, 0);
    ASSERT_EQ(runCli("make-patterns --teacher -o teacher.pat").code, 0);
    ASSERT_EQ(runCli("make-patterns --state ahead --ksu 0 -o solver-ahead.pat").code, 0);
    EXPECT_EQ(readFile("solver.pat"), readFile(kData + "/solver.pat"));
    EXPECT_EQ(readFile("solver-ahead.pat"), readFile(kData + "/solver-ahead.pat"));
    EXPECT_EQ(readFile("teacher.pat"), readFile(kData + "/teacher.pat"));
}

// Training stops when no output lies above its target, which does not by itself make every
// wanted bit come out: check that each shipped image decides its own patterns right, the
// classic ones and the look-ahead ones.
TEST(ShippedDataTest, EverySolverImageDecidesItsPatterns) {
    test::TempDir dir;
    applyNetworkDefaults();
    const std::map<std::string, std::string> ksuOf = {
        {"000", "0"}, {"020", "0.2"}, {"040", "0.4"}, {"060", "0.6"}, {"080", "0.8"}, {"100", "1"}};
    struct Images {
        const char* state;
        std::string image;
    };
    for (const Images& images :
         {Images{"classic", "solver.img"}, Images{"ahead", "solver-ahead.img"}})
        for (const auto& [number, ksu] : ksuOf) {
            ASSERT_EQ(runCli("make-patterns --state " + std::string(images.state) + " --ksu " +
                             ksu + " -o p.pat")
                          .code,
                      0);
            PatternSet patterns;
            ASSERT_EQ(patterns.read("p.pat"), 0);
            SolverNetwork solver;
            const std::string name = images.image + "." + number;
            ASSERT_EQ(solver.load(kData + "/" + name), 0) << name;
            for (const SolverPattern& p : patterns.records) {
                solver.setInputs(p.in);
                solver.forward();
                const auto outputs = solver.outputs();
                for (int j = 0; j < 8; ++j)
                    EXPECT_EQ(20 * outputs[j] > 4.5f, p.target[j] > 0.2f)
                        << name << " bit " << j << " inputs " << p.in[0] << " " << p.in[1] << " "
                        << p.in[2] << " " << p.in[3] << " " << p.in[4] << " " << p.in[5] << " "
                        << p.in[6] << " " << p.in[7];
            }
        }
    // The neuro system's own image is that of KSU 1.00, trained on the shipped solver.pat;
    // neuro-ahead's that of KSU 0.
    EXPECT_EQ(readFile(kData + "/solver.img"), readFile(kData + "/solver.img.100"));
    EXPECT_EQ(readFile(kData + "/solver-ahead.img"), readFile(kData + "/solver-ahead.img.000"));
}

TEST(ShippedDataTest, TeacherDecidesEveryPattern) {
    applyNetworkDefaults();
    TeacherPatternSet patterns;
    ASSERT_EQ(patterns.read(kData + "/teacher.pat"), 0);
    ASSERT_EQ(patterns.count(), 48);
    TeacherNetwork teacher;
    ASSERT_EQ(teacher.load(kData + "/teacher.img"), 0);
    for (const TeacherPattern& p : patterns.records) {
        const float o = teacher.decideOutput(p.in[0], p.in[1], p.in[2]);
        EXPECT_EQ(std::floor(o * 7.5 + 0.5), std::floor(p.target * 7.5 + 0.5))
            << p.in[0] * 7.5 << " " << p.in[1] * 7.5 << " " << p.in[2] * 7.5;
    }
}

// The neuro system with the shipped solver serves every call of every shipped traffic file,
// and its callers wait no more than a quarter longer than with the schedule system.
TEST(ShippedDataTest, NeuroServesShippedTrafficAboutAsWellAsTheSchedule) {
    test::TempDir dir;
    test::copyShippedData();
    for (const char* name : kTraffic) {
        const auto result = runCli(std::string("compare --play traffic/") + name +
                                   ".but --systems schedule,neuro --csv");
        ASSERT_EQ(result.code, 0) << result.err;
        std::map<std::string, test::CsvRow> rows;
        for (const test::CsvRow& row : test::csvTable(result.out)) rows[row.at("system")] = row;
        ASSERT_EQ(rows.size(), 2u) << result.out;
        auto& neuro = rows["neuro"];
        auto& schedule = rows["schedule"];
        EXPECT_EQ(neuro["still_waiting"], "0") << name;
        EXPECT_EQ(neuro["answered"], neuro["calls"]) << name;
        EXPECT_EQ(neuro["dest_reached"], schedule["dest_reached"]) << name;
        EXPECT_LE(std::stod(neuro["wait_mean"]), 1.25 * std::stod(schedule["wait_mean"])) << name;
    }
}

// The look-ahead state shows the schedule's inputs and its patterns are the schedule's orders:
// with the shipped image the neuro-ahead car moves exactly as the schedule's on every shipped
// traffic file.
TEST(ShippedDataTest, NeuroAheadDrivesShippedTrafficAsTheScheduleDoes) {
    test::TempDir dir;
    test::copyShippedData();
    for (const char* name : kTraffic) {
        const std::string play =
            std::string(" --trace --steps 5200 --play traffic/") + name + ".but";
        const auto schedule = runCli("run --system schedule" + play);
        const auto ahead = runCli("run --system neuro-ahead --load-solver" + play);
        ASSERT_EQ(ahead.code, 0) << ahead.err;
        EXPECT_EQ(ahead.out, schedule.out) << name;
    }
}

// A neuro system held to one KSU is the neuro system with that KSU's image as solver.img,
// step for step; one whose image is missing is refused before anything runs.
TEST(ShippedDataTest, AFixedKsuSystemDrivesAsNeuroWithThatImageLoaded) {
    test::TempDir dir;
    test::copyShippedData();
    const std::string play = " --trace --steps 5200 --play traffic/mixed-no-destination.but";
    const auto fixed = runCli("run --system neuro@0.4" + play);
    ASSERT_EQ(fixed.code, 0) << fixed.err;
    EXPECT_NE(fixed.out, runCli("run --system neuro --load-solver" + play).out);
    std::filesystem::copy_file("solver.img.040", "solver.img",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(fixed.out, runCli("run --system neuro --load-solver" + play).out);

    for (const std::string& command :
         {"run --system neuro@0.30" + play,
          std::string("compare --systems schedule,neuro@0.30 --play traffic/lunch.but"),
          std::string("study --systems schedule,neuro-ahead@0.30 --seeds 2 -o out")}) {
        const auto refused = runCli(command);
        EXPECT_EQ(refused.code, 2) << command;
        EXPECT_EQ(refused.out, "") << command;
        EXPECT_NE(refused.err.find(".img.030, which cannot be read"), std::string::npos)
            << refused.err;
    }
}

// A car heading down for an up-caller, with no car button lit, keeps on down when a new call
// above it becomes the highest request. It must still serve the up-caller, going at most one
// floor past to look, not run on to the bottom floor and come back.
TEST(ShippedDataTest, NeuroCarGoingDownServesAnUpCallerWhenACallBehindItIsTheHighest) {
    test::TempDir dir;
    test::copyShippedData();
    applyNetworkDefaults();
    Simulation sim;
    sim.initialise();
    sim.select(SystemKind::Neuro);
    sim.current().command(CmdLoadSolver, nullptr);
    Car& car = sim.building.car;
    HallCallPanel& hall = sim.building.hallPanel;
    car.floor = 20;
    hall.press(5, 1);
    for (int i = 0; i < 3; ++i) sim.runStep();
    ASSERT_EQ(car.floor, 17);
    hall.press(25, 0);
    int lowest = car.floor;
    for (int i = 0; i < 40 && hall.isLit(5, 1); ++i) {
        sim.runStep();
        lowest = std::min(lowest, car.floor);
    }
    EXPECT_EQ(hall.isLit(5, 1), 0) << "the up-caller at 5 is still waiting";
    EXPECT_GE(lowest, 4);
    for (int i = 0; i < 60 && hall.isLit(25, 0); ++i) sim.runStep();
    EXPECT_EQ(hall.isLit(25, 0), 0);
}

// A car on its way down stops for a down-caller at a floor where an up-caller waits too. Only
// the down-caller gets on, so the car takes them down to the lobby before it goes up: an
// up-caller taken on board there would light a high car button and turn the car round, leaving
// the rider going down and everyone below waiting.
TEST(ShippedDataTest, BothLearnedSystemsTakeADownCallerDownBeforeTurningUp) {
    for (SystemKind kind : {SystemKind::Neuro, SystemKind::Adaptive}) {
        test::TempDir dir;
        test::copyShippedData();
        applyNetworkDefaults();
        Simulation sim;
        sim.initialise();
        std::map<PressKey, PressValue> entries;
        PressValue toLobby, toTop;
        toLobby.buttons[1 - 1] = 1;
        toTop.buttons[25 - 1] = 1;
        entries[{0, 12, 0}] = toLobby;
        entries[{0, 12, 1}] = toTop;
        sim.recorder.setEntries(entries);
        sim.recorder.mode = PressRecorder::Playing;
        sim.select(kind);
        if (kind == SystemKind::Neuro) sim.current().command(CmdLoadSolver, nullptr);
        Car& car = sim.building.car;
        car.floor = 20;
        bool stoppedAt12 = false;
        int downRiderArrived = -1, highestBefore = 0;
        for (int step = 0; step < 200 && downRiderArrived < 0; ++step) {
            sim.runStep();
            if (car.floor == 12 && car.doorOpen) stoppedAt12 = true;
            if (!stoppedAt12) continue;
            if (car.floor == 1 && car.doorOpen) downRiderArrived = step;
            if (car.floor > 12) highestBefore = std::max(highestBefore, car.floor);
        }
        ASSERT_TRUE(stoppedAt12);
        EXPECT_GE(downRiderArrived, 0) << "the rider for the lobby never got there";
        EXPECT_EQ(highestBefore, 0)
            << "the car went up to " << highestBefore << " with the lobby rider on board";
    }
}

struct KsuWatcher : UserInterface {
    void efficiencySampleTaken(int, int) override { ++samples; }
    void adaptationChecked(int, int, float ksu) override { ksus.push_back(ksu); }
    int samples = 0;
    std::vector<float> ksus;
};

// Half of the callers of this file press no destination, so their calls are measured and the
// adaptive system gets samples to adapt on. The shipped settings start at KSU 1.00, where the
// shipped teacher keeps KSU while the efficiency is steady; started at 0.00 it must climb.
TEST(ShippedDataTest, AdaptiveSystemChangesKsuAndImageOnMixedTraffic) {
    test::TempDir dir;
    test::copyShippedData();
    applyNetworkDefaults();
    Simulation sim;
    KsuWatcher watcher;
    sim.setUserInterface(&watcher);
    sim.initialise();
    sim.recorder.load("traffic/mixed-no-destination.but");
    sim.recorder.mode = PressRecorder::Playing;
    EXPECT_FLOAT_EQ(sim.settings.ksu, 1.0f);
    sim.settings.ksu = 0.0f;
    sim.select(SystemKind::Adaptive);
    const float startKsu = sim.settings.ksu;
    const std::string startImage = sim.values().imageName;
    EXPECT_EQ(startImage, "solver.img.000");
    bool imageChanged = false;
    for (int i = 0; i < 5000; ++i) {
        sim.runStep();
        imageChanged = imageChanged || sim.values().imageName != startImage;
    }
    EXPECT_GT(watcher.samples, 0);
    ASSERT_FALSE(watcher.ksus.empty());
    EXPECT_TRUE(std::any_of(watcher.ksus.begin(), watcher.ksus.end(),
                            [&](float ksu) { return ksu != startKsu; }));
    EXPECT_TRUE(imageChanged);
    sim.setUserInterface(nullptr);
    // The headless run prints each check with its codes and the new KSU.
    const auto run = runCli("run --system adaptive --play traffic/mixed-no-destination.but");
    EXPECT_TRUE(std::regex_search(
        run.out, std::regex("\nadapt \\d+ trend [123] decision [0-3] ksu [01]\\.\\d\\d\n")));
}

}  // namespace
}  // namespace vardeck
