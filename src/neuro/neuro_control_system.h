#pragma once

#include <mutex>

#include "control/schedule_control_system.h"
#include "neuro/car_command_writer.h"
#include "neuro/pattern_set.h"
#include "neuro/populest_floor_counter.h"
#include "neuro/solver_network.h"
#include "neuro/solver_state.h"
#include "neuro/solver_variant.h"

namespace vardeck {

// Steers the car with the solver network: the car's situation in eight numbers in, the door,
// move and direction orders out. The variant says which state the solver sees and which
// pattern and image files are its own.
class NeuroControlSystem : public ScheduleControlSystem {
public:
    NeuroControlSystem(Building& building, Settings& settings, UiHooks& ui,
                       const SolverVariant& variant = kClassicSolver);

    void command(CommandCode code, void* argument) override;

    // The state the solver sees: the classic one, or the look-ahead one in that variant.
    SolverState encodeState();
    const SolverVariant& variant() const { return variant_; }

    PopulestFloorCounter floorCounter;
    SolverNetwork solver;
    CarCommandWriter commandWriter;

private:
    SolverState encodeClassicState();
    void learn();
    void readPatterns();

    SolverVariant variant_;
    // The patterns last read from the pattern file; a training works on its own copy.
    PatternSet patterns_;
    std::mutex patternsMutex_;
};

}  // namespace vardeck
