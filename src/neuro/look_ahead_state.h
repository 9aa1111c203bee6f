#pragma once

#include "neuro/solver_state.h"

namespace vardeck {

class Car;
class HallCallPanel;

// The look-ahead state: the classic state, except that while the doors are closed and the car
// has a direction, the target tells whether any request (a car button or a lit hall lamp, either
// way) lies beyond the car's floor in that direction: 3 when one does, 1 when none does. That is
// the one thing the schedule looks at that the classic state hides (it hides the target whenever
// the car has a direction, and the direction too when the car button of the car's floor is lit),
// so a solver that sees it can tell a car that should go on from one that should stop and turn.
SolverState withLookAhead(SolverState classic, const Car& car, const HallCallPanel& hall);

// Whether a request lies beyond the car's floor in `direction` (1 up, 2 down).
bool requestAhead(const Car& car, const HallCallPanel& hall, int direction);

}  // namespace vardeck
