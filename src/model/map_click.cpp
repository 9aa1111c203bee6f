#include "model/map_click.h"

#include "model/floors.h"
#include "model/strip_layout.h"

namespace vardeck {

ClickTarget mapClick(int x, int y, int bottom) {
    ClickTarget target;
    using namespace strip;
    if (x >= kSecondGroupClicksFrom) x -= kGroupGap;
    int col = (x - (kColumnOrigin + kColumnPitch)) / kColumnPitch + 1;
    if (col > kColumnCount) col = kColumnCount;
    if (col <= 0) return target;
    const int r = x - kColumnOrigin - kColumnPitch * col;
    ClickTarget::Kind kind;
    if (r <= kCarPartWidth)
        kind = ClickTarget::CarButton;
    else if (col % 2 == 1)
        kind = ClickTarget::HallButton;
    else
        return target;  // arrow part of a column without arrows

    const long long h = static_cast<long long>(bottom) - y - kBaseline;
    const long long floor = h / kRowHeight + 1;
    if (floor < 1 || floor > kFloorCount || !takesCalls(static_cast<int>(floor))) return target;

    target.kind = kind;
    target.floor = static_cast<int>(floor);
    if (kind == ClickTarget::HallButton) target.up = h - kRowHeight * (floor - 1) >= kRowHeight / 2;
    return target;
}

}  // namespace vardeck
