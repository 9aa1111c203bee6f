#pragma once

#include "neuro/neuro_control_system.h"
#include "neuro/pattern_set.h"
#include "neuro/teacher_network.h"

namespace vardeck {

// Drives the car like the neuro system and tunes KSU from the trend of the efficiency: every N
// samples the teacher decides whether KSU goes down, stays or goes up, and the solver image
// that belongs to the new KSU is loaded. The teacher, its files and the settings are the same
// whichever state the solver sees.
class AdaptiveControlSystem : public NeuroControlSystem {
public:
    AdaptiveControlSystem(Building& building, Settings& settings, UiHooks& ui,
                          const SolverVariant& variant = kClassicSolver);

    void command(CommandCode code, void* argument) override;

    // Lets the teacher decide on KSU from the trend just found and the one before it.
    void decide(int trend, int previousTrend);

    TeacherNetwork teacher;
    int trendNow = 0;
    int decisionBefore = 0;
    int trendBefore = 0;
    int decisionNow = 0;

private:
    void checkAdaptation();
    void learnTeacher();
};

}  // namespace vardeck
