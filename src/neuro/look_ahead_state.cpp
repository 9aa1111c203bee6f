#include "neuro/look_ahead_state.h"

#include <algorithm>

#include "model/car.h"
#include "model/hall_call_panel.h"

namespace vardeck {

bool requestAhead(const Car& car, const HallCallPanel& hall, int direction) {
    // The schedule's own test of whether anything lies ahead (its stop when nothing does).
    if (direction == kUp)
        return std::max(car.highestButton(), hall.highestLit(kHallEither)) > car.floor;
    if (direction == kDown)
        return std::min(car.lowestButton(), hall.lowestLit(kHallEither)) < car.floor;
    return false;
}

SolverState withLookAhead(SolverState state, const Car& car, const HallCallPanel& hall) {
    // The car's own direction: the classic state clears it when the car button here is lit.
    if (car.doorOpen == 0 && car.direction != 0)
        state.target = requestAhead(car, hall, car.direction) ? 3 : 1;
    return state;
}

}  // namespace vardeck
