#pragma once

#include <string>

#include "control/schedule_control_system.h"

namespace vardeck {

class ControllerSession;

// A control system whose orders come from a controller program. It keeps the schedule
// system's efficiency meter, as every system does, and tells the program each step what a
// built-in system sees: the calls reported since the last step and the car and its lamps.
class ControllerControlSystem : public ScheduleControlSystem {
public:
    ControllerControlSystem(Building& building, Settings& settings, UiHooks& ui,
                            ControllerSession& session);

    void command(CommandCode code, void* argument) override;

private:
    void queueCall(const char* what, int floor, int dir);
    void exchangeStep();
    void appendNumber(long long value);
    void appendLamps(const int* lamps);

    ControllerSession& session_;
    // The lines of the next step, built in place and kept for their capacity.
    std::string lines_;
    long long step_ = 0;
};

}  // namespace vardeck
