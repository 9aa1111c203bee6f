#pragma once

#include "neuro/solver_state.h"

namespace vardeck {

class Car;

// Writes a decision into the car's order fields; 9 leaves a field as it is.
class CarCommandWriter {
public:
    virtual ~CarCommandWriter() = default;
    void write(Car& car, const CarCommand& command) const;
};

}  // namespace vardeck
