#pragma once

#include <array>

#include "model/building_listener.h"
#include "model/floors.h"

namespace vardeck {

// The up and down hall buttons of every floor with their lamps.
class HallCallPanel : public ModelObject {
public:
    int shaft = 1;
    int floorCount = kFloorCount;
    // Lamps by floor; index 0 is unused.
    std::array<int, kFloorCount + 1> up{};
    std::array<int, kFloorCount + 1> down{};

    // Where new and answered hall calls are reported.
    void setControlSystem(BuildingListener* listener) { listener_ = listener; }

    void press(int floor, int dir);
    void cancel(int floor, int dir);
    int isLit(int floor, int dir) const;
    int firstLit(int from, int to, int dir) const;
    int highestLit(int dir) const;
    int lowestLit(int dir) const;
    void reset();

private:
    BuildingListener* listener_ = nullptr;
};

}  // namespace vardeck
