#pragma once

#include <stdexcept>
#include <string>

namespace vardeck {

// What went wrong with a controller program, in one line that names it, the run and the step.
// A run cannot report it through `command`, so it leaves the run as this exception. `stopped`
// marks the end of a wait cut short by a stop request, which is no fault of the controller.
class ControllerError : public std::runtime_error {
public:
    explicit ControllerError(const std::string& message, bool stopped = false)
        : std::runtime_error(message), stopped_(stopped) {}

    bool stopped() const { return stopped_; }

private:
    bool stopped_ = false;
};

}  // namespace vardeck
