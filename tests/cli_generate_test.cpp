#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "model/building.h"
#include "record/press_recorder.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::writeFile;

using test::CliResult;
using test::runCli;

const std::set<int> kClickable = {1, 8, 9, 10, 13, 16, 17, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28};

struct Caller {
    int step = 0;
    int floor = 0;
    int direction = 0;
    std::vector<int> destinations;
};

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// A decimal number and nothing else (an empty part means two separators in a row).
bool isInteger(const std::string& text) {
    const std::size_t digits = text.rfind('-', 0) == 0 ? 1 : 0;
    return text.size() > digits &&
           text.find_first_not_of("0123456789", digits) == std::string::npos;
}

// Reads a press-sequence file in exactly the layout the recorder writes: the count, then one
// line per entry, single spaces between the numbers but four before the buttons, and no line
// break at the end.
std::vector<Caller> parseStrictly(const std::string& text) {
    std::vector<Caller> callers;
    const std::vector<std::string> lines = split(text, '\n');
    if (!isInteger(lines[0])) {
        ADD_FAILURE() << "count line: '" << lines[0] << "'";
        return callers;
    }
    EXPECT_EQ(std::stoul(lines[0]), lines.size() - 1) << "the count must match the entries";
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t gap = lines[i].find("    ");
        const std::vector<std::string> key = split(lines[i].substr(0, gap), ' ');
        const std::vector<std::string> buttons = gap == std::string::npos
                                                     ? std::vector<std::string>{}
                                                     : split(lines[i].substr(gap + 4), ' ');
        if (key.size() != 3 || buttons.size() != kFloorCount ||
            !std::all_of(key.begin(), key.end(), isInteger) ||
            !std::all_of(buttons.begin(), buttons.end(), isInteger)) {
            ADD_FAILURE() << "entry line " << i << " is not in the recorder's layout: '" << lines[i]
                          << "'";
            continue;
        }
        Caller c{std::stoi(key[0]), std::stoi(key[1]), std::stoi(key[2]), {}};
        for (int f = 1; f <= kFloorCount; ++f) {
            const std::string& b = buttons[f - 1];
            EXPECT_TRUE(b == "0" || b == "1") << "button value " << b;
            if (b == "1") c.destinations.push_back(f);
        }
        callers.push_back(c);
    }
    return callers;
}

std::vector<Caller> generate(const std::string& options) {
    const CliResult r = runCli("generate " + options + " -o traffic.but");
    EXPECT_EQ(r.code, 0) << r.err;
    return parseStrictly(readFile("traffic.but"));
}

bool goesToward(const Caller& c, int floor) {
    return std::find(c.destinations.begin(), c.destinations.end(), floor) != c.destinations.end();
}

double share(const std::vector<Caller>& callers, bool (*test)(const Caller&)) {
    return double(std::count_if(callers.begin(), callers.end(), test)) / double(callers.size());
}

class GenerateTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(GenerateTest, TheSeedAloneDecidesTheFile) {
    const std::string options = "--profile inter-floor --steps 2000 --calls 150";
    ASSERT_EQ(runCli("generate " + options + " --seed 42 -o a.but").code, 0);
    ASSERT_EQ(runCli("generate " + options + " --seed 42 -o b.but").code, 0);
    ASSERT_EQ(runCli("generate " + options + " --seed 43 -o c.but").code, 0);
    ASSERT_EQ(runCli("generate " + options + " -o default.but").code, 0);
    ASSERT_EQ(runCli("generate " + options + " --seed 1 -o one.but").code, 0);
    EXPECT_EQ(readFile("a.but"), readFile("b.but"));
    EXPECT_NE(readFile("a.but"), readFile("c.but"));
    EXPECT_EQ(readFile("default.but"), readFile("one.but")) << "the default seed is 1";
    EXPECT_NE(readFile("a.but"), readFile("one.but"));

    // The draws use no library distribution, so this file is the same with every compiler
    // and library; a change here changes every recording made from a seed.
    ASSERT_EQ(runCli("generate --profile up-peak --steps 100 --calls 8 --seed 2024 "
                     "--no-destination-share 0.3 -o pinned.but")
                  .code,
              0);
    EXPECT_EQ(readFile("pinned.but"),
              "8"
              "\n12 1 1    0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"
              "\n23 1 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0"
              "\n50 1 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"
              "\n50 17 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"
              "\n60 1 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0"
              "\n71 1 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0"
              "\n80 1 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0"
              "\n84 1 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0");
}

