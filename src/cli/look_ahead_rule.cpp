#include "cli/look_ahead_rule.h"

#include "control/schedule_control_system.h"
#include "control/settings.h"
#include "control/user_interface.h"
#include "model/building.h"
#include "neuro/solver_state.h"

namespace vardeck::cli {

namespace {

// The car's floor in the building that stands for a state: far enough from both ends for a
// request six floors either way.
constexpr int kCarFloor = 14;
constexpr int kRequestDistance = 6;

OutputBits bits(int door, int move, int direction) {
    OutputBits out{};
    out[0] = door == kDoorOpen ? 1 : 0;
    out[2 + move] = 1;
    // A direction left unchanged is no bit of the three.
    if (direction != CarCommand::kLeaveUnchanged) out[5 + direction] = 1;
    return out;
}

// Puts a building into a state: the car's fields and the lamps of its floor as shown, and for
// the target one car button where it says the request lies. A car button decides the target
// ahead of any hall lamp, so the lamps here do not change it.
void setUp(Building& building, const MaskedState& s) {
    Car& car = building.car;
    car.floor = kCarFloor;
    car.doorOpen = s.doorOpen;
    car.lastMove = s.lastMove;
    car.direction = s.direction;
    car.buttons[kCarFloor] = s.buttonHere;
    building.hallPanel.up[kCarFloor] = s.upHere;
    building.hallPanel.down[kCarFloor] = s.downHere;
    car.moveCommand = kNone;
    car.doorCommand = kNone;
    const int way = s.direction != 0 ? s.direction : s.target == 3 ? kUp : kDown;
    const int ahead = way == kUp ? kCarFloor + kRequestDistance : kCarFloor - kRequestDistance;
    if ((s.direction != 0 && s.target == 3) || (s.direction == 0 && s.target != 2 && s.target != 9))
        car.buttons[ahead] = 1;
}

// The schedule's orders in a building put into the state.
OutputBits scheduleDecision(const MaskedState& s) {
    Building building;
    Settings settings;
    settings.setDefaults();
    UiHooks ui;
    ScheduleControlSystem schedule(building, settings, ui);
    setUp(building, s);
    const int directionBefore = building.car.direction;
    schedule.command(CmdStep, nullptr);
    const Car& car = building.car;
    const int direction =
        car.direction == directionBefore ? CarCommand::kLeaveUnchanged : car.direction;
    // The schedule gives no door order while it has nothing to do; closed doors stay closed.
    return bits(car.doorCommand == kDoorOpen ? kDoorOpen : kDoorClose, car.moveCommand, direction);
}

}  // namespace

std::vector<MaskedState> lookAheadStates() {
    std::vector<MaskedState> states;
    for (const MaskedState& s : reachableStates()) {
        if (s.direction == 0) {
            states.push_back(s);
            continue;
        }
        // With a direction the target is 1 or 3 whatever the classic state showed; each
        // classic state with a direction appears once with the target hidden (9).
        if (s.target != 9) continue;
        for (int target : {1, 3}) {
            MaskedState ahead = s;
            ahead.target = target;
            states.push_back(ahead);
        }
    }
    return states;
}

OutputBits wantedLookAheadOutputs(const MaskedState& s, double ksu) {
    // Nothing requested anywhere: the schedule does nothing; park as the classic rule does.
    if (!s.doorOpen && !s.buttonHere && s.direction == 0 && s.target == 9)
        return wantedOutputs(s, ksu);
    // The car button here hides the rest of the state. The schedule always opens for it and
    // keeps its direction unless nothing lies ahead; keeping it is right in the common case,
    // and a car that had nothing ahead finds that out in the next state and turns.
    if (s.buttonHere) return bits(kDoorOpen, kNone, CarCommand::kLeaveUnchanged);
    return scheduleDecision(s);
}

}  // namespace vardeck::cli
