#pragma once

namespace vardeck {

inline constexpr int kFloorCount = 28;

inline constexpr bool isFloor(int floor) {
    return floor >= 1 && floor <= kFloorCount;
}

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
