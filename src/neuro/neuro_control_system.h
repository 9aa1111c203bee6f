#pragma once

#include <mutex>

#include "control/schedule_control_system.h"
#include "neuro/car_command_writer.h"
#include "neuro/pattern_set.h"
#include "neuro/populest_floor_counter.h"
#include "neuro/solver_network.h"
#include "neuro/solver_state.h"

namespace vardeck {

// Steers the car with the solver network: the car's situation in eight numbers in, the door,
// move and direction orders out.
class NeuroControlSystem : public ScheduleControlSystem {
public:
    NeuroControlSystem(Building& building, Settings& settings, UiHooks& ui);

    void command(CommandCode code, void* argument) override;

    SolverState encodeState();

    PopulestFloorCounter floorCounter;
    SolverNetwork solver;
    CarCommandWriter commandWriter;

private:
    void learn();
    void readPatterns();

    // The patterns last read from "solver.pat"; a training works on its own copy.
    PatternSet patterns_;
    std::mutex patternsMutex_;
};

}  // namespace vardeck
