#pragma once

#include <compare>
#include <optional>
#include <string>
#include <vector>

#include "sim/simulation.h"
#include "study/input_error.h"

namespace vardeck::study {

inline constexpr SystemKind kDefaultSystem = SystemKind::Adaptive;

// A system as the commands name it: a built-in one, a neuro system held to the solver image of
// one KSU for the whole run (`neuro@0.40`, `neuro-ahead@0.40`), or a user's controller program
// registered under a name of its own.
struct SystemChoice {
    SystemKind kind = SystemKind::Schedule;
    // The hundredths of the KSU whose numbered image a fixed neuro system loads; -1 for none.
    int fixedKsu = -1;
    // The name of a user's controller; empty for the built-in systems.
    std::string controller;

    SystemChoice() = default;
    SystemChoice(SystemKind k) : kind(k) {}  // NOLINT: a built-in kind names its system

    bool isController() const { return !controller.empty(); }
    bool isFixedKsu() const { return fixedKsu >= 0; }
    std::string name() const;

    friend bool operator==(const SystemChoice&, const SystemChoice&) = default;
    friend auto operator<=>(const SystemChoice&, const SystemChoice&) = default;
};

// The systems that start with the network they were built with and run with their image
// loaded, as after pressing the Solver Load button (the adaptive ones load theirs by KSU).
inline bool loadsSolverImage(const SystemChoice& system) {
    return !system.isController() &&
           (system.kind == SystemKind::Neuro || system.kind == SystemKind::NeuroAhead);
}

// A built-in name (`schedule` … `adaptive-ahead`, `neuro@K`, `neuro-ahead@K` with K from 0 to 1
// in at most two decimals), if `name` is one.
std::optional<SystemChoice> builtInSystem(const std::string& name);
// Whether `name` may name a user's controller: letters, digits and '-', and no built-in name.
bool isControllerName(const std::string& name);

// A built-in name, or one of `controllers`; throws InputError otherwise.
SystemChoice parseSystemName(const std::string& name,
                             const std::vector<std::string>& controllers = {});
// A comma-separated list of systems, each at most once, in the given order.
std::vector<SystemChoice> parseSystemList(const std::string& list,
                                          const std::vector<std::string>& controllers = {});

}  // namespace vardeck::study