TEST_F(GenerateTest, EveryCallerUsesClickableFloorsAndGoesOneWay) {
    for (const char* profile : {"up-peak", "down-peak", "inter-floor", "lunch"}) {
        SCOPED_TRACE(profile);
        const std::vector<Caller> callers =
            generate(std::string("--profile ") + profile + " --steps 5000 --calls 400 --seed 9");
        ASSERT_EQ(callers.size(), 400u) << "no collisions are expected at this density";
        std::set<std::tuple<int, int, int>> keys;
        int previousStep = -1;
        for (const Caller& c : callers) {
            EXPECT_TRUE(keys.insert({c.step, c.floor, c.direction}).second) << "duplicate key";
            EXPECT_GE(c.step, previousStep) << "entries are in step order";
            previousStep = c.step;
            EXPECT_GE(c.step, 0);
            EXPECT_LT(c.step, 5000);
            EXPECT_TRUE(kClickable.count(c.floor)) << "call from floor " << c.floor;
            ASSERT_TRUE(c.direction == 0 || c.direction == 1);
            EXPECT_FALSE(c.direction == 1 && c.floor == 28) << "up call at the top floor";
            EXPECT_FALSE(c.direction == 0 && c.floor == 1) << "down call at floor 1";
            EXPECT_FALSE(c.destinations.empty()) << "every caller has a destination by default";
            for (int d : c.destinations) {
                EXPECT_TRUE(kClickable.count(d)) << "destination " << d;
                if (c.direction == 1)
                    EXPECT_GT(d, c.floor);
                else
                    EXPECT_LT(d, c.floor);
            }
        }
        // The arrivals spread over the whole time, not bunched at the start.
        EXPECT_LT(callers.front().step, 500);
        EXPECT_GT(callers.back().step, 4500);
    }
}

TEST_F(GenerateTest, ProfilesShapeTheTraffic) {
    const std::string size = " --steps 20000 --calls 2000";
    const auto upPeak = generate("--profile up-peak" + size);
    EXPECT_GT(share(upPeak, [](const Caller& c) { return c.floor == 1 && c.direction == 1; }), 0.7);

    const auto downPeak = generate("--profile down-peak" + size);
    EXPECT_GT(share(downPeak, [](const Caller& c) { return c.direction == 0 && goesToward(c, 1); }),
              0.7);
    EXPECT_LT(share(downPeak, [](const Caller& c) { return c.floor == 1; }), 0.2);

    const auto lunch = generate("--profile lunch" + size);
    EXPECT_GT(share(lunch, [](const Caller& c) { return c.floor == 13 || goesToward(c, 13); }),
              0.7);
    const double lobby =
        share(lunch, [](const Caller& c) { return c.floor == 1 || goesToward(c, 1); });
    EXPECT_GT(lobby, 0.1);
    EXPECT_LT(lobby, 0.4);

    const auto inter = generate("--profile inter-floor" + size);
    const double up = share(inter, [](const Caller& c) { return c.direction == 1; });
    EXPECT_GT(up, 0.4);
    EXPECT_LT(up, 0.6);
    EXPECT_LT(share(inter, [](const Caller& c) { return c.floor == 1; }), 0.15);
    // Every clickable floor takes calls, so no floor dominates.
    std::set<int> floors;
    for (const Caller& c : inter) floors.insert(c.floor);
    EXPECT_EQ(floors, kClickable);
}

TEST_F(GenerateTest, NoDestinationShareDropsDestinationsAndKeepsTheCalls) {
    const std::string options = "--profile lunch --steps 10000 --calls 1000 --seed 5";
    const auto all = generate(options);
    const auto none = generate(options + " --no-destination-share 1");
    const auto half = generate(options + " --no-destination-share 0.5");
    ASSERT_EQ(all.size(), 1000u);
    ASSERT_EQ(none.size(), all.size());
    ASSERT_EQ(half.size(), all.size());
    int withoutInHalf = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(none[i].destinations.empty());
        EXPECT_EQ(std::tie(half[i].step, half[i].floor, half[i].direction),
                  std::tie(all[i].step, all[i].floor, all[i].direction));
        if (half[i].destinations.empty())
            ++withoutInHalf;
        else
            EXPECT_EQ(half[i].destinations, all[i].destinations);
    }
    EXPECT_GT(withoutInHalf, 420);
    EXPECT_LT(withoutInHalf, 580);
}

