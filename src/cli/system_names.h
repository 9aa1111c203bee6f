#pragma once

#include <string>

#include "app/simulation.h"
#include "cli/arguments.h"

namespace vardeck::cli {

inline constexpr SystemKind kDefaultSystem = SystemKind::Adaptive;

inline SystemKind parseSystemName(const std::string& name) {
    if (name == "schedule") return SystemKind::Schedule;
    if (name == "neuro") return SystemKind::Neuro;
    if (name == "adaptive") return SystemKind::Adaptive;
    throw UsageError{"unknown system '" + name + "' (schedule, neuro or adaptive)"};
}

inline const char* systemName(SystemKind kind) {
    switch (kind) {
        case SystemKind::Neuro:
            return "neuro";
        case SystemKind::Adaptive:
            return "adaptive";
        default:
            return "schedule";
    }
}

}  // namespace vardeck::cli
