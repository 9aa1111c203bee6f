#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vardeck {

class ControllerProcess;

// One controller program over the runs it serves: started and greeted before its first run,
// told where each run begins and ends, asked for the orders of every step, and sent away at the
// end. Whatever goes wrong throws ControllerError.
class ControllerSession {
public:
    struct Options {
        std::string name;
        std::string command;
        std::chrono::milliseconds timeout{10000};
        // Each line the program writes to its standard error.
        std::function<void(std::string_view)> onStderr = {};
        std::atomic<std::size_t>* stderrLeftOut = nullptr;  // see ControllerProcess::Options
        const std::atomic<bool>* stop = nullptr;
    };

    explicit ControllerSession(Options options);
    ~ControllerSession();
    ControllerSession(const ControllerSession&) = delete;
    ControllerSession& operator=(const ControllerSession&) = delete;

    const std::string& name() const { return options_.name; }

    // Starts the program the first time (hello, ready), then writes `run LABEL`.
    void beginRun(std::string_view label);
    // Writes `lines` (the events since the last step, then the step line, without the last
    // newline) and returns the answer, valid until the next call.
    std::string_view exchange(std::string_view lines, long long step);
    // Writes `end MEASURES`.
    void endRun(std::string_view measures);
    // Writes `bye` and ends the program.
    void finish();
    // Ends the program's process group at once (an error elsewhere, or a stop).
    void abandon();
    [[noreturn]] void fail(std::string_view what) const;

private:
    void start();
    void write(std::string_view line);
    void checkQuiet();

    Options options_;
    std::unique_ptr<ControllerProcess> process_;
    std::string label_;
    std::string answer_;
    long long step_ = -1;
    bool ready_ = false;
    bool ending_ = false;
};

// A run's label made safe for the `run` line: the bytes outside printable ASCII, the space and
// '%' become %XX; an empty text becomes "-", and "-" itself %2D.
std::string controllerLabel(std::string_view text);

// A line a controller wrote, quoted for a message: at most 60 bytes, the unprintable ones as \xNN.
std::string quotedLine(std::string_view line);

}  // namespace vardeck
