#include "model/map_click.h"

#include "model/floors.h"

namespace vardeck {

namespace {

bool takesNoCalls(int floor) {
    switch (floor) {
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 11:
        case 12:
        case 14:
        case 15:
        case 23:
            return true;
        default:
            return false;
    }
}

}  // namespace

ClickTarget mapClick(int x, int y, int bottom) {
    ClickTarget target;
    if (x >= 142) x -= 25;  // the gap after the fourth column
    int col = (x - 42) / 22 + 1;
    if (col > 8) col = 8;
    if (col <= 0) return target;
    const int r = x - 20 - 22 * col;
    ClickTarget::Kind kind;
    if (r <= 12)
        kind = ClickTarget::CarButton;
    else if (col % 2 == 1)
        kind = ClickTarget::HallButton;
    else
        return target;  // arrow part of a column without arrows

    const long long h = static_cast<long long>(bottom) - y - 18;
    const long long floor = h / 15 + 1;
    if (floor < 1 || floor > kFloorCount || takesNoCalls(static_cast<int>(floor))) return target;

    target.kind = kind;
    target.floor = static_cast<int>(floor);
    if (kind == ClickTarget::HallButton) target.up = h - 15 * (floor - 1) >= 7;
    return target;
}

}  // namespace vardeck
