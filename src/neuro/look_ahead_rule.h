#pragma once

#include <vector>

#include "neuro/solver_rule.h"

namespace vardeck {

// Every state that the look-ahead encoding can produce: the classic states, except that with
// the doors closed a car with a direction shows the target 3 (a request ahead) or 1 (none
// ahead), never 2 or 9, also when the car button of its floor is lit.
std::vector<MaskedState> lookAheadStates();

// What the car should do in a look-ahead state: the schedule system's own decision, taken in a
// building put into that state, with the direction left unchanged wherever the schedule leaves
// it (so a car keeps its direction at a stop on its way); and the classic rule's parking for
// `ksu` when nothing is requested anywhere.
OutputBits wantedLookAheadOutputs(const MaskedState& state, double ksu);

}  // namespace vardeck
