#pragma once

#include <array>

#include "model/floors.h"
#include "model/model_object.h"

namespace vardeck {

class ControlSystem;

// The up and down hall buttons of every floor with their lamps.
class HallCallPanel : public ModelObject {
public:
    int shaft = 1;
    int floorCount = kFloorCount;
    // Lamps by floor; index 0 is unused.
    std::array<int, kFloorCount + 1> up{};
    std::array<int, kFloorCount + 1> down{};

    // Where new and answered hall calls are reported.
    void setControlSystem(ControlSystem* system) { controlSystem_ = system; }

    void Press(int floor, int dir);
    void Cancel(int floor, int dir);
    int IsLit(int floor, int dir) const;
    int FirstLit(int from, int to, int dir) const;
    int HighestLit(int dir) const;
    int LowestLit(int dir) const;
    void Reset();

private:
    void notify(unsigned code, int floor, int dir);

    ControlSystem* controlSystem_ = nullptr;
};

}  // namespace vardeck
