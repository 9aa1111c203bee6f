#pragma once

#include "control/command_code.h"
#include "model/model_object.h"

namespace vardeck {

// Everything said to or asked of a control system goes through `command`; results come back
// through the argument. Unknown codes are ignored.
class ControlSystem : public ModelObject {
public:
    virtual void command(CommandCode code, void* argument) = 0;
};

}  // namespace vardeck
