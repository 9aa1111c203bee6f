#pragma once

namespace vardeck {

// Which state a neuro system's solver sees and the files that hold its patterns and images.
// Chosen when the system is built; the window's systems are all classic.
struct SolverVariant {
    // The look-ahead state (look_ahead_state.h) instead of the classic one.
    bool lookAhead = false;
    const char* patterns = "solver.pat";
    // The image of Load and Save; the numbered images by KSU add ".%03d" to it.
    const char* image = "solver.img";
};

inline constexpr SolverVariant kClassicSolver{};
inline constexpr SolverVariant kLookAheadSolver{true, "solver-ahead.pat", "solver-ahead.img"};

}  // namespace vardeck
