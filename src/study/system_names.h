#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "sim/simulation.h"
#include "study/comma_list.h"
#include "study/input_error.h"

namespace vardeck::study {

inline constexpr SystemKind kDefaultSystem = SystemKind::Adaptive;

// The systems that start with the network they were built with and run with their image
// loaded, as after pressing the Solver Load button (the adaptive ones load theirs by KSU).
inline bool loadsSolverImage(SystemKind kind) {
    return kind == SystemKind::Neuro || kind == SystemKind::NeuroAhead;
}

inline SystemKind parseSystemName(const std::string& name) {
    if (name == "schedule") return SystemKind::Schedule;
    if (name == "neuro") return SystemKind::Neuro;
    if (name == "adaptive") return SystemKind::Adaptive;
    if (name == "neuro-ahead") return SystemKind::NeuroAhead;
    if (name == "adaptive-ahead") return SystemKind::AdaptiveAhead;
    throw InputError{"unknown system '" + name +
                     "' (schedule, neuro, adaptive, neuro-ahead or adaptive-ahead)"};
}

inline const char* systemName(SystemKind kind) {
    switch (kind) {
        case SystemKind::Neuro:
            return "neuro";
        case SystemKind::Adaptive:
            return "adaptive";
        case SystemKind::NeuroAhead:
            return "neuro-ahead";
        case SystemKind::AdaptiveAhead:
            return "adaptive-ahead";
        default:
            return "schedule";
    }
}

// A comma-separated list of systems, each at most once, in the given order.
inline std::vector<SystemKind> parseSystemList(const std::string& list) {
    std::vector<SystemKind> kinds;
    for (const std::string& name : splitCommas(list)) {
        const SystemKind kind = parseSystemName(name);
        if (std::find(kinds.begin(), kinds.end(), kind) != kinds.end())
            throw InputError{"--systems lists '" + name + "' twice"};
        kinds.push_back(kind);
    }
    return kinds;
}

}  // namespace vardeck::study
