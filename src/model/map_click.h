#pragma once

namespace vardeck {

struct ClickTarget {
    enum Kind { Nothing, CarButton, HallButton };
    Kind kind = Nothing;
    int floor = 0;
    bool up = false;
};

// Maps a left click at client point (x, y) of the main window to a button; `bottom` is the
// bottom edge of the client area.
ClickTarget mapClick(int x, int y, int bottom);

}  // namespace vardeck
