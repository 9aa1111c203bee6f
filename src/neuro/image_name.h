#pragma once

#include <string>

namespace vardeck {

// The name of the solver image that belongs to a control coefficient: "solver.img.%03d" with the
// multiple of 20 nearest to 100 * ksu (a tie goes to the higher one), e.g. 0.35 ->
// "solver.img.040". This holds for every ksu whose hundredths fit in an int (20000 ->
// "solver.img.2000000", -0.5 -> "solver.img.-40"); NaN gives "solver.img.000", and a ksu beyond
// that range gives the name of 10000 or of -10000. A solver with images of another name (`image`)
// numbers them the same way.
std::string numberedImageName(float ksu, const char* image = "solver.img");

}  // namespace vardeck
