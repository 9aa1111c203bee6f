#include "cli/interrupt_guard.h"

#include <time.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace vardeck::cli {

namespace {

// When the first signal came (steady clock, ns; 0 while none did), which it was, and the flag
// the work looks at. The time is stored first, so that a second signal handled at the same
// moment finds it and does not take itself for a later one.
std::atomic<long long> interruptedAt{0};
std::atomic<int> interruptSignal{0};
std::atomic<bool> interrupted{false};
// A signal handler may touch only atomics that take no lock.
static_assert(std::atomic<long long>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

long long steadyNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

extern "C" void onStudyInterrupt(int signal) {
    const long long now = steadyNanoseconds();
    long long first = 0;
    if (interruptedAt.compare_exchange_strong(first, now)) {
        interruptSignal.store(signal);
        interrupted.store(true);
        return;
    }
    // A second signal ends the process at once (delivered when this handler returns). One that
    // follows the first within a moment is the same request told twice, as `timeout` and
    // batch systems do by signalling the process and then its whole group.
    if (now - first < 200'000'000LL) return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

InterruptGuard::InterruptGuard() {
    interrupted.store(false);
    interruptSignal.store(0);
    interruptedAt.store(0);
    struct sigaction action {};
    action.sa_handler = onStudyInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &previousInterrupt_);
    ::sigaction(SIGTERM, &action, &previousTerminate_);
}

InterruptGuard::~InterruptGuard() {
    ::sigaction(SIGINT, &previousInterrupt_, nullptr);
    ::sigaction(SIGTERM, &previousTerminate_, nullptr);
}

const std::atomic<bool>& InterruptGuard::stop() {
    return interrupted;
}

void InterruptGuard::endProcess() {
    endProcess("vardeck-cli study: interrupted; nothing was written");
}

void InterruptGuard::endProcess(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    const int signal = interruptSignal.load() ? interruptSignal.load() : SIGINT;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace vardeck::cli
