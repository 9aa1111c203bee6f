#pragma once

#include <string>

namespace vardeck {

// The name of the solver image that belongs to a control coefficient: "solver.img.%03d" with the
// multiple of 20 nearest to 100 * ksu (a tie goes to the higher one), e.g. 0.35 ->
// "solver.img.040".
std::string numberedImageName(float ksu);

}  // namespace vardeck
