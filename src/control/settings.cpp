#include "control/settings.h"

#include <cstdio>

#include "io/atomic_file.h"

namespace vardeck {

void Settings::SetDefaults() {
    timeDelay = 600;
    stepToCountPopulestFloor = 100;
}

int Settings::LoadSettings(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return 1;
    // One formatted read per line; a line that does not match leaves the read position where
    // it failed, so the lines after it keep their previous values as well.
    std::fscanf(file, "time delay %d\n", &timeDelay);
    std::fscanf(file, "step to count populest floor %d\n", &stepToCountPopulestFloor);
    std::fscanf(file, "teacher ksu step %f\n", &teacherKsuStep);
    std::fscanf(file, "elem to check need to adapt %d\n", &elemToCheckNeedToAdapt);
    std::fscanf(file, "treshold to check need to adapt %f\n", &tresholdToCheckNeedToAdapt);
    std::fscanf(file, "efficiency criteria %f\n", &efficiencyCriteria);
    std::fscanf(file, "ksu %f\n", &ksu);
    std::fscanf(file, "ksu where changed %d\n", &ksuWhereChanged);
    std::fscanf(file, "efficiency criteria where changed %d\n", &efficiencyCriteriaWhereChanged);
    std::fscanf(file, "populest floor %d\n", &populestFloor);
    std::fscanf(file, "const populest %d\n", &constPopulest);
    std::fclose(file);
    return 0;
}

int Settings::SaveSettings(const std::string& path) const {
    const bool written = writeFileAtomically(path, [this](std::FILE* file) {
        return std::fprintf(file,
                            "time delay %d\n"
                            "step to count populest floor %d\n"
                            "teacher ksu step %1.2f\n"
                            "elem to check need to adapt %d\n"
                            "treshold to check need to adapt %1.2f\n"
                            "efficiency criteria %f\n"
                            "ksu %1.2f\n"
                            "ksu where changed %d\n"
                            "efficiency criteria where changed %d\n"
                            "populest floor %d\n"
                            "const populest %d\n",
                            timeDelay, stepToCountPopulestFloor, double(teacherKsuStep),
                            elemToCheckNeedToAdapt, double(tresholdToCheckNeedToAdapt),
                            double(efficiencyCriteria), double(ksu), ksuWhereChanged,
                            efficiencyCriteriaWhereChanged, populestFloor, constPopulest) > 0;
    });
    return written ? 0 : 1;
}

}  // namespace vardeck
