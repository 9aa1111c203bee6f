#include "model/car.h"

#include "model/hall_call_panel.h"

namespace vardeck {

void Car::pressButton(int f) {
    if (!isFloor(f)) return;
    if (buttons[f] == 0 && listener_) listener_->carCallAdded(f);
    if (f != floor) buttons[f] = 1;
}

void Car::answerCallHere() {
    switch (direction) {
        case kUp:
            if (hallPanel_.isLit(floor, kHallUp)) hallPanel_.cancel(floor, kHallUp);
            break;
        case kDown:
            if (hallPanel_.isLit(floor, kHallDown)) hallPanel_.cancel(floor, kHallDown);
            break;
        case kNone:
            // At most one lamp per opening: up wins.
            if (hallPanel_.isLit(floor, kHallUp))
                hallPanel_.cancel(floor, kHallUp);
            else if (hallPanel_.isLit(floor, kHallDown))
                hallPanel_.cancel(floor, kHallDown);
            break;
        default:
            return;
    }
    buttons[floor] = 0;
}

void Car::step() {
    if (doorTimer == 0) {
        switch (moveCommand) {
            case kDown:
            case kUp: {
                const int next = floor + (moveCommand == kUp ? 1 : -1);
                if (isFloor(next)) {
                    floor = next;
                    ++travelCount;
                    lastMove = moveCommand;
                } else {
                    // A move out of the shaft is refused: the car stands.
                    lastMove = kNone;
                }
                break;
            }
            case kNone:
                lastMove = kNone;
                if (doorCommand == kDoorOpen) answerCallHere();
                break;
            default:
                break;
        }
        moveCommand = kNone;
    }
    switch (doorCommand) {
        case kDoorOpen:
            doorOpen = 1;
            doorTimer = kDoorDwell;
            break;
        case kDoorClose:
            if (doorTimer > 0)
                --doorTimer;
            else
                doorOpen = 0;
            break;
        default:
            break;
    }
    doorCommand = 0;
}

void Car::reset() {
    floor = 1;
    buttons.fill(0);
    doorOpen = 0;
    lastMove = 0;
    direction = 0;
    moveCommand = 0;
    doorCommand = kDoorClose;
    doorTimer = 0;
    travelCount = 1;
}

int Car::buttonCount() const {
    int count = 0;
    for (int f = 1; f <= kFloorCount; ++f) count += buttons[f] != 0;
    return count;
}

int Car::highestButton() const {
    for (int f = kFloorCount; f >= 1; --f)
        if (buttons[f] != 0) return f;
    return 0;
}

int Car::lowestButton() const {
    for (int f = 1; f <= kFloorCount; ++f)
        if (buttons[f] != 0) return f;
    return kNoLowestFloor;
}

}  // namespace vardeck
