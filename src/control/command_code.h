#pragma once

#include <cstdint>

namespace vardeck {

using CommandCode = std::uint32_t;

enum : CommandCode {
    CmdHallCallAdded = 0,
    CmdCarCallAdded = 1,
    CmdHallCallCleared = 2,
    CmdStep = 3,
    CmdSaveSolver = 4,
    CmdLoadSolver = 5,
    CmdLearnSolver = 6,
    CmdToggleSolverLearning = 7,
    CmdGetSolverEpoch = 8,
    CmdStopSolverLearning = 9,
    CmdSaveSolverPatterns = 10,
    CmdSaveTeacher = 11,
    CmdLoadTeacher = 12,
    CmdLearnTeacher = 13,
    CmdOpenTeacherLearning = 14,
    CmdGetTeacherEpoch = 15,
    CmdStopTeacherLearning = 16,
    CmdReset = 17,
    CmdClear = 18,
    CmdGetLabels = 19,
    CmdGetImageName = 20,
    CmdBeginStep = 21,
    CmdGetLastEfficiency = 22,
    CmdGetPopulestFloor = 23,
    CmdGetKsu = 24,
    CmdGetOldKsu = 25,
};

// Size of the text buffers exchanged with the control systems (image name, labels).
inline constexpr int kTextBufferSize = 260;

// CmdGetLabels fills four of these.
using LabelText = char[kTextBufferSize];

}  // namespace vardeck
