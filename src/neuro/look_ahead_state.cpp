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
    if (state.direction != 0) state.target = requestAhead(car, hall, state.direction) ? 3 : 1;
    return state;
}

}  // namespace vardeck
