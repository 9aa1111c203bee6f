#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "control/controller_session.h"

namespace vardeck::study {

// The controller programs one thread runs: one process per controller, started when a run
// first needs it and kept for the runs that follow.
class ControllerSet {
public:
    struct Controller {
        std::string name;
        std::string command;
        std::string fingerprint;  // see controllerFingerprint(); set by the studies only
        friend bool operator==(const Controller&, const Controller&) = default;
    };
    struct Options {
        std::vector<Controller> controllers;
        std::chrono::milliseconds timeout{10000};
        // Each line a program writes to its standard error; called on the thread that runs it.
        std::function<void(std::string_view name, std::string_view line)> onStderr = {};
        std::atomic<std::size_t>* stderrLeftOut = nullptr;  // see ControllerProcess::Options
        const std::atomic<bool>* stop = nullptr;
    };

    explicit ControllerSet(const Options& options) : options_(options) {}

    // Throws ControllerError for a name that is not registered.
    ControllerSession& session(const std::string& name);
    // Says bye to every program started; on an error or a stop, ends them at once instead.
    void finish();
    void abandon();

private:
    const Options& options_;
    std::map<std::string, std::unique_ptr<ControllerSession>> sessions_;
};

constexpr std::size_t kMaxControllerCommand = 4096;

// NAME=COMMAND of --controller; throws InputError for a bad or built-in name or no command.
ControllerSet::Controller parseController(const std::string& text);

}  // namespace vardeck::study
