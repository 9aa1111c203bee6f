#include "cli/solver_rule.h"

#include <cmath>
#include <cstdlib>

namespace vardeck::cli {

namespace {

enum Door { Open, Close };
enum Move { Stay = 0, Up = 1, Down = 2 };

OutputBits bits(Door door, Move move, Move direction) {
    OutputBits out{};
    out[0] = door == Open ? 1 : 0;
    out[2 + move] = 1;
    out[5 + direction] = 1;
    return out;
}

// Doors open with the direction cleared: the car answers whichever lamp is lit here, and once
// the doors close the next state shows the target again.
OutputBits openHere() {
    return bits(Open, Stay, Stay);
}

}  // namespace

std::vector<MaskedState> reachableStates() {
    std::vector<MaskedState> states;
    // Doors open: nothing else is shown.
    states.push_back({1, 0, 0, 9, 0, 0, 0, 0});
    // The car button of this floor is lit: nothing else is shown.
    states.push_back({0, 0, 0, 9, 1, 0, 0, 0});
    // Moving: only the lamps of this floor, and the target when the highest request is the
    // lamp of the other direction here.
    for (int lastMove : {1, 2})
        for (int direction : {1, 2})
            for (int up : {0, 1})
                for (int down : {0, 1}) {
                    states.push_back({0, lastMove, direction, 9, 0, up, down, 0});
                    const bool targetShows =
                        lastMove == 1 ? (up == 0 && down == 1) : (up == 1 && down == 0);
                    if (targetShows) states.push_back({0, lastMove, direction, 2, 0, up, down, 0});
                }
    // Standing with a direction: the target is hidden.
    for (int direction : {1, 2})
        for (int up : {0, 1})
            for (int down : {0, 1}) states.push_back({0, 0, direction, 9, 0, up, down, 0});
    // Standing without a direction: the target shows.
    for (int target : {1, 2, 3})
        for (int up : {0, 1})
            for (int down : {0, 1}) {
                if (target == 2 && up == 0 && down == 0) continue;  // the request here is a lamp
                states.push_back({0, 0, 0, target, 0, up, down, 0});
            }
    // Idle with no request anywhere: where the populest floor lies.
    for (int tenths = -10; tenths <= 10; ++tenths) states.push_back({0, 0, 0, 9, 0, 0, 0, tenths});
    return states;
}

OutputBits wantedOutputs(const MaskedState& s, double ksu) {
    if (s.doorOpen) return bits(Close, Stay, Stay);
    if (s.buttonHere) return openHere();
    const bool lampHere = s.upHere || s.downHere;

    if (s.lastMove != 0 && s.lastMove == s.direction) {
        const bool up = s.direction == 1;
        // A lamp of the car's own way: stop for it, as the schedule does.
        if (up ? s.upHere : s.downHere) return openHere();
        // Only the other way's lamp, and it is the highest request: nothing lies beyond it.
        // Going down, the same state also arises with requests still below; stopping there is
        // safe too, since the cleared direction lets the car head for them afterwards.
        if (s.target == 2) return openHere();
        // Nothing here that needs the car: keep going. If nothing lies ahead the car runs on
        // to the end of the shaft, where the refused move leaves it standing with a direction
        // and the state below turns it round.
        return up ? bits(Close, Up, Up) : bits(Close, Down, Down);
    }
    if (s.lastMove != 0 || s.direction != 0) {
        // Standing with a direction (a refused move at the end of the shaft), or a direction
        // that contradicts the last move: drop the direction so that the target shows again.
        return lampHere ? openHere() : bits(Close, Stay, Stay);
    }

    // Standing without a direction.
    if (s.target == 2 || lampHere) return openHere();
    if (s.target == 3) return bits(Close, Up, Up);
    if (s.target == 1) return bits(Close, Down, Down);

    // Idle with no request: meet the traffic when the populest floor lies far enough away,
    // moving without taking a direction so that a new call is seen at once.
    const int needed = static_cast<int>(std::lround((1.0 - ksu) * 10.0));
    if (ksu > 0 && s.offsetTenths != 0 && std::abs(s.offsetTenths) >= needed)
        return bits(Close, s.offsetTenths > 0 ? Up : Down, Stay);
    return bits(Close, Stay, Stay);
}

std::vector<TeacherRow> teacherRows() {
    std::vector<TeacherRow> rows;
    for (int trend : {1, 2, 3})
        for (int previous : {0, 1, 2, 3})
            for (int inForce : {0, 1, 2, 3}) {
                int decision;
                if (inForce == 0)
                    decision = 3;  // no decision yet: try a higher KSU
                else if (trend == 2)
                    decision = 2;  // steady: leave KSU where it is
                else if (trend == 3)
                    decision = inForce;  // rose: repeat what was done (keeping included)
                else
                    decision = inForce == 1 ? 3 : 1;  // fell: undo a change; after keeping, lower
                rows.push_back({trend, previous, inForce, decision});
            }
    return rows;
}

}  // namespace vardeck::cli
