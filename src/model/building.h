#pragma once

#include "model/car.h"
#include "model/hall_call_panel.h"
#include "model/model_object.h"

namespace vardeck {

// The building's car holds its hall panel, so a building is never copied.
class Building : public ModelObject {
public:
    Building() = default;
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;

    HallCallPanel hallPanel;
    Car car{hallPanel};

    // New and answered calls go to this system; the simulation sets it on every selection.
    void setControlSystem(BuildingListener* listener) {
        hallPanel.setControlSystem(listener);
        car.setControlSystem(listener);
    }

    void step() { car.step(); }
    void reset() {
        car.reset();
        hallPanel.reset();
    }
};

}  // namespace vardeck
