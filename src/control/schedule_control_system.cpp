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
    const HallCallPanel& hall = building_.hallPanel;
    const int cur = car.floor;
    const int dir0 = car.direction;

    if (car.doorOpen == 1) {
        car.doorCommand = kDoorClose;
        return;
    }

    auto inconsistent = [this] { ui_->showMessage("Этого не может быть"); };
    switch (car.lastMove) {
        case kNone:
            if (dir0 == kNone) {
                const int hiCar = car.highestButton();
                const int target = hiCar != 0 ? hiCar : hall.highestLit(kHallEither);
                if (target == 0) break;
                if (target > cur) {
                    car.direction = kUp;
                    car.moveCommand = kUp;
                } else if (target < cur) {
                    car.direction = kDown;
                    car.moveCommand = kDown;
                } else {
                    car.direction = kNone;
                    car.moveCommand = kNone;
                }
            } else if (dir0 == kUp || dir0 == kDown) {
                car.moveCommand = dir0;
                stopIfNothingAhead();
            }
            break;
        case kUp:
            if (dir0 == kUp) {
                car.moveCommand = kUp;
                stopIfNothingAhead();
            } else {
                inconsistent();
            }
            break;
        case kDown:
            if (dir0 == kDown) {
                car.moveCommand = kDown;
                stopIfNothingAhead();
            } else {
                inconsistent();
            }
            break;
        default:
            break;
    }

    bool open = false;
    const bool buttonHere = isFloor(cur) && car.buttons[cur] != 0;
    switch (dir0) {
        case kNone:
            open = buttonHere || hall.isLit(cur, kHallEither) != 0;
            break;
        case kUp:
            open = buttonHere || hall.isLit(cur, kHallUp) != 0 ||
                   (hall.isLit(cur, kHallDown) != 0 && car.direction == kNone);
            break;
        case kDown:
            open = buttonHere || hall.isLit(cur, kHallDown) != 0 ||
                   (hall.isLit(cur, kHallUp) != 0 && car.direction == kNone);
            break;
        default:
            break;
    }
    if (open) {
        car.doorCommand = kDoorOpen;
        car.moveCommand = kNone;
    }
}

void ScheduleControlSystem::stopIfNothingAhead() {
    Car& car = building_.car;
    const HallCallPanel& hall = building_.hallPanel;
    const int cur = car.floor;
    const int lo = std::min(car.lowestButton(), hall.lowestLit(kHallEither));
    const int hi = std::max(car.highestButton(), hall.highestLit(kHallEither));
    if ((car.moveCommand == kUp && cur >= hi) || (car.moveCommand == kDown && cur <= lo) ||
        lo == 100 || hi == 0) {
        car.direction = kNone;
        car.moveCommand = kNone;
    }
}

}  // namespace vardeck
