#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cli/option_table.h"
#include "study/controller_set.h"

namespace vardeck::cli {

// --controller NAME=COMMAND (any number of them) and --controller-timeout S, which run, compare
// and study take alike.
struct ControllerOptions {
    std::vector<study::ControllerSet::Controller> controllers;
    std::chrono::milliseconds timeout{10000};

    std::vector<std::string> names() const;
    // NAME=COMMAND; throws UsageError for a bad or repeated name.
    void add(const std::string& text);
    // The options of the programs' sets, whose standard error goes to Vardeck's, each line
    // after the controller's name.
    study::ControllerSet::Options setOptions(const std::atomic<bool>* stop) const;
};

// The help text of the two options, in the layout of every command's usage.
#define VARDECK_CONTROLLER_USAGE                                              \
    "  --controller NAME=COMMAND\n"                                           \
    "                   a control system of your own: COMMAND runs through\n" \
    "                   /bin/sh -c and speaks docs/controller-protocol.md;\n" \
    "                   NAME (letters, digits, '-') then names it as a\n"     \
    "                   system; may be given several times\n"                 \
    "  --controller-timeout S\n"                                              \
    "                   seconds a controller has for `ready` and for each\n"  \
    "                   answer (default 10)\n"

void setControllerTimeout(ControllerOptions& o, double seconds);

// Runs `work` with the controllers' programs, which it starts as it needs them. With `used`,
// Ctrl-C and SIGTERM stop the programs and end Vardeck by the same signal, and a controller's
// fault is told in one line and gives exit code 1. Every program has ended on return.
int withControllers(const char* command, const ControllerOptions& options, bool used,
                    const std::function<int(study::ControllerSet&)>& work);

// A command's rules with the two options added; `Options` holds a ControllerOptions
// `controllers`.
template <class Options>
std::vector<OptionRule<Options>> withControllerRules(std::vector<OptionRule<Options>> rules) {
    rules.push_back(
        {"--controller", nullptr, [](Arguments& args, const std::string& option, Options& o) {
             o.controllers.add(args.value(option));
         }});
    rules.push_back({"--controller-timeout", nullptr,
                     [](Arguments& args, const std::string& option, Options& o) {
                         setControllerTimeout(o.controllers, args.number(option));
                     }});
    return rules;
}

}  // namespace vardeck::cli
