#pragma once

#include "control/command_code.h"
#include "model/building_listener.h"

namespace vardeck {

// Everything said to or asked of a control system goes through `command`; results come back
// through the argument. Unknown codes are ignored. The building's reports arrive as commands too.
class ControlSystem : public BuildingListener {
public:
    virtual void command(CommandCode code, void* argument) = 0;

    void hallCallAdded(int floor, int dir) final {
        int call[2] = {floor, dir};
        command(CmdHallCallAdded, call);
    }
    void hallCallCleared(int floor, int dir) final {
        int call[2] = {floor, dir};
        command(CmdHallCallCleared, call);
    }
    void carCallAdded(int floor) final { command(CmdCarCallAdded, &floor); }
};

}  // namespace vardeck
