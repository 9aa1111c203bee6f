#pragma once

#include "neuro/solver_state.h"

namespace vardeck {

class Car;

// Writes a decision into the car's order fields; kLeaveUnchanged leaves a field as it is.
class CarCommandWriter {
public:
    void write(Car& car, const CarCommand& command) const;
};

}  // namespace vardeck
