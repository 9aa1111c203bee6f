#include "model/hall_call_panel.h"

#include <algorithm>

namespace vardeck {

void HallCallPanel::press(int floor, int dir) {
    // A button that does not exist is no call at all.
    if (!isFloor(floor)) return;
    if (listener_ && isLit(floor, dir) == 0) listener_->hallCallAdded(floor, dir);
    if (dir != 0) {
        if (floor < floorCount) up[floor] = 1;
    } else if (floor > 1) {
        down[floor] = 1;
    }
}

void HallCallPanel::cancel(int floor, int dir) {
    if (!isFloor(floor)) return;
    if (listener_ && isLit(floor, dir) != 0) listener_->hallCallCleared(floor, dir);
    if (dir != 0)
        up[floor] = 0;
    else
        down[floor] = 0;
}

int HallCallPanel::isLit(int floor, int dir) const {
    if (!isFloor(floor)) return 0;
    if (dir == 0) return down[floor];
    if (dir == 1) return up[floor];
    return up[floor] + down[floor];
}

int HallCallPanel::firstLit(int from, int to, int dir) const {
    for (int f = std::max(from, 1); f <= std::min(to, kFloorCount); ++f)
        if (isLit(f, dir) != 0) return f;
    return 0;
}

int HallCallPanel::highestLit(int dir) const {
    for (int f = kFloorCount; f >= 1; --f)
        if (isLit(f, dir) != 0) return f;
    return 0;
}

int HallCallPanel::lowestLit(int dir) const {
    for (int f = 1; f <= kFloorCount; ++f)
        if (isLit(f, dir) != 0) return f;
    return kNoLowestFloor;
}

void HallCallPanel::reset() {
    up.fill(0);
    down.fill(0);
}

}  // namespace vardeck
