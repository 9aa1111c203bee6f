#include "control/schedule_control_system.h"

#include <algorithm>

#include "control/settings.h"
#include "control/text_buffer.h"
#include "control/user_interface.h"
#include "model/building.h"

namespace vardeck {

ScheduleControlSystem::ScheduleControlSystem(Building& building, Settings& settings, UiHooks& ui)
    : meter(building, settings, ui), building_(building), settings_(settings), ui_(ui) {}

void ScheduleControlSystem::command(CommandCode code, void* argument) {
    switch (code) {
        case CmdHallCallAdded: {
            const int* call = static_cast<const int*>(argument);
            meter.stampCall(call[0], call[1]);
            break;
        }
        case CmdHallCallCleared: {
            const int* call = static_cast<const int*>(argument);
            meter.takeSample(call[0], call[1]);
            break;
        }
        case CmdStep:
            command(CmdBeginStep, nullptr);
            planStep();
            break;
        case CmdReset:
            meter.restart();
            break;
        case CmdClear:
            meter.refill();
            break;
        case CmdGetLabels:
            copyText(static_cast<LabelText*>(argument)[0], "Управление");
            break;
        case CmdGetImageName:
            copyText(static_cast<char*>(argument), "");
            break;
        case CmdBeginStep:
            meter.dropStamps();
            break;
        case CmdGetLastEfficiency:
            *static_cast<double*>(argument) = meter.lastSample;
            break;
        case CmdGetPopulestFloor:
            *static_cast<int*>(argument) = 0;
            break;
        case CmdGetKsu:
        case CmdGetOldKsu:
            *static_cast<float*>(argument) = 0.0f;
            break;
        default:
            break;
    }
}

void ScheduleControlSystem::planStep() {
    Car& car = building_.car;
    if (car.doorOpen == 1) {
        car.doorCommand = kDoorClose;
        return;
    }
    const int direction = car.direction;
    planMove();
    if (isCalledHere(direction)) {
        car.doorCommand = kDoorOpen;
        car.moveCommand = kNone;
    }
}

void ScheduleControlSystem::planMove() {
    Car& car = building_.car;
    const int direction = car.direction;
    switch (car.lastMove) {
        case kNone:
            if (direction == kNone) {
                headForHighestRequest();
            } else if (direction == kUp || direction == kDown) {
                keepGoing(direction);
            }
            break;
        case kUp:
        case kDown:
            // A car that moved keeps its direction; anything else is a broken state.
            if (direction == car.lastMove) {
                keepGoing(direction);
            } else {
                ui_->showMessage("Этого не может быть");
            }
            break;
        default:
            break;
    }
}

void ScheduleControlSystem::headForHighestRequest() {
    Car& car = building_.car;
    const int highestButton = car.highestButton();
    const int target =
        highestButton != 0 ? highestButton : building_.hallPanel.highestLit(kHallEither);
    if (target == 0) return;
    const int direction = target > car.floor ? kUp : target < car.floor ? kDown : kNone;
    car.direction = direction;
    car.moveCommand = direction;
}

void ScheduleControlSystem::keepGoing(int direction) {
    building_.car.moveCommand = direction;
    stopIfNothingAhead();
}

bool ScheduleControlSystem::isCalledHere(int direction) const {
    const Car& car = building_.car;
    const HallCallPanel& hall = building_.hallPanel;
    const int cur = car.floor;
    const bool buttonHere = isFloor(cur) && car.buttons[cur] != 0;
    // A car that travels answers the calls in its direction, and those against it once it stops.
    switch (direction) {
        case kNone:
            return buttonHere || hall.isLit(cur, kHallEither) != 0;
        case kUp:
            return buttonHere || hall.isLit(cur, kHallUp) != 0 ||
                   (hall.isLit(cur, kHallDown) != 0 && car.direction == kNone);
        case kDown:
            return buttonHere || hall.isLit(cur, kHallDown) != 0 ||
                   (hall.isLit(cur, kHallUp) != 0 && car.direction == kNone);
        default:
            return false;
    }
}

void ScheduleControlSystem::stopIfNothingAhead() {
    Car& car = building_.car;
    const HallCallPanel& hall = building_.hallPanel;
    const int cur = car.floor;
    const int lo = std::min(car.lowestButton(), hall.lowestLit(kHallEither));
    const int hi = std::max(car.highestButton(), hall.highestLit(kHallEither));
    if ((car.moveCommand == kUp && cur >= hi) || (car.moveCommand == kDown && cur <= lo) ||
        lo == kNoLowestFloor || hi == 0) {
        car.direction = kNone;
        car.moveCommand = kNone;
    }
}

}  // namespace vardeck
