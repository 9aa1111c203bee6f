#include "control/schedule_control_system.h"

#include <algorithm>

#include "control/settings.h"
#include "control/text_buffer.h"
#include "control/user_interface.h"
#include "model/building.h"

namespace vardeck {

ScheduleControlSystem::ScheduleControlSystem(Building& building, Settings& settings, UiHooks& ui)
    : meter(building, settings, ui), building(building), settings(settings), ui(ui) {}

void ScheduleControlSystem::command(CommandCode code, void* argument) {
    switch (code) {
        case CmdHallCallAdded: {
            const int* call = static_cast<const int*>(argument);
            meter.StampCall(call[0], call[1]);
            break;
        }
        case CmdHallCallCleared: {
            const int* call = static_cast<const int*>(argument);
            meter.TakeSample(call[0], call[1]);
            break;
        }
        case CmdStep:
            command(CmdBeginStep, nullptr);
            PlanStep();
            break;
        case CmdReset:
            meter.Restart();
            break;
        case CmdClear:
            meter.Refill();
            break;
        case CmdGetLabels:
            copyText(static_cast<LabelText*>(argument)[0], "Управление");
            break;
        case CmdGetImageName:
            copyText(static_cast<char*>(argument), "");
            break;
        case CmdBeginStep:
            meter.DropStamps();
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

void ScheduleControlSystem::PlanStep() {
    Car& car = building.car;
    const HallCallPanel& hall = building.hallPanel;
    const int cur = car.floor;
    const int dir0 = car.direction;

    if (car.doorOpen == 1) {
        car.doorCommand = kDoorClose;
        return;
    }

    auto inconsistent = [this] { ui->showMessage("Этого не может быть"); };
    switch (car.lastMove) {
        case kNone:
            if (dir0 == kNone) {
                const int hiCar = car.HighestButton();
                const int target = hiCar != 0 ? hiCar : hall.HighestLit(kHallEither);
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
                StopIfNothingAhead();
            }
            break;
        case kUp:
            if (dir0 == kUp) {
                car.moveCommand = kUp;
                StopIfNothingAhead();
            } else {
                inconsistent();
            }
            break;
        case kDown:
            if (dir0 == kDown) {
                car.moveCommand = kDown;
                StopIfNothingAhead();
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
            open = buttonHere || hall.IsLit(cur, kHallEither) != 0;
            break;
        case kUp:
            open = buttonHere || hall.IsLit(cur, kHallUp) != 0 ||
                   (hall.IsLit(cur, kHallDown) != 0 && car.direction == kNone);
            break;
        case kDown:
            open = buttonHere || hall.IsLit(cur, kHallDown) != 0 ||
                   (hall.IsLit(cur, kHallUp) != 0 && car.direction == kNone);
            break;
        default:
            break;
    }
    if (open) {
        car.doorCommand = kDoorOpen;
        car.moveCommand = kNone;
    }
}

void ScheduleControlSystem::StopIfNothingAhead() {
    Car& car = building.car;
    const HallCallPanel& hall = building.hallPanel;
    const int cur = car.floor;
    const int lo = std::min(car.LowestButton(), hall.LowestLit(kHallEither));
    const int hi = std::max(car.HighestButton(), hall.HighestLit(kHallEither));
    if ((car.moveCommand == kUp && cur >= hi) || (car.moveCommand == kDown && cur <= lo) ||
        lo == 100 || hi == 0) {
        car.direction = kNone;
        car.moveCommand = kNone;
    }
}

}  // namespace vardeck
