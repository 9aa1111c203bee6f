#pragma once

#include <array>

#include "model/floors.h"
#include "model/model_object.h"

namespace vardeck {

class ControlSystem;
class HallCallPanel;

// The one elevator car. The control system writes `direction`, `moveCommand` and
// `doorCommand`; `Step` carries them out.
class Car : public ModelObject {
public:
    explicit Car(HallCallPanel& hallPanel) : hallPanel_(hallPanel) {}

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

    void setControlSystem(ControlSystem* system) { controlSystem_ = system; }

    void PressButton(int floor);
    void Step();
    void Reset();
    int ButtonCount() const;
    int HighestButton() const;
    int LowestButton() const;

private:
    void answerCallHere();

    HallCallPanel& hallPanel_;
    ControlSystem* controlSystem_ = nullptr;
};

}  // namespace vardeck
