#pragma once

#include <array>

#include "model/building_listener.h"
#include "model/floors.h"

namespace vardeck {

class HallCallPanel;

// The one elevator car. The control system writes `direction`, `moveCommand` and
// `doorCommand`; `step` carries them out.
class Car : public ModelObject {
public:
    // Steps an opened door stays open once the order to close it has come.
    static constexpr int kDoorDwell = 4;

    explicit Car(HallCallPanel& hallPanel) : hallPanel_(hallPanel) {}
    // A copy would answer the calls of the original's hall panel.
    Car(const Car&) = delete;
    Car& operator=(const Car&) = delete;

    int shaft = 1;
    int floorCount = kFloorCount;
    int floor = 1;
    std::array<int, kFloorCount + 1> buttons{};  // index 0 is unused
    int doorOpen = 0;
    int lastMove = 0;
    int direction = 0;
    int moveCommand = 0;
    int doorCommand = 0;
    int doorTimer = 0;
    int travelCount = 1;

    void setControlSystem(BuildingListener* listener) { listener_ = listener; }

    void pressButton(int floor);
    void step();
    void reset();
    int buttonCount() const;
    int highestButton() const;
    int lowestButton() const;

private:
    void answerCallHere();

    HallCallPanel& hallPanel_;
    BuildingListener* listener_ = nullptr;
};

}  // namespace vardeck
