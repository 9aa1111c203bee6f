#include "study/fixed_ksu_image.h"

#include <cstdio>

#include "io/input_file.h"
#include "neuro/neuro_control_system.h"
#include "neuro/solver_network.h"
#include "neuro/solver_variant.h"

namespace vardeck::study {

std::string fixedKsuImage(const SystemChoice& system) {
    if (system.isController() || !system.isFixedKsu()) return {};
    const SolverVariant& variant =
        system.kind == SystemKind::NeuroAhead ? kLookAheadSolver : kClassicSolver;
    char number[16];
    std::snprintf(number, sizeof number, ".%03d", system.fixedKsu);
    return variant.image + std::string(number);
}

std::string fixedKsuProblem(const std::vector<SystemChoice>& systems) {
    for (const SystemChoice& system : systems) {
        const std::string image = fixedKsuImage(system);
        if (image.empty() || SolverNetwork().load(image) == 0) continue;
        const InputFile file(image, kImageFileLimit);
        return system.name() + " needs " + image + ", which " +
               (file.ok() ? std::string("is not a usable network image") : file.problem());
    }
    return {};
}

bool loadFixedKsuImage(Simulation& sim, const SystemChoice& system) {
    auto* neuro = dynamic_cast<NeuroControlSystem*>(&sim.current());
    return neuro && neuro->solver.load(fixedKsuImage(system)) == 0;
}

}  // namespace vardeck::study
