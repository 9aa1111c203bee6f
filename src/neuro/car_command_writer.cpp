#include "neuro/car_command_writer.h"

#include "model/car.h"

namespace vardeck {

void CarCommandWriter::write(Car& car, const CarCommand& c) const {
    if (c.doorCommand != 9) car.doorCommand = c.doorCommand;
    if (c.moveCommand != 9) car.moveCommand = c.moveCommand;
    if (c.direction != 9) car.direction = c.direction;
}

}  // namespace vardeck
