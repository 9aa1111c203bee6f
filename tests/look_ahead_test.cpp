// The look-ahead state, its pattern rule and the two systems that use it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "neuro/look_ahead_rule.h"
#include "neuro/network_settings.h"
#include "sim/simulation.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::runCli;

class LookAheadTest : public ::testing::Test {
protected:
    LookAheadTest() {
        applyNetworkDefaults();
        sim.settings.setDefaults();
    }
    test::TempDir dir;
    Simulation sim;
    Car& car = sim.building.car;
    HallCallPanel& hall = sim.building.hallPanel;
};

// Building states worked out by hand: the car at floor 10, the classic target and the
// look-ahead one; every other input is the classic one.
TEST_F(LookAheadTest, TargetTellsWhetherARequestLiesAheadOfACarWithADirection) {
    struct Lamp {
        int floor, direction;
    };
    struct Case {
        const char* what;
        int doorOpen, lastMove, direction;
        std::vector<int> buttons;
        std::vector<Lamp> lamps;
        int classicTarget, aheadTarget;
    };
    const Case cases[] = {
        {"car button behind a car going up", 0, 1, 1, {4}, {}, 9, 1},
        {"car button ahead of a car going up", 0, 1, 1, {4, 15}, {}, 9, 3},
        {"only a hall lamp, ahead of a car going down", 0, 2, 2, {}, {{3, 1}}, 9, 3},
        {"only a hall lamp, behind a car going down", 0, 2, 2, {}, {{15, 0}}, 9, 1},
        {"nothing requested, standing with a direction", 0, 0, 1, {}, {}, 9, 1},
        {"the highest request is the lamp here: not ahead", 0, 1, 1, {}, {{10, 0}}, 2, 1},
        {"the car button here hides the direction, not the target", 0, 2, 2, {10, 4}, {}, 9, 3},
        {"the car button here, nothing ahead", 0, 2, 2, {10, 15}, {}, 9, 1},
        {"no direction: the classic target", 0, 0, 0, {4}, {{15, 1}}, 1, 1},
        {"doors open: the classic state", 1, 0, 1, {15}, {}, 9, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim.building.reset();
        car.floor = 10;
        car.doorOpen = c.doorOpen;
        car.lastMove = c.lastMove;
        car.direction = c.direction;
        for (int f : c.buttons) car.buttons[f] = 1;
        for (const Lamp& l : c.lamps) hall.press(l.floor, l.direction);
        const SolverState classic = sim.neuro.encodeState();
        SolverState ahead = sim.neuroAhead().encodeState();
        EXPECT_EQ(classic.target, c.classicTarget);
        EXPECT_EQ(ahead.target, c.aheadTarget);
        ahead.target = classic.target;
        EXPECT_EQ(ahead, classic) << "only the target differs";
    }
}

MaskedState masked(const SolverState& s) {
    return {s.doorOpen,   s.lastMove, s.direction, s.target,
            s.buttonHere, s.upHere,   s.downHere,  int(std::lround(s.populestOffset * 10))};
}

auto key(const MaskedState& s) {
    return std::make_tuple(s.doorOpen, s.lastMove, s.direction, s.target, s.buttonHere, s.upHere,
                           s.downHere, s.offsetTenths);
}

// In random buildings the encoding shows only states that the patterns cover, and wherever the
// state shows what the schedule looks at, the rule's orders are the schedule's.
TEST_F(LookAheadTest, PatternsCoverEveryStateAndGiveTheSchedulesOrders) {
    std::set<decltype(key(MaskedState{}))> covered;
    for (const MaskedState& s : lookAheadStates()) covered.insert(key(s));
    ASSERT_EQ(covered.size(), lookAheadStates().size()) << "no state twice";

    sim.select(SystemKind::Schedule);
    std::mt19937 random(7);
    auto chance = [&](int percent) { return int(random() % 100) < percent; };
    int compared = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        sim.building.reset();
        car.floor = 1 + int(random() % kFloorCount);
        car.doorOpen = chance(10);
        car.direction = int(random() % 3);
        car.lastMove = chance(50) ? car.direction : 0;
        for (int f = 1; f <= kFloorCount; ++f) {
            if (chance(6)) car.buttons[f] = 1;
            if (chance(4)) hall.up[f] = 1;
            if (chance(4)) hall.down[f] = 1;
        }
        const MaskedState s = masked(sim.neuroAhead().encodeState());
        ASSERT_TRUE(covered.count(key(s)))
            << "trial " << trial << ": " << s.doorOpen << s.lastMove << s.direction << s.target
            << s.buttonHere << s.upHere << s.downHere << " " << s.offsetTenths;
        // Parking is the classic rule's; the car button here hides where an idle car heads.
        const bool idle = !s.doorOpen && car.direction == 0;
        if ((idle && s.target == 9 && !s.buttonHere) || (idle && s.buttonHere)) continue;

        const OutputBits want = wantedLookAheadOutputs(s, 0.5);
        const int directionBefore = car.direction;
        car.moveCommand = car.doorCommand = 0;
        sim.schedule.command(CmdStep, nullptr);
        EXPECT_EQ(car.doorCommand == kDoorOpen, want[0] == 1) << "trial " << trial;
        const int move = int(std::find(want.begin() + 2, want.begin() + 5, 1) - want.begin()) - 2;
        EXPECT_EQ(car.moveCommand, move) << "trial " << trial;
        const auto bit = std::find(want.begin() + 5, want.end(), 1);
        const int direction = bit == want.end() ? directionBefore : int(bit - want.begin()) - 5;
        EXPECT_EQ(car.direction, direction) << "trial " << trial;
        ++compared;
    }
    EXPECT_GT(compared, 10000);
}