TEST_F(GenerateTest, TheRecorderReadsTheFileBackAndWritesItTheSame) {
    ASSERT_EQ(runCli("generate --profile up-peak --steps 3000 --calls 300 -o t.but").code, 0);
    Building building;
    PressRecorder recorder(building);
    recorder.Load("t.but");
    EXPECT_EQ(recorder.entries.size(), 300u);
    ASSERT_TRUE(recorder.Save("again.but"));
    EXPECT_EQ(readFile("again.but"), readFile("t.but"));

    ASSERT_EQ(runCli("generate --profile lunch --steps 10 --calls 0 -o empty.but").code, 0);
    EXPECT_EQ(readFile("empty.but"), "0");
}

TEST_F(GenerateTest, CallersWhoseKeyIsTakenMoveOnOrAreDropped) {
    // One step holds at most one call per floor and direction: most of these must go.
    const CliResult r = runCli("generate --profile up-peak --steps 1 --calls 200 -o one.but");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto callers = parseStrictly(readFile("one.but"));
    EXPECT_LT(callers.size(), 40u);
    EXPECT_GT(callers.size(), 1u);
    for (const Caller& c : callers) EXPECT_EQ(c.step, 0);

    // With room after them, taken keys move to a later step instead.
    const CliResult spread =
        runCli("generate --profile up-peak --steps 2000 --calls 200 -o spread.but");
    ASSERT_EQ(spread.code, 0) << spread.err;
    EXPECT_EQ(parseStrictly(readFile("spread.but")).size(), 200u);
    // "..., N moved to a later step, ..."
    const std::size_t moved = spread.out.find(" moved");
    ASSERT_NE(moved, std::string::npos) << spread.out;
    const std::size_t number = spread.out.rfind(' ', moved - 1) + 1;
    EXPECT_GT(std::stoi(spread.out.substr(number, moved - number)), 0)
        << "floor 1 is busy enough for some callers to meet";
}

TEST_F(GenerateTest, BadOptionsAreRefusedWithExitCodeTwo) {
    writeFile("keep.but", "0");
    const char* bad[] = {
        "--steps 10 --calls 5 -o keep.but",                            // no profile
        "--profile rush-hour --steps 10 --calls 5 -o keep.but",        // unknown profile
        "--profile lunch --calls 5 -o keep.but",                       // no steps
        "--profile lunch --steps 0 --calls 5 -o keep.but",             // no time
        "--profile lunch --steps 10 -o keep.but",                      // no calls
        "--profile lunch --steps 10 --calls -1 -o keep.but",           // negative
        "--profile lunch --steps 10 --calls 5",                        // no output
        "--profile lunch --steps 10 --calls 5 --seed x -o keep.but",   // not a number
        "--profile lunch --steps 10 --calls 5 --seed -1 -o keep.but",  // out of range
        "--profile lunch --steps 10 --calls 5 --no-destination-share 1.5 -o keep.but",
        "--profile lunch --steps 10 --calls 5 --no-destination-share -0.1 -o keep.but",
        "--profile lunch --steps 10 --calls 5 --fast -o keep.but",  // unknown option
        "--profile lunch --steps 10 --calls 5 -o",                  // value missing
    };
    for (const char* options : bad) {
        SCOPED_TRACE(options);
        const CliResult r = runCli(std::string("generate ") + options);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(readFile("keep.but"), "0") << "a refused command writes nothing";
    }
}

TEST_F(GenerateTest, HelpExplainsEveryOption) {
    const CliResult r = runCli("generate --help");
    EXPECT_EQ(r.code, 0);
    for (const char* word : {"--profile", "up-peak", "down-peak", "inter-floor", "lunch", "--steps",
                             "--calls", "--seed", "--no-destination-share", "-o", "Poisson"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(GenerateTest, AFailedWriteKeepsWhatWasThere) {
    // A directory cannot be replaced by a file: the write fails after the traffic is made.
    std::filesystem::create_directory("taken.but");
    writeFile("taken.but/inside", "previous");
    const CliResult r = runCli("generate --profile lunch --steps 100 --calls 5 -o taken.but");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory("taken.but"));
    EXPECT_EQ(readFile("taken.but/inside"), "previous");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary file is left behind";
}

}  // namespace
}  // namespace vardeck
