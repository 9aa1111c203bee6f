#include "cli/controller_options.h"

#include <cstdio>
#include <optional>

#include "cli/interrupt_guard.h"
#include "control/controller_error.h"

namespace vardeck::cli {

std::vector<std::string> ControllerOptions::names() const {
    std::vector<std::string> names;
    for (const auto& controller : controllers) names.push_back(controller.name);
    return names;
}

void ControllerOptions::add(const std::string& text) {
    const study::ControllerSet::Controller controller = study::parseController(text);
    for (const auto& other : controllers)
        if (other.name == controller.name)
            throw UsageError{"--controller names '" + controller.name + "' twice"};
    controllers.push_back(controller);
}

study::ControllerSet::Options ControllerOptions::setOptions(const std::atomic<bool>* stop) const {
    study::ControllerSet::Options options;
    options.controllers = controllers;
    options.timeout = timeout;
    options.onStderr = [](std::string_view name, std::string_view line) {
        std::fprintf(stderr, "%.*s: %.*s\n", int(name.size()), name.data(), int(line.size()),
                     line.data());
    };
    options.stop = stop;
    return options;
}

void setControllerTimeout(ControllerOptions& o, double seconds) {
    constexpr double kLongest = 86400;
    if (!(seconds >= 0.001 && seconds <= kLongest))
        throw UsageError{"--controller-timeout takes seconds from 0.001 to 86400"};
    o.timeout = std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
}

int withControllers(const char* command, const ControllerOptions& options, bool used,
                    const std::function<int(study::ControllerSet&)>& work) {
    std::optional<InterruptGuard> guard;
    if (used) guard.emplace();
    const study::ControllerSet::Options set =
        options.setOptions(used ? &InterruptGuard::stop() : nullptr);
    study::ControllerSet controllers(set);
    try {
        const int code = work(controllers);
        controllers.finish();
        return code;
    } catch (const ControllerError& error) {
        controllers.abandon();
        if (used && InterruptGuard::stop().load())
            InterruptGuard::endProcess(std::string("vardeck-cli ") + command + ": interrupted");
        std::fprintf(stderr, "vardeck-cli %s: %s\n", command, error.what());
        return 1;
    }
}

}  // namespace vardeck::cli
