#include "study/network_check.h"

#include <algorithm>
#include <set>

#include "control/settings.h"
#include "io/input_file.h"
#include "neuro/image_name.h"
#include "neuro/solver_network.h"
#include "neuro/solver_variant.h"
#include "neuro/teacher_network.h"
#include "study/fixed_ksu_image.h"

namespace vardeck::study {

namespace {

constexpr const char* kTeacherImage = "teacher.img";

// The KSUs the teacher can lead to: each decision moves KSU one step within 0..1, in float as
// the adaptive system does it.
std::set<std::string> reachableImages(const Settings& settings, const char* image) {
    std::set<std::string> names = {numberedImageName(settings.ksu, image)};
    for (const float sign : {1.0f, -1.0f}) {
        float ksu = settings.ksu;
        for (int i = 0; i < 10'000; ++i) {
            const float before = ksu;
            if (sign > 0) {
                ksu += settings.teacherKsuStep;
                if (ksu > 1) ksu = 1;
            } else {
                ksu -= settings.teacherKsuStep;
                if (ksu < 0) ksu = 0;
            }
            if (!(ksu != before)) break;
            names.insert(numberedImageName(ksu, image));
        }
    }
    return names;
}

std::string unreadable(const std::string& path) {
    const InputFile file(path, kImageFileLimit);
    if (!file.ok()) return path + " " + file.problem();
    return path + " is not a usable network image";
}

}  // namespace

std::vector<std::string> networkFilesOf(const SystemChoice& system) {
    if (system.isController()) return {};
    if (system.isFixedKsu()) return {fixedKsuImage(system)};
    const bool lookAhead =
        system.kind == SystemKind::NeuroAhead || system.kind == SystemKind::AdaptiveAhead;
    const char* image = (lookAhead ? kLookAheadSolver : kClassicSolver).image;
    switch (system.kind) {
        case SystemKind::Neuro:
        case SystemKind::NeuroAhead:
            return {image};
        case SystemKind::Adaptive:
        case SystemKind::AdaptiveAhead: {
            Settings settings;
            settings.setDefaults();
            settings.loadSettings();
            const std::set<std::string> images = reachableImages(settings, image);
            std::vector<std::string> files(images.begin(), images.end());
            files.push_back(kTeacherImage);
            return files;
        }
        default:
            return {};
    }
}

std::string networkProblem(const std::vector<SystemChoice>& systems) {
    if (std::string problem = fixedKsuProblem(systems); !problem.empty()) return problem;
    std::set<std::string> checked;
    for (const SystemChoice& system : systems) {
        for (const std::string& file : networkFilesOf(system)) {
            if (!checked.insert(file).second) continue;
            const bool teacher = file == kTeacherImage;
            const bool loads =
                teacher ? TeacherNetwork().load(file) == 0 : SolverNetwork().load(file) == 0;
            if (!loads) return unreadable(file);
        }
    }
    return {};
}

}  // namespace vardeck::study
