#pragma once

namespace vardeck {

// The network sees the integer fields of a situation scaled by 0.05 (the product rounded to float)
// and the populest-floor offset moved into 1/12 .. 5/12; pattern files and decisions share this.
inline float encodeStateValue(int value) {
    return static_cast<float>(value * 0.05);
}
inline float encodePopulestOffset(float offset) {
    return (offset + 1.5f) * 0.16666667f;
}

// A solver output, or a target of its patterns, stands for a set bit when 20 times it is above
// 4.5: the product in float, the comparison in double.
inline constexpr float kOutputBitScale = 20.0f;
inline constexpr double kOutputBitAbove = 4.5;
inline bool decodeOutputBit(float value) {
    return kOutputBitScale * value > kOutputBitAbove;
}

// The distance, in floors, from the car to the populest floor that the offset 1 stands for.
inline constexpr int kPopulestReach = 14;

// The car's situation as the solver sees it. The integer fields keep the car's own codes
// (0 none, 1 up, 2 down for lastMove and direction); target tells where the next request lies.
struct SolverState {
    static constexpr int kTargetBelow = 1;
    static constexpr int kTargetHere = 2;
    static constexpr int kTargetAbove = 3;
    static constexpr int kNoTarget = 9;

    int doorOpen = 0;
    int lastMove = 0;
    int direction = 0;
    int target = 0;
    int buttonHere = 0;
    int upHere = 0;
    int downHere = 0;
    // (populest floor - car's floor) / kPopulestReach for an idle car, within -1..1; else 0.
    float populestOffset = 0.0f;

    bool operator==(const SolverState&) const = default;
};

// Orders for the car. doorCommand 1 open, 2 close; moveCommand and direction 0 none, 1 up, 2 down.
// The value kLeaveUnchanged in a field means that the car's order stays as it is.
struct CarCommand {
    static constexpr int kLeaveUnchanged = 9;

    int doorCommand = 0;
    int moveCommand = 0;
    int direction = 0;

    bool operator==(const CarCommand&) const = default;
};

}  // namespace vardeck
