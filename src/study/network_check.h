#pragma once

#include <string>
#include <vector>

#include "study/system_choice.h"

namespace vardeck::study {

// The network images a system reads from the current directory: none for schedule,
// solver.img for neuro (solver-ahead.img for neuro-ahead), and for adaptive teacher.img and
// the numbered solver image (solver-ahead.img.NNN for adaptive-ahead) of every KSU it can
// reach from the one vardeck.cfg starts it at.
std::vector<std::string> networkFilesOf(const SystemChoice& system);

// The first network image of these systems that is missing or cannot be loaded, named with
// the reason; empty when every one loads.
std::string networkProblem(const std::vector<SystemChoice>& systems);

}  // namespace vardeck::study
