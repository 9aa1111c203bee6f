#include <gtest/gtest.h>

#include <cerrno>

#include "sim/simulation.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::writeFile;

constexpr int kBottom = 452;
int rowY(int floor, bool upperHalf) {
    return kBottom - 15 * floor - 18 + (upperHalf ? 2 : 12);
}
constexpr int kArrowX = 58;
constexpr int kShaftX = 45;

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() {
        sim.settings.setDefaults();
        sim.settings.elemToCheckNeedToAdapt = 1;
        sim.select(SystemKind::Schedule);
    }
    test::TempDir dir;
    Simulation sim;
    PressRecorder& recorder = sim.recorder;
    Car& car = sim.building.car;
    HallCallPanel& hall = sim.building.hallPanel;
};

TEST_F(RecorderTest, SavesTheExampleByteForByte) {
    PressValue value;
    value.buttons[0] = 1;
    value.buttons[19] = 1;
    recorder.addEntry({5, 9, 1}, value);
    ASSERT_TRUE(recorder.save("one.but"));
    EXPECT_EQ(readFile("one.but"),
              "1\n5 9 1    1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0");
    EXPECT_EQ(recorder.fileName, "one.but");

    recorder.clear();
    ASSERT_TRUE(recorder.save("empty.but"));
    EXPECT_EQ(readFile("empty.but"), "0");
    recorder.load("empty.but");
    EXPECT_TRUE(recorder.entries().empty());
    EXPECT_EQ(recorder.fileName, "empty.but");
}

TEST_F(RecorderTest, RoundTripKeepsFloorsTheModelIgnores) {
    const std::string text =
        "3\n0 30 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1"
        "\n4 9 0    1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"
        "\n4 9 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1";
    writeFile("in.but", text);
    recorder.load("in.but");
    ASSERT_EQ(recorder.entries().size(), 3u);
    ASSERT_TRUE(recorder.save("out.but"));
    EXPECT_EQ(readFile("out.but"), text);
}

TEST_F(RecorderTest, DamagedFilesKeepTheCompleteEntries) {
    const std::string entry = "\n1 9 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1";
    const std::string second =
        "\n2 10 0    1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
    const std::pair<std::string, std::size_t> files[] = {
        {"5" + entry + second + "\n3 13 1    0 0 1", 2},  // cut short
        {"3" + entry + "\n2 x 0    1 0", 1},              // not a number
        {"2147483647" + entry, 1},                        // a count far too large
        {"-4" + entry, 0},
        {"hello", 0},
        {"2" + entry + entry, 1},  // the same press twice
    };
    for (const auto& [text, entries] : files) {
        writeFile("damaged.but", text);
        EXPECT_TRUE(recorder.load("damaged.but"));
        EXPECT_EQ(recorder.entries().size(), entries) << text;
        EXPECT_EQ(recorder.fileName, "damaged.but");
    }
    // The window tells why a file could not be opened.
    for (const auto& [path, reason] : {std::pair{"missing.but", ENOENT}, {".", EISDIR}}) {
        EXPECT_FALSE(recorder.load(path));
        EXPECT_EQ(errno, reason) << path;
        EXPECT_TRUE(recorder.entries().empty());
        EXPECT_EQ(recorder.fileName, "");
    }
}

TEST_F(RecorderTest, FailedSaveKeepsThePreviousFile) {
    writeFile("keep.but", "0");
    recorder.addEntry({1, 9, 1}, PressValue{});
    recorder.fileName = "keep.but";
    EXPECT_FALSE(recorder.save("no-such-dir/x.but"));
    EXPECT_EQ(recorder.fileName, "keep.but");
    EXPECT_EQ(readFile("keep.but"), "0");
}