// The classic systems read none of the look-ahead files: their runs are the same with and
// without them. The look-ahead systems load theirs.
TEST_F(LookAheadTest, ClassicRunsIgnoreTheLookAheadFiles) {
    test::copyShippedData();
    const char* const runs[] = {
        "run --system schedule --trace --play traffic/up-peak.but --steps 3200",
        "run --system neuro --load-solver --trace --play traffic/lunch.but --steps 3200",
        "run --system adaptive --trace --play traffic/mixed-no-destination.but --steps 5200"};
    std::vector<std::string> with;
    for (const char* run : runs) with.push_back(runCli(run).out);
    int removed = 0;
    for (const auto& item : std::filesystem::directory_iterator("."))
        if (item.path().filename().string().rfind("solver-ahead", 0) == 0) {
            std::filesystem::remove(item.path());
            ++removed;
        }
    EXPECT_EQ(removed, 8) << "solver-ahead.pat, solver-ahead.img and six numbered images";
    for (std::size_t i = 0; i < std::size(runs); ++i) {
        const test::CliResult without = runCli(runs[i]);
        EXPECT_EQ(without.code, 0) << without.err;
        EXPECT_EQ(without.out, with[i]) << runs[i];
    }

    test::copyShippedData();
    sim.initialise();
    sim.select(SystemKind::AdaptiveAhead);
    EXPECT_EQ(sim.values().imageName, "solver-ahead.img.100");
    sim.select(SystemKind::NeuroAhead);
    sim.current().command(CmdLoadSolver, nullptr);
    sim.showKsu();
    EXPECT_EQ(sim.values().imageName, "solver-ahead.img");
}

// Wherever systems are named, the look-ahead systems can be named too.
TEST_F(LookAheadTest, RunCompareAndStudyTakeTheLookAheadSystems) {
    test::copyShippedData();
    const test::CliResult run = runCli("run --system neuro-ahead --steps 10");
    EXPECT_EQ(run.code, 0) << run.err;
    const test::CliResult compare =
        runCli("compare --csv --play sample.but --systems adaptive-ahead,schedule,neuro-ahead");
    ASSERT_EQ(compare.code, 0) << compare.err;
    const std::vector<test::CsvRow> rows = test::csvTable(compare.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("system"), "adaptive-ahead");
    EXPECT_EQ(rows[2].at("system"), "neuro-ahead");
    EXPECT_EQ(rows[2].at("answered"), rows[1].at("answered"));

    const test::CliResult study = runCli(
        "study --profiles up-peak --demands 10 --seeds 2 --steps 1000 --jobs 1 "
        "--systems schedule,neuro-ahead,adaptive-ahead -o out");
    ASSERT_EQ(study.code, 0) << study.err;
    std::multiset<std::string> systems;
    for (const test::CsvRow& row : test::csvTable(readFile("out/runs.csv")))
        systems.insert(row.at("system"));
    EXPECT_EQ(systems,
              (std::multiset<std::string>{"schedule", "schedule", "neuro-ahead", "neuro-ahead",
                                          "adaptive-ahead", "adaptive-ahead"}));
    EXPECT_NE(readFile("out/summary.csv").find("adaptive-ahead"), std::string::npos);
}

}  // namespace
}  // namespace vardeck
