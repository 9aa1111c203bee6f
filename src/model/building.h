#pragma once

#include "model/car.h"
#include "model/hall_call_panel.h"
#include "model/model_object.h"

namespace vardeck {

class Building : public ModelObject {
public:
    HallCallPanel hallPanel;
    Car car{hallPanel};

    // New and answered calls go to this system; the simulation sets it on every selection.
    void setControlSystem(ControlSystem* system) {
        hallPanel.setControlSystem(system);
        car.setControlSystem(system);
    }

    void Step() { car.Step(); }
    void Reset() {
        car.Reset();
        hallPanel.Reset();
    }
};

}  // namespace vardeck