TEST_F(RecorderTest, RecordingTwoHallClicksInOneStep) {
    recorder.mode = PressRecorder::Recording;
    sim.runStep();                                // step 0
    sim.click(kShaftX, rowY(20, true), kBottom);  // a destination clicked before any hall call
    EXPECT_EQ(car.buttons[20], 1);
    sim.click(kArrowX, rowY(9, true), kBottom);
    sim.click(kShaftX, rowY(24, true), kBottom);
    sim.click(kArrowX, rowY(13, false), kBottom);  // commits the first press at once
    ASSERT_EQ(recorder.entries().size(), 1u);
    const auto& [key, value] = *recorder.entries().begin();
    EXPECT_EQ(key, (PressKey{1, 9, 1}));
    EXPECT_EQ(value.buttons[19], 1);
    EXPECT_EQ(value.buttons[23], 1);
    EXPECT_EQ(car.buttonCount(), 0) << "committing takes the destinations out of the car";
    EXPECT_EQ(recorder.pendingKey, (PressKey{1, 13, 0}));
    sim.runStep();  // the step commits the second press
    EXPECT_EQ(recorder.entries().size(), 2u);
    EXPECT_EQ(recorder.pendingKey.floor, 0);
    // The same press again is dropped with its destinations.
    recorder.pendingKey = {1, 9, 1};
    recorder.pendingValue.buttons[2] = 1;
    recorder.commit();
    EXPECT_EQ(recorder.entries().at({1, 9, 1}).buttons[2], 0);
}

TEST_F(RecorderTest, PlaybackPressesDueCallsAndBoardsOnlyInTheCallersDirection) {
    PressValue toTwenty;
    toTwenty.buttons[19] = 1;
    PressValue toOne;
    toOne.buttons[0] = 1;
    recorder.addEntry({0, 1, 1}, toTwenty);  // at floor 1, going up
    recorder.addEntry({2, 9, 0}, toOne);     // at floor 9, going down
    recorder.clearPlayed();
    recorder.mode = PressRecorder::Playing;

    sim.runStep();  // step 0: the hall call is pressed, the car opens at once
    EXPECT_EQ(car.buttons[20], 0) << "boarding waits until the step after the call";
    sim.runStep();  // step 1: the doors are open, the direction is none: the caller boards
    EXPECT_EQ(car.buttons[20], 1);
    EXPECT_TRUE(recorder.entries().at({0, 1, 1}).played);
    sim.runStep();  // step 2: the down call at 9 is pressed
    EXPECT_EQ(hall.isLit(9, 0), 1);
    // Passing floor 9 on the way up does not board the down caller.
    int guard = 0;
    while (car.floor < 20 && guard++ < 100) {
        sim.runStep();
        if (car.floor == 9) {
            EXPECT_EQ(car.buttons[1], 0);
        }
    }
    EXPECT_FALSE(recorder.entries().at({2, 9, 0}).played);
    for (int i = 0; i < 60 && car.buttons[1] == 0; ++i) sim.runStep();
    EXPECT_EQ(car.floor, 9);
    EXPECT_EQ(car.buttons[1], 1);
    EXPECT_TRUE(recorder.entries().at({2, 9, 0}).played);
    for (int i = 0; i < 60; ++i) sim.runStep();
    EXPECT_EQ(car.floor, 1);

    // After a reset the recording plays again from step 0.
    sim.resetSimulation();
    EXPECT_FALSE(recorder.entries().at({0, 1, 1}).played);
    sim.runStep();
    EXPECT_EQ(hall.isLit(1, 1), 0) << "answered in the same step it was pressed";
    sim.runStep();
    EXPECT_EQ(car.buttons[20], 1);
}

// A recording handed over whole, as the command-line driver does, boards its callers without a
// reset first.
TEST_F(RecorderTest, EntriesSetWholeBoardAtOnce) {
    PressValue toTwenty;
    toTwenty.buttons[19] = 1;
    recorder.setEntries({{PressKey{0, 1, 1}, toTwenty}});
    recorder.mode = PressRecorder::Playing;
    sim.runStep();
    sim.runStep();
    EXPECT_EQ(car.buttons[20], 1);
    EXPECT_TRUE(recorder.entries().at({0, 1, 1}).played);
    EXPECT_FALSE(recorder.addEntry({0, 1, 1}, PressValue{})) << "the key is taken";
}

TEST_F(RecorderTest, OffModeNeitherRecordsNorPlays) {
    recorder.addEntry({0, 9, 1}, PressValue{});
    recorder.clearPlayed();
    sim.runStep();
    EXPECT_EQ(hall.isLit(9, 1), 0);
    sim.click(kArrowX, rowY(13, true), kBottom);
    EXPECT_EQ(hall.isLit(13, 1), 1) << "clicks still press buttons";
    EXPECT_EQ(recorder.pendingKey.floor, 0);
    // Recording, a click on a floor that takes no calls records nothing.
    recorder.mode = PressRecorder::Recording;
    sim.click(kArrowX, rowY(5, true), kBottom);
    EXPECT_EQ(recorder.pendingKey.floor, 0);
}

}  // namespace
}  // namespace vardeck
