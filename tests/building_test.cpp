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

// Hall lamps of the end floors that lead out of the building notify but do not light; a lit lamp
// does not notify again. The car button of the car's floor notifies every time and never
// lights. Presses outside the building are ignored.
TEST_F(BuildingTest, HallLampsAtTheEndFloorsNotifyButDoNotLight) {
    struct Press {
        bool car;
        int floor, dir;
        bool lit, notified;
    };
    for (const Press& p : {Press{false, 28, 1, false, true}, Press{false, 28, 1, false, true},
                           Press{false, 1, 0, false, true}, Press{false, 28, 0, true, true},
                           Press{false, 1, 1, true, true}, Press{false, 1, 1, true, false},
                           Press{true, 1, -1, false, true}, Press{true, 1, -1, false, true},
                           Press{true, 7, -1, true, true}, Press{true, 7, -1, true, false},
                           Press{false, 0, 1, false, false}, Press{false, 29, 0, false, false},
                           Press{false, -5, 1, false, false}, Press{true, 0, -1, false, false},
                           Press{true, 29, -1, false, false}}) {
        system.calls.clear();
        if (p.car) {
            car.pressButton(p.floor);
        } else {
            hall.press(p.floor, p.dir);
        }
        const bool lit =
            p.car ? isFloor(p.floor) && car.buttons[p.floor] != 0 : hall.isLit(p.floor, p.dir) != 0;
        EXPECT_EQ(lit, p.lit) << p.car << " " << p.floor << " " << p.dir;
        const Call call =
            p.car ? Call{CmdCarCallAdded, p.floor, -1} : Call{CmdHallCallAdded, p.floor, p.dir};
        EXPECT_EQ(system.calls, p.notified ? std::vector<Call>{call} : std::vector<Call>{})
            << p.car << " " << p.floor << " " << p.dir;
    }
    building.reset();
    // Empty panels answer the sentinels the control systems rely on.
    EXPECT_EQ(hall.lowestLit(2), 100);
    EXPECT_EQ(hall.highestLit(2), 0);
    EXPECT_EQ(hall.firstLit(1, 28, 2), 0);
    EXPECT_EQ(car.lowestButton(), 100);
    EXPECT_EQ(car.highestButton(), 0);
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

// Pixels of the strip and what a click there presses: the shaft part of column 1 is a car
// button, the arrows right of it hall buttons (up in the upper 8 pixels of the row).
TEST(MapClickTest, ColumnsAndFloors) {
    const int bottom = 452;
    const int row9 = bottom - 15 * 9 - 18;  // the top of floor 9's row
    using K = ClickTarget::Kind;
    struct Click {
        int x, y;
        K kind;
        int floor = 0;
        bool up = false;
    };
    for (const Click& c :
         {Click{21, row9 + 5, K::CarButton}, Click{54, row9 + 5, K::CarButton},
          Click{55, row9 + 2, K::HallButton, 9, true}, Click{63, row9 + 9, K::HallButton, 9},
          Click{70, row9 + 5, K::CarButton},        // empty space in column 2's shaft part
          Click{58, bottom - 4, K::HallButton, 1},  // up to 14 pixels below floor 1's row
          Click{20, row9 + 8, K::Nothing},          // column 0
          Click{-3, row9 + 8, K::Nothing}, Click{80, row9 + 8, K::Nothing},  // column 2's arrows
          Click{400, row9 + 8, K::Nothing},                                  // column 8
          Click{45, bottom - 15 * 29 - 10, K::Nothing}, Click{45, bottom + 40, K::Nothing},
          // Right of the strip the gap shift still reaches column 7's arrows.
          Click{215, row9 + 8, K::HallButton, 9, true}, Click{230, row9 + 8, K::CarButton}}) {
        const ClickTarget t = mapClick(c.x, c.y, bottom);
        EXPECT_EQ(t.kind, c.kind) << c.x << "," << c.y;
        if (c.kind == K::HallButton) {
            EXPECT_EQ(t.floor, c.floor) << c.x << "," << c.y;
            EXPECT_EQ(t.up, c.up) << c.x << "," << c.y;
        }
    }
    for (int grey : {2, 7, 11, 12, 14, 15, 23})
        EXPECT_EQ(mapClick(45, bottom - 15 * grey - 10, bottom).kind, K::Nothing) << grey;
}

}  // namespace
}  // namespace vardeck
