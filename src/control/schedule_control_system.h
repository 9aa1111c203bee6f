#pragma once

#include "control/control_system.h"
#include "control/efficiency_meter.h"

namespace vardeck {

class Building;
struct Settings;
class UiHooks;

// The rule-based system: serves requests in the car's direction of travel. Its efficiency meter
// is inherited by the other systems.
class ScheduleControlSystem : public ControlSystem {
public:
    ScheduleControlSystem(Building& building, Settings& settings, UiHooks& ui);

    void command(CommandCode code, void* argument) override;

    EfficiencyMeter meter;

protected:
    Building& building_;
    Settings& settings_;
    UiHooks& ui_;

private:
    // The orders of one step: close an open door, else move on and open where a call waits.
    void planStep();
    void planMove();
    void headForHighestRequest();
    void keepGoing(int direction);
    // Whether the car, which travelled in `direction` before this step, opens here.
    bool isCalledHere(int direction) const;
    void stopIfNothingAhead();
};

}  // namespace vardeck
