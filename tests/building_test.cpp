#include "model/building.h"

#include <gtest/gtest.h>

#include "model/map_click.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::RecordingSystem;
using Call = RecordingSystem::Call;

class BuildingTest : public ::testing::Test {
protected:
    BuildingTest() { building.setControlSystem(&system); }
    Building building;
    RecordingSystem system;
    Car& car = building.car;
    HallCallPanel& hall = building.hallPanel;
};

TEST_F(BuildingTest, ConstructionAndResetValuesDiffer) {
    EXPECT_EQ(car.floor, 1);
    EXPECT_EQ(car.travelCount, 1);
    EXPECT_EQ(car.doorCommand, 0);
    car.floor = 9;
    car.doorOpen = 1;
    car.buttons[4] = 1;
    hall.up[3] = 1;
    building.reset();
    EXPECT_EQ(car.floor, 1);
    EXPECT_EQ(car.doorOpen, 0);
    EXPECT_EQ(car.doorCommand, 2);
    EXPECT_EQ(car.buttonCount(), 0);
    EXPECT_EQ(hall.isLit(3, 1), 0);
    EXPECT_TRUE(system.calls.empty());
    // With no order the first step finds the timer at 0 and the doors stay closed.
    building.step();
    EXPECT_EQ(car.doorOpen, 0);
    EXPECT_EQ(car.doorCommand, 0);
}

TEST_F(BuildingTest, HallLampsAtTheEndFloorsNotifyButDoNotLight) {
    hall.press(28, 1);
    hall.press(28, 1);
    hall.press(1, 0);
    EXPECT_EQ(hall.isLit(28, 1), 0);
    EXPECT_EQ(hall.isLit(1, 0), 0);
    EXPECT_EQ(system.calls,
              (std::vector<Call>{
                  {CmdHallCallAdded, 28, 1}, {CmdHallCallAdded, 28, 1}, {CmdHallCallAdded, 1, 0}}));
    system.calls.clear();
    hall.press(28, 0);
    hall.press(1, 1);
    hall.press(1, 1);  // already lit: no second notification
    EXPECT_EQ(hall.isLit(28, 0), 1);
    EXPECT_EQ(hall.isLit(1, 1), 1);
    EXPECT_EQ(system.calls,
              (std::vector<Call>{{CmdHallCallAdded, 28, 0}, {CmdHallCallAdded, 1, 1}}));
}

TEST_F(BuildingTest, PressesOutsideTheBuildingAreIgnored) {
    hall.press(0, 1);
    hall.press(29, 0);
    hall.press(-5, 1);
    car.pressButton(0);
    car.pressButton(29);
    EXPECT_TRUE(system.calls.empty());
    // Empty panels answer the sentinels the control systems rely on.
    EXPECT_EQ(hall.lowestLit(2), 100);
    EXPECT_EQ(hall.highestLit(2), 0);
    EXPECT_EQ(hall.firstLit(1, 28, 2), 0);
    EXPECT_EQ(car.lowestButton(), 100);
    EXPECT_EQ(car.highestButton(), 0);
}

TEST_F(BuildingTest, CarButtonOfTheCarsFloorNotifiesEveryTimeAndNeverLights) {
    car.pressButton(1);
    car.pressButton(1);
    car.pressButton(7);
    car.pressButton(7);
    EXPECT_EQ(car.buttons[1], 0);
    EXPECT_EQ(car.buttons[7], 1);
    EXPECT_EQ(system.calls,
              (std::vector<Call>{
                  {CmdCarCallAdded, 1, -1}, {CmdCarCallAdded, 1, -1}, {CmdCarCallAdded, 7, -1}}));
}

TEST_F(BuildingTest, OpeningWithoutDirectionAnswersOnlyTheUpLampAndTheCarButton) {
    car.floor = 6;
    hall.press(6, 1);
    hall.press(6, 0);
    car.buttons[6] = 1;
    system.calls.clear();
    car.doorCommand = 1;
    building.step();
    EXPECT_EQ(car.doorOpen, 1);
    EXPECT_EQ(car.doorTimer, 4);
    EXPECT_EQ(hall.isLit(6, 1), 0);
    EXPECT_EQ(hall.isLit(6, 0), 1);
    EXPECT_EQ(hall.isLit(6, 2), 1);
    EXPECT_EQ(car.buttons[6], 0);
    EXPECT_EQ(system.calls, (std::vector<Call>{{CmdHallCallCleared, 6, 1}}));
}

TEST_F(BuildingTest, AStandingCarAnswersNothingWithoutAnOpenOrder) {
    car.floor = 6;
    hall.press(6, 1);
    car.buttons[6] = 1;
    system.calls.clear();
    for (const int order : {0, 2}) {
        car.doorCommand = order;
        building.step();
        EXPECT_EQ(hall.isLit(6, 1), 1) << "order " << order;
        EXPECT_EQ(car.buttons[6], 1) << "order " << order;
    }
    EXPECT_TRUE(system.calls.empty());
}

