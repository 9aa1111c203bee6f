#include "neuro/solver_rule.h"

#include <cmath>
#include <cstdlib>

namespace vardeck {

namespace {

enum Door { Open, Close };
// Kept is a direction only: no direction bit set, which the car reads as "leave it unchanged".
enum Move { Stay = 0, Up = 1, Down = 2, Kept = 3 };

OutputBits bits(Door door, Move move, Move direction) {
    OutputBits out{};
    out[0] = door == Open ? 1 : 0;
    out[2 + move] = 1;
    if (direction != Kept) out[5 + direction] = 1;
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
    // The doors keep whatever direction the car opened them with: a car that stopped on its way
    // down for down-callers still goes down when they close.
    if (s.doorOpen) return bits(Close, Stay, Kept);
    if (s.buttonHere) return openHere();
    const bool lampHere = s.upHere || s.downHere;

    if (s.lastMove != 0 && s.lastMove == s.direction) {
        const bool up = s.direction == 1;
        // Going down, stop for the down lamp with the direction kept: only the down-callers get
        // on, so no one going up turns the car round above the callers still waiting below.
        if (!up && s.downHere) return bits(Open, Stay, Kept);
        // Going up, stop for the up lamp with the direction cleared: whoever waits here gets on,
        // and the target shows again once the doors close.
        if (up && s.upHere) return openHere();
        // Only the other way's lamp, and it is the highest request: nothing lies beyond it.
        if (s.target == 2) return openHere();
        // Going down past an up lamp while something lies higher: step on one floor without a
        // direction, so that the next state shows the target. With a rider below the car goes
        // on down; with nothing below the highest request it turns back for the up-caller. A car
        // that stopped here took the up-callers on board and turned up, away from the callers
        // below; one that passed ran on to the bottom floor before it turned.
        if (!up && s.upHere) return bits(Close, Down, Stay);
        // Going up, the highest request always lies ahead: stopping for down lamps would turn
        // the car back before it got there. Nothing here that needs the car: keep going; if
        // nothing lies ahead the car runs on to the end of the shaft, where the refused move
        // leaves it standing with a direction.
        return up ? bits(Close, Up, Up) : bits(Close, Down, Down);
    }
    if (s.lastMove == 0 && s.direction != 0) {
        // Standing with a direction: after a stop that kept it, or a move refused at the end of
        // the shaft. The target is hidden. Open again for a new caller of the car's own way;
        // otherwise step on one floor without a direction, so that the target shows there. At
        // the end of the shaft that move is refused, and the car stands without a direction.
        const bool up = s.direction == 1;
        if (up ? s.upHere : s.downHere) return bits(Open, Stay, Kept);
        return bits(Close, up ? Up : Down, Stay);
    }
    if (s.lastMove != 0 || s.direction != 0) {
        // A direction that contradicts the last move: drop it so that the target shows again.
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
                if (inForce == 0 || trend == 2)
                    decision = 3;  // no decision yet, or steady: lean toward parking
                else if (trend == 3)
                    // Rose: repeat an increase or a keep. A rise right after a decrease mostly
                    // is the noise of the fall that caused it coming back: keep KSU.
                    decision = inForce == 1 ? 2 : inForce;
                else
                    decision = inForce == 1 ? 3 : 1;  // fell: undo a decrease, otherwise lower
                rows.push_back({trend, previous, inForce, decision});
            }
    return rows;
}

}  // namespace vardeck
