#include "study/system_choice.h"

#include <algorithm>
#include <cstdio>

#include "study/comma_list.h"

namespace vardeck::study {

namespace {

constexpr struct {
    const char* name;
    SystemKind kind;
} kBuiltIn[] = {{"schedule", SystemKind::Schedule},
                {"neuro", SystemKind::Neuro},
                {"adaptive", SystemKind::Adaptive},
                {"neuro-ahead", SystemKind::NeuroAhead},
                {"adaptive-ahead", SystemKind::AdaptiveAhead}};

const char* kindName(SystemKind kind) {
    for (const auto& b : kBuiltIn)
        if (b.kind == kind) return b.name;
    return "schedule";
}

// K of `neuro@K` in hundredths: "0", "1", "0.4", "0.40", "1.00"; none for anything else.
std::optional<int> hundredths(const std::string& text) {
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.size() != 1 || (point != std::string::npos && fraction.empty()) ||
        fraction.size() > 2 ||
        (whole + fraction).find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int value = (whole[0] - '0') * 100;
    if (fraction.size() > 0) value += (fraction[0] - '0') * 10;
    if (fraction.size() > 1) value += fraction[1] - '0';
    if (value > 100) return std::nullopt;
    return value;
}

}  // namespace

std::string SystemChoice::name() const {
    if (isController()) return controller;
    if (!isFixedKsu()) return kindName(kind);
    char ksu[16];
    std::snprintf(ksu, sizeof ksu, "@%d.%02d", fixedKsu / 100, fixedKsu % 100);
    return kindName(kind) + std::string(ksu);
}

std::optional<SystemChoice> builtInSystem(const std::string& name) {
    const std::size_t at = name.find('@');
    const std::string base = name.substr(0, at);
    for (const auto& b : kBuiltIn) {
        if (base != b.name) continue;
        SystemChoice choice(b.kind);
        if (at == std::string::npos) return choice;
        if (b.kind != SystemKind::Neuro && b.kind != SystemKind::NeuroAhead) return std::nullopt;
        const auto ksu = hundredths(name.substr(at + 1));
        if (!ksu) return std::nullopt;
        choice.fixedKsu = *ksu;
        return choice;
    }
    return std::nullopt;
}

bool isControllerName(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-'))
            return false;
    return !builtInSystem(name);
}

SystemChoice parseSystemName(const std::string& name, const std::vector<std::string>& controllers) {
    if (auto choice = builtInSystem(name)) return *choice;
    if (std::find(controllers.begin(), controllers.end(), name) != controllers.end()) {
        SystemChoice choice;
        choice.controller = name;
        return choice;
    }
    throw InputError{"unknown system '" + name +
                     "' (schedule, neuro, adaptive, neuro-ahead, adaptive-ahead, neuro@K, "
                     "neuro-ahead@K or a --controller name)"};
}

std::vector<SystemChoice> parseSystemList(const std::string& list,
                                          const std::vector<std::string>& controllers) {
    std::vector<SystemChoice> systems;
    for (const std::string& name : splitCommas(list)) {
        const SystemChoice system = parseSystemName(name, controllers);
        if (std::find(systems.begin(), systems.end(), system) != systems.end())
            throw InputError{"--systems lists '" + name + "' twice"};
        systems.push_back(system);
    }
    return systems;
}

}  // namespace vardeck::study
