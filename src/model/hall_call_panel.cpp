#include "model/hall_call_panel.h"

#include <algorithm>

namespace vardeck {

void HallCallPanel::Press(int floor, int dir) {
    // A button that does not exist is no call at all.
    if (!isFloor(floor)) return;
    if (listener_ && IsLit(floor, dir) == 0) listener_->hallCallAdded(floor, dir);
    if (dir != 0) {
        if (floor < floorCount) up[floor] = 1;
    } else if (floor > 1) {
        down[floor] = 1;
    }
}

void HallCallPanel::Cancel(int floor, int dir) {
    if (!isFloor(floor)) return;
    if (listener_ && IsLit(floor, dir) != 0) listener_->hallCallCleared(floor, dir);
    if (dir != 0)
        up[floor] = 0;
    else
        down[floor] = 0;
}

int HallCallPanel::IsLit(int floor, int dir) const {
    if (!isFloor(floor)) return 0;
    if (dir == 0) return down[floor];
    if (dir == 1) return up[floor];
    return up[floor] + down[floor];
}

int HallCallPanel::FirstLit(int from, int to, int dir) const {
    for (int f = std::max(from, 1); f <= std::min(to, kFloorCount); ++f)
        if (IsLit(f, dir) != 0) return f;
    return 0;
}

int HallCallPanel::HighestLit(int dir) const {
    for (int f = kFloorCount; f >= 1; --f)
        if (IsLit(f, dir) != 0) return f;
    return 0;
}

int HallCallPanel::LowestLit(int dir) const {
    for (int f = 1; f <= kFloorCount; ++f)
        if (IsLit(f, dir) != 0) return f;
    return 100;
}

void HallCallPanel::Reset() {
    up.fill(0);
    down.fill(0);
}

}  // namespace vardeck