TEST_F(BuildingTest, DoorDwellTakesFourCloseOrdersAndHoldsAPendingMove) {
    car.floor = 3;
    car.doorCommand = 1;
    building.step();
    for (int i = 0; i < 4; ++i) {
        car.doorCommand = 2;
        car.moveCommand = 1;
        building.step();
        EXPECT_EQ(car.doorOpen, 1) << "close order " << i + 1;
        EXPECT_EQ(car.floor, 3);
        EXPECT_EQ(car.moveCommand, 1) << "the move stays pending while the timer runs";
    }
    EXPECT_EQ(car.doorTimer, 0);
    car.doorCommand = 2;
    building.step();  // the pending move goes first, then the fifth close order closes
    EXPECT_EQ(car.floor, 4);
    EXPECT_EQ(car.lastMove, 1);
    EXPECT_EQ(car.doorOpen, 0);
    EXPECT_EQ(car.travelCount, 2);
}

TEST_F(BuildingTest, MoveAndOpenInOneStepAnswerNothingAtTheNewFloor) {
    car.floor = 4;
    hall.press(5, 1);
    system.calls.clear();
    car.moveCommand = 1;
    car.direction = 1;
    car.doorCommand = 1;
    building.step();
    EXPECT_EQ(car.floor, 5);
    EXPECT_EQ(car.doorOpen, 1);
    EXPECT_EQ(hall.isLit(5, 1), 1);
    EXPECT_TRUE(system.calls.empty());
}

TEST_F(BuildingTest, MovesOutOfTheShaftAreRefused) {
    car.moveCommand = 2;
    building.step();
    EXPECT_EQ(car.floor, 1);
    EXPECT_EQ(car.lastMove, 0);
    EXPECT_EQ(car.travelCount, 1);
    EXPECT_EQ(car.moveCommand, 0);
    car.floor = 28;
    car.lastMove = 1;
    car.moveCommand = 1;
    building.step();
    EXPECT_EQ(car.floor, 28);
    EXPECT_EQ(car.lastMove, 0);
}

TEST(MapClickTest, ColumnsAndFloors) {
    const int bottom = 452;
    auto rowY = [&](int floor, int offsetFromTop) {
        return bottom - 15 * floor - 18 + offsetFromTop;
    };
    // The shaft part of column 1 is a car button, the arrows right of it hall buttons.
    EXPECT_EQ(mapClick(21, rowY(9, 5), bottom).kind, ClickTarget::CarButton);
    EXPECT_EQ(mapClick(54, rowY(9, 5), bottom).kind, ClickTarget::CarButton);
    ClickTarget hall = mapClick(55, rowY(9, 2), bottom);
    EXPECT_EQ(hall.kind, ClickTarget::HallButton);
    EXPECT_EQ(hall.floor, 9);
    EXPECT_TRUE(hall.up);  // upper 8 pixels of the row
    EXPECT_FALSE(mapClick(63, rowY(9, 9), bottom).up);
    EXPECT_EQ(mapClick(63, rowY(9, 9), bottom).floor, 9);
    // Empty space in column 2's shaft part still presses a car button.
    EXPECT_EQ(mapClick(70, rowY(9, 5), bottom).kind, ClickTarget::CarButton);
    // Up to 14 pixels below floor 1's row is still floor 1.
    ClickTarget low = mapClick(58, bottom - 18 + 14, bottom);
    EXPECT_EQ(low.kind, ClickTarget::HallButton);
    EXPECT_EQ(low.floor, 1);
    EXPECT_FALSE(low.up);
}

TEST(MapClickTest, ClicksThatHitNothing) {
    const int bottom = 452;
    const int floor9 = bottom - 15 * 9 - 10;
    EXPECT_EQ(mapClick(20, floor9, bottom).kind, ClickTarget::Nothing);  // column 0
    EXPECT_EQ(mapClick(-3, floor9, bottom).kind, ClickTarget::Nothing);
    EXPECT_EQ(mapClick(80, floor9, bottom).kind, ClickTarget::Nothing);   // arrows of column 2
    EXPECT_EQ(mapClick(400, floor9, bottom).kind, ClickTarget::Nothing);  // column 8
    for (int grey : {2, 7, 11, 12, 14, 15, 23})
        EXPECT_EQ(mapClick(45, bottom - 15 * grey - 10, bottom).kind, ClickTarget::Nothing) << grey;
    EXPECT_EQ(mapClick(45, bottom - 15 * 29 - 10, bottom).kind, ClickTarget::Nothing);
    EXPECT_EQ(mapClick(45, bottom + 40, bottom).kind, ClickTarget::Nothing);
    // Right of the strip the gap shift still reaches column 7's arrows.
    EXPECT_EQ(mapClick(215, floor9, bottom).kind, ClickTarget::HallButton);
    EXPECT_EQ(mapClick(230, floor9, bottom).kind, ClickTarget::CarButton);
}

}  // namespace
}  // namespace vardeck
