#pragma once

#include <string>
#include <vector>

#include "sim/simulation.h"
#include "study/system_choice.h"

namespace vardeck::study {

// The numbered image a neuro system held to one KSU runs with: solver.img.NNN for `neuro@K`,
// solver-ahead.img.NNN for `neuro-ahead@K`, NNN being K in hundredths. Empty for any other
// system.
std::string fixedKsuImage(const SystemChoice& system);

// The first fixed-KSU image of these systems that is missing or cannot be loaded, named with
// the reason; empty when every one loads.
std::string fixedKsuProblem(const std::vector<SystemChoice>& systems);

// Loads the image of a fixed-KSU system into the current system of `sim`, which `system`
// selected: the same network as the neuro system's after its Solver Load with that image as
// solver.img. Returns false when it cannot be loaded (the network is then unchanged).
bool loadFixedKsuImage(Simulation& sim, const SystemChoice& system);

}  // namespace vardeck::study
