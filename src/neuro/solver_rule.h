#pragma once

#include <array>
#include <vector>

namespace vardeck {

// A situation of the car as the solver sees it: the fields of the encoded state, with the
// populest-floor offset in tenths (-10..10).
struct MaskedState {
    int doorOpen = 0, lastMove = 0, direction = 0, target = 9;
    int buttonHere = 0, upHere = 0, downHere = 0;
    int offsetTenths = 0;
};

// The car's orders as the solver's eight output bits: door (open / close / unchanged),
// move (none / up / down) and direction (none / up / down).
using OutputBits = std::array<int, 8>;

// Every state that the neuro system's encoding can produce.
std::vector<MaskedState> reachableStates();

// What the car should do in a state: the schedule system's decision where the state tells
// enough, otherwise the choice that never strands a call. `ksu` sets how far an idle car
// without requests goes to meet the traffic.
OutputBits wantedOutputs(const MaskedState& state, double ksu);

// One teacher pattern: the trend just found, the trend before it and the decision in force
// (codes 0 none, 1 fell / decrease, 2 steady / keep, 3 rose / increase), and the decision.
struct TeacherRow {
    int trend, previousTrend, decisionInForce, decision;
};

// Every combination the adaptation check can ask the teacher about, with its decision.
std::vector<TeacherRow> teacherRows();

}  // namespace vardeck
