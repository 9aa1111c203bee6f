#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "sim/simulation.h"
#include "study/comma_list.h"
#include "study/input_error.h"

namespace vardeck::study {

inline constexpr SystemKind kDefaultSystem = SystemKind::Adaptive;

inline SystemKind parseSystemName(const std::string& name) {
    if (name == "schedule") return SystemKind::Schedule;
    if (name == "neuro") return SystemKind::Neuro;
    if (name == "adaptive") return SystemKind::Adaptive;
    throw InputError{"unknown system '" + name + "' (schedule, neuro or adaptive)"};
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
