#pragma once

namespace vardeck {

inline constexpr int kFloorCount = 28;

inline constexpr bool isFloor(int floor) {
    return floor >= 1 && floor <= kFloorCount;
}

// The floors whose buttons take calls, in the window and in generated traffic; the others have
// no buttons that can be pressed.
inline constexpr int kClickableFloors[] = {1,  8,  9,  10, 13, 16, 17, 18, 19,
                                           20, 21, 22, 24, 25, 26, 27, 28};
inline constexpr int kLobbyFloor = 1;
inline constexpr int kCommonFloor = 13;  // "Общ." in the window

inline constexpr bool takesCalls(int floor) {
    for (const int f : kClickableFloors) {
        if (f == floor) return true;
    }
    return false;
}

// What lowestButton and lowestLit answer when nothing is lit: above every floor, so that it never
// counts as the lowest request.
inline constexpr int kNoLowestFloor = 100;

// Hall-call directions.
inline constexpr int kHallDown = 0;
inline constexpr int kHallUp = 1;
inline constexpr int kHallEither = 2;

// Car directions, moves and orders.
inline constexpr int kNone = 0;
inline constexpr int kUp = 1;
inline constexpr int kDown = 2;
inline constexpr int kDoorOpen = 1;
inline constexpr int kDoorClose = 2;

}  // namespace vardeck
