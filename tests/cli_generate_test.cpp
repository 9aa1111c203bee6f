// The generate command: synthetic traffic as a press-sequence file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "model/building.h"
#include "record/press_recorder.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::runCli;
using test::writeFile;

using Traffic = std::map<PressKey, PressValue>;

const std::set<int> kClickable = {1, 8, 9, 10, 13, 16, 17, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28};

// Generates traffic and reads it with the recorder, which must write the very same file back.
Traffic generate(const std::string& options) {
    const test::CliResult r = runCli("generate " + options + " -o traffic.but");
    EXPECT_EQ(r.code, 0) << r.err;
    Building building;
    PressRecorder recorder(building);
    recorder.load("traffic.but");
    EXPECT_TRUE(recorder.save("again.but"));
    EXPECT_EQ(readFile("again.but"), readFile("traffic.but")) << "not in the recorder's layout";
    return recorder.entries();
}

class GenerateTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(GenerateTest, TheSeedAloneDecidesTheFile) {
    const std::string generate = "generate --profile inter-floor --steps 2000 --calls 150";
    for (const char* run : {" --seed 42 -o a.but", " --seed 42 -o b.but", " --seed 43 -o c.but"})
        ASSERT_EQ(runCli(generate + run).code, 0) << run;
    EXPECT_EQ(readFile("a.but"), readFile("b.but"));
    EXPECT_NE(readFile("a.but"), readFile("c.but"));
}

TEST_F(GenerateTest, EveryProfileMakesCallersOnClickableFloorsGoingOneWay) {
    for (const std::string profile : {"up-peak", "down-peak", "inter-floor", "lunch"}) {
        SCOPED_TRACE(profile);
        const Traffic traffic = generate("--profile " + profile + " --steps 20000 --calls 2000");
        EXPECT_EQ(traffic.size(), 2000u);
        int upFromTheLobby = 0, downToTheLobby = 0;
        for (const auto& [key, value] : traffic) {
            EXPECT_TRUE(kClickable.count(key.floor)) << "call from floor " << key.floor;
            EXPECT_TRUE(key.direction == 1 ? key.floor < 28 : key.direction == 0 && key.floor > 1);
            EXPECT_LT(key.step, 20000);
            for (int f = 1; f <= kFloorCount; ++f) {
                if (value.buttons[f - 1] == 0) continue;
                EXPECT_EQ(value.buttons[f - 1], 1);
                EXPECT_TRUE(kClickable.count(f)) << "destination " << f;
                EXPECT_TRUE(key.direction == 1 ? f > key.floor : f < key.floor) << key.floor << f;
            }
            EXPECT_NE(value.buttons, decltype(value.buttons){}) << "a destination by default";
            upFromTheLobby += key.floor == 1 && key.direction == 1;
            downToTheLobby += key.direction == 0 && value.buttons[0] == 1;
        }
        // Up-peak callers mostly start from the lobby going up, down-peak callers mostly go to it.
        EXPECT_TRUE(profile != "up-peak" || upFromTheLobby > 1400) << upFromTheLobby;
        EXPECT_TRUE(profile != "down-peak" || downToTheLobby > 1400) << downToTheLobby;
    }
}

TEST_F(GenerateTest, NoDestinationShareOneKeepsTheCallsWithoutDestinations) {
    const std::string options = "--profile lunch --steps 10000 --calls 1000 --seed 5";
    const Traffic all = generate(options);
    const Traffic none = generate(options + " --no-destination-share 1");
    ASSERT_EQ(none.size(), all.size());
    for (auto a = all.begin(), n = none.begin(); n != none.end(); ++a, ++n) {
        EXPECT_TRUE(n->first == a->first);
        EXPECT_EQ(n->second.buttons, decltype(n->second.buttons){});
    }
}

TEST_F(GenerateTest, SummaryCountsTheCallersWrittenMovedAndDropped) {
    // In one step only the 32 hall buttons of the clickable floors take a caller each: nobody can
    // move to a later step and the other 968 are dropped.
    test::CliResult r = runCli("generate --profile inter-floor --steps 1 --calls 1000 -o t.but");
    EXPECT_EQ(r.out,
              "t.but: 32 calls (inter-floor, 1 steps, seed 1), 0 moved to a later step, "
              "968 dropped\n");
    // In two steps the movers fill the second step, so at most all of its callers moved.
    r = runCli("generate --profile inter-floor --steps 2 --calls 1000 --seed 9 -o t.but");
    int written = 0, moved = 0, dropped = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(),
                          "t.but: %d calls (inter-floor, 2 steps, seed 9), %d moved "
                          "to a later step, %d dropped",
                          &written, &moved, &dropped),
              3)
        << r.out;
    Building building;
    PressRecorder recorder(building);
    recorder.load("t.but");
    const auto inStepOne = std::count_if(recorder.entries().begin(), recorder.entries().end(),
                                         [](const auto& entry) { return entry.first.step == 1; });
    EXPECT_EQ(written, int(recorder.entries().size()));
    EXPECT_EQ(written + dropped, 1000);
    EXPECT_GT(moved, 0);
    EXPECT_LE(moved, inStepOne);

    // Dense traffic is placed as it always was (these counts come from the placer that looked
    // up one step after another).
    r = runCli(
        "generate --profile lunch --steps 3000 --calls 90000 --seed 2 --no-destination-share 0.5 "
        "-o t.but");
    EXPECT_EQ(r.out,
              "t.but: 51247 calls (lunch, 3000 steps, seed 2), 43623 moved to a later step, "
              "38753 dropped\n");
}

// A day's periods follow one another: each caller presses within the share of the steps of
// a period and is drawn by its profile, and a step's chance of a caller follows the period's
// weight. Bad day files are refused with their line and reason.
TEST_F(GenerateTest, ADayFileSharesTheCallsByItsPeriodsAndBadOnesAreRefused) {
    writeFile("office.day", "# profile share weight\nup-peak 1 1.5\n\ndown-peak 3 0.5 # late\n");
    const Traffic traffic = generate("--profile office.day --steps 40000 --calls 2000 --seed 3");
    int morning = 0, upFromTheLobby = 0, downToTheLobby = 0;
    for (const auto& [key, value] : traffic) {
        const bool first = key.step < 10000;
        morning += first;
        upFromTheLobby += first && key.floor == 1 && key.direction == 1;
        downToTheLobby += !first && key.direction == 0 && value.buttons[0] == 1;
    }
    // Equal mass in both periods (10000 steps x 1.5, 30000 x 0.5), so 1000 +- 3 sd of 22 each.
    EXPECT_NEAR(morning, 1000, 70);
    EXPECT_GT(upFromTheLobby, 0.7 * morning);
    EXPECT_GT(downToTheLobby, 0.7 * (2000 - morning));

    const std::map<std::string, std::string> bad = {
        {"up-peak 1\n", "line 1: a period is three fields"},
        {"\nup-peak 1 1\nlunchtime 1 1\n", "line 3: unknown profile 'lunchtime'"},
        {"lunch 0 1\n", "line 1: the share '0' is no number above 0"},
        {"lunch 1 2000000\n", "line 1: the weight '2000000' is no number from 0"},
        {"lunch 1 0\n", "every period has the weight 0"},
        {"# nothing\n", "no period"}};
    for (const auto& [text, reason] : bad) {
        writeFile("bad.day", text);
        const test::CliResult r =
            runCli("generate --profile bad.day --steps 100 --calls 5 -o bad.but");
        EXPECT_EQ(r.code, 2) << text;
        EXPECT_NE(r.err.find("'bad.day'"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists("bad.but"));
    }
}

}  // namespace
}  // namespace vardeck
