#pragma once

#include <signal.h>

#include <atomic>
#include <string>

namespace vardeck::cli {

// While it lives, Ctrl-C (or a batch system's SIGTERM) only asks the study to stop: the work
// looks at `stop()`, and the study then writes nothing and dies of the same signal, so that a
// shell loop around it stops too. A second signal ends the process at once. One guard at a time.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // Up once a signal asked the study to stop.
    static const std::atomic<bool>& stop();
    // Says that nothing was written and ends the process of the signal that asked.
    [[noreturn]] static void endProcess();
    // The same with another line for stderr.
    [[noreturn]] static void endProcess(const std::string& message);

private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

}  // namespace vardeck::cli
