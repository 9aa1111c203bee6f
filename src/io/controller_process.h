#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vardeck {

// A user's program spoken to one line at a time over its standard input and output. Every wait
// is bounded, a program that stops reading never raises SIGPIPE here, and its standard error is
// drained whenever this waits, so a program that floods it blocks neither side. One object is
// used by one thread at a time; many may run side by side on several threads.
class ControllerProcess {
public:
    struct Options {
        std::string command;  // run through /bin/sh -c, in the current directory
        std::chrono::milliseconds timeout{10000};  // for each answer awaited
        std::size_t maxLine = 4096;                // longest line accepted, '\n' included
        // Receives each line the program writes to its standard error, as it comes: without '\n',
        // cut to maxLine bytes (then "..."), its bytes that could upset a terminal (control
        // characters, invalid UTF-8) written \xNN. Called on the thread that calls read/write.
        std::function<void(std::string_view)> onStderr = {};
        // Polled at least every 100 ms while waiting; when set, the wait ends with Stopped.
        const std::atomic<bool>* stop = nullptr;
        // Once above 0 (the receiver of onStderr wants no more), the rest of the standard error
        // is read and dropped unsplit, and its bytes are added here.
        std::atomic<std::size_t>* stderrLeftOut = nullptr;
    };
    // Closed covers every way the program went away: it exited, was killed or closed its output.
    enum class Status { Ok, StartFailed, Timeout, Closed, TooLong, Stopped, WriteFailed };
    struct Result {
        Status status = Status::Ok;
        std::string line;    // the line read, without '\n'
        std::string detail;  // for failures: a plain reason a user understands
    };

    explicit ControllerProcess(Options options);
    ~ControllerProcess();  // ends the process group, reaps the child
    ControllerProcess(const ControllerProcess&) = delete;
    ControllerProcess& operator=(const ControllerProcess&) = delete;

    // Starts the program in a process group of its own. A command the shell cannot find still
    // starts: the shell exits with 127, which the first read reports.
    Result start();
    // Appends '\n'. Waits up to the timeout while the program does not read.
    Result writeLine(std::string_view line);
    // Waits up to the timeout for one whole line.
    Result readLine();
    // Whether any byte of output has arrived unasked, without waiting: lets the caller find an
    // extra line the program wrote. Drains stderr too.
    bool hasPendingOutput();
    // Closes the program's input, gives it a short grace to exit (none once stopped), then
    // SIGTERM and finally SIGKILL to the whole process group, all within a second, and reaps it.
    // What it still writes meanwhile is drained, its stderr handed on. Safe to call twice.
    void end();
    bool running() const;
    pid_t pid() const { return pid_; }

private:
    enum class Wait { Ready, Timeout, Stopped, Exited };

    bool stopped() const;
    Wait waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline);
    std::optional<Result> takeLine();
    ssize_t readOutput();
    void drainErrors();
    bool dropErrors(std::size_t bytes);
    void takeErrors(std::string_view data);
    void emitError(std::string_view line, bool cut = false);
    std::string exitReason() const;
    std::string exitReasonSoon(std::chrono::milliseconds grace);
    bool waitExit(std::chrono::milliseconds grace);
    Result fail(Status status, std::string detail);
    void closeAll();

    Options options_;
    pid_t pid_ = -1;
    bool reaped_ = false;
    std::string reapedReason_;
    int input_ = -1;   // our end of the program's standard input, a socket
    int output_ = -1;  // the read ends of its standard output and error
    int errors_ = -1;
    std::string buffer_;  // output read but not yet taken: [begin_, end_)
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::string errorLine_;          // the unfinished line of standard error
    bool errorCut_ = false;          // the rest of an over-long stderr line is being skipped
    std::optional<Result> failure_;  // once the program is gone, every call answers this
};

}  // namespace vardeck
