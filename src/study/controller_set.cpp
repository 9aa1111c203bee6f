#include "study/controller_set.h"

#include <algorithm>

#include "control/controller_error.h"
#include "study/input_error.h"
#include "study/system_choice.h"

namespace vardeck::study {

ControllerSession& ControllerSet::session(const std::string& name) {
    auto& session = sessions_[name];
    if (session) return *session;
    for (const Controller& controller : options_.controllers) {
        if (controller.name != name) continue;
        ControllerSession::Options options;
        options.name = name;
        options.command = controller.command;
        options.timeout = options_.timeout;
        if (options_.onStderr)
            options.onStderr = [this, name](std::string_view line) {
                options_.onStderr(name, line);
            };
        options.stderrLeftOut = options_.stderrLeftOut;
        options.stop = options_.stop;
        session = std::make_unique<ControllerSession>(std::move(options));
        return *session;
    }
    sessions_.erase(name);
    throw ControllerError("no controller is registered as '" + name + "'");
}

void ControllerSet::finish() {
    for (auto& [name, session] : sessions_) session->finish();
    sessions_.clear();
}

void ControllerSet::abandon() {
    for (auto& [name, session] : sessions_) session->abandon();
    sessions_.clear();
}

ControllerSet::Controller parseController(const std::string& text) {
    const std::size_t sign = text.find('=');
    const std::string name = text.substr(0, sign);
    const std::size_t first = text.find_first_not_of(" \t", sign + 1);
    if (sign == std::string::npos || first == std::string::npos)
        // Quoted: bounded, and one line whatever the text holds.
        throw InputError{"--controller takes NAME=COMMAND, not " + quotedLine(text)};
    if (builtInSystem(name))
        throw InputError{"--controller: '" + name + "' is the name of a built-in system"};
    if (!isControllerName(name))
        throw InputError{
            "--controller: a name is made of letters, digits and '-' (at most 64), not " +
            quotedLine(name)};
    // study.txt keeps the command on one line, and a study.txt is read with a bound.
    std::string command = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    if (std::any_of(command.begin(), command.end(),
                    [](char c) { return c >= 0 && c < ' ' && c != '\t'; }))
        throw InputError{"--controller: the command of '" + name + "' holds a control character"};
    if (command.size() > kMaxControllerCommand)
        throw InputError{"--controller: the command of '" + name + "' is longer than " +
                         std::to_string(kMaxControllerCommand) + " bytes"};
    return {name, command, {}};
}

}  // namespace vardeck::study
