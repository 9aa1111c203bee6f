#include "neuro/car_command_writer.h"

#include "model/car.h"

namespace vardeck {

void CarCommandWriter::write(Car& car, const CarCommand& c) const {
    if (c.doorCommand != CarCommand::kLeaveUnchanged) car.doorCommand = c.doorCommand;
    if (c.moveCommand != CarCommand::kLeaveUnchanged) car.moveCommand = c.moveCommand;
    if (c.direction != CarCommand::kLeaveUnchanged) car.direction = c.direction;
}

}  // namespace vardeck
