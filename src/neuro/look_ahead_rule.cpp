#include "neuro/look_ahead_rule.h"

#include "control/schedule_control_system.h"
#include "control/settings.h"
#include "control/user_interface.h"
#include "model/building.h"
#include "neuro/solver_state.h"

namespace vardeck {

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
// ahead of any hall lamp, so the lamps here do not change it. A state with the car button here
// and a target hides the car's direction; a car going up stands for it.
void setUp(Building& building, const MaskedState& s) {
    Car& car = building.car;
    const bool hiddenDirection = s.buttonHere && s.target != 9;
    car.floor = kCarFloor;
    car.doorOpen = s.doorOpen;
    car.lastMove = hiddenDirection ? kUp : s.lastMove;
    car.direction = hiddenDirection ? kUp : s.direction;
    car.buttons[kCarFloor] = s.buttonHere;
    building.hallPanel.up[kCarFloor] = s.upHere;
    building.hallPanel.down[kCarFloor] = s.downHere;
    car.moveCommand = kNone;
    car.doorCommand = kNone;
    // With a direction the target says whether a request lies ahead; without one, where the
    // highest request lies.
    const int way = car.direction != kNone ? car.direction : s.target == 3 ? kUp : kDown;
    const bool request = car.direction != kNone ? s.target == 3 : s.target == 1 || s.target == 3;
    if (request)
        car.buttons[way == kUp ? kCarFloor + kRequestDistance : kCarFloor - kRequestDistance] = 1;
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
        if (s.direction == 0 && !s.buttonHere) {
            states.push_back(s);
            continue;
        }
        // With a direction the target is 1 or 3 whatever the classic state showed; each
        // classic state with a direction appears once with the target hidden (9). The car
        // button here also shows the target of a car that has a direction, and 9 for one
        // that has none.
        if (s.target != 9) continue;
        if (s.buttonHere) states.push_back(s);
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
    return scheduleDecision(s);
}

}  // namespace vardeck
