#include "io/controller_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

extern char** environ;

namespace vardeck {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kChunk = 65536;
constexpr milliseconds kTick{100};
constexpr std::chrono::microseconds kAnswerSpin{50};
// How long a program whose output or input closed is given to finish exiting, to tell an exit
// from a closed stream.
constexpr milliseconds kExitGrace{200};
// end(): the grace to exit on its own, then the grace after SIGTERM.
constexpr milliseconds kEndGrace{300};
constexpr milliseconds kTermGrace{200};

std::string seconds(milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", double(duration.count()) / 1000);
    return text;
}

// Moves `fd` above the standard descriptors, so that setting up the child's 0, 1 and 2 never
// overwrites another of its descriptors.
int aboveStandard(int fd) {
    if (fd < 0 || fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

std::string describeEnd(bool exited, int code) {
    if (!exited)
        return "was killed by signal " + std::to_string(code) + " (" + strsignal(code) + ")";
    return "exited with status " + std::to_string(code) +
           (code == 127   ? " (command not found?)"
            : code == 126 ? " (command not executable?)"
                          : "");
}

// A valid UTF-8 sequence at the start of `text` of a character a terminal shows (U+00A0 and
// above): its length, else 0.
std::size_t printableUtf8(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const std::size_t length = byte(0) >= 0xF0 ? 4 : byte(0) >= 0xE0 ? 3 : byte(0) >= 0xC2 ? 2 : 0;
    if (length == 0 || text.size() < length) return 0;
    char32_t code = byte(0) & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0xA0, 0x800, 0x10000};
    const bool valid =
        code >= kSmallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    return valid ? length : 0;
}

// A line the program wrote, safe to show: what could move the cursor, clear the screen or
// garble what follows becomes \xNN.
std::string printableText(std::string_view line) {
    std::string text;
    text.reserve(line.size());
    for (std::size_t i = 0; i < line.size();) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        const std::size_t length =
            c == '\t' || (c >= ' ' && c < 0x7f) ? 1 : printableUtf8(line.substr(i));
        if (length > 0) {
            text.append(line.substr(i, length));
            i += length;
            continue;
        }
        char code[5];
        std::snprintf(code, sizeof code, "\\x%02X", c);
        text += code;
        ++i;
    }
    return text;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

ControllerProcess::ControllerProcess(Options options) : options_(std::move(options)) {
    options_.maxLine = std::max<std::size_t>(options_.maxLine, 2);
}

ControllerProcess::~ControllerProcess() {
    end();
}

ControllerProcess::Result ControllerProcess::fail(Status status, std::string detail) {
    return {status, {}, std::move(detail)};
}

ControllerProcess::Result ControllerProcess::start() {
    if (pid_ != -1) return fail(Status::StartFailed, "could not be started: it was started before");
    // Ours: [0] input, [2] output, [4] errors; the child's: [1], [3], [5].
    int fds[6] = {-1, -1, -1, -1, -1, -1};
    int error = ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0 &&
                        ::pipe2(fds + 2, O_CLOEXEC) == 0 && ::pipe2(fds + 4, O_CLOEXEC) == 0
                    ? 0
                    : errno;
    for (int& fd : fds) {
        fd = aboveStandard(fd);
        if (!error && fd < 0) error = errno;
    }
    if (!error) {
        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attributes;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, fds[1], 0);
        ::posix_spawn_file_actions_adddup2(&actions, fds[3], 1);
        ::posix_spawn_file_actions_adddup2(&actions, fds[5], 2);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
        // Also what a library opened without O_CLOEXEC stays out of the program.
        ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
        ::posix_spawnattr_init(&attributes);
        ::posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        ::posix_spawnattr_setpgroup(&attributes, 0);
        sigset_t signals;
        ::sigfillset(&signals);
        ::posix_spawnattr_setsigdefault(&attributes, &signals);
        ::sigemptyset(&signals);
        ::posix_spawnattr_setsigmask(&attributes, &signals);
        char shell[] = "sh", dashC[] = "-c";
        char* argv[] = {shell, dashC, options_.command.data(), nullptr};
        error = ::posix_spawn(&pid_, "/bin/sh", &actions, &attributes, argv, environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    for (int i = 1; i < 6; i += 2) closeFd(fds[i]);
    if (error) {
        pid_ = -1;
        for (int& fd : fds) closeFd(fd);
        return fail(Status::StartFailed, std::string("could not be started: ") + strerror(error));
    }
    input_ = fds[0], output_ = fds[2], errors_ = fds[4];
    ::fcntl(output_, F_SETFL, O_NONBLOCK);
    ::fcntl(errors_, F_SETFL, O_NONBLOCK);
    buffer_.resize(options_.maxLine + kChunk);
    return {};
}

bool ControllerProcess::stopped() const {
    return options_.stop && options_.stop->load(std::memory_order_relaxed);
}

bool ControllerProcess::running() const {
    return pid_ > 0 && !reaped_ && exitReason().empty();
}

// How the program ended, for a user to read, or empty while it runs. The child is left a zombie
// until end(), so its process group cannot pass to another program before it is killed.
std::string ControllerProcess::exitReason() const {
    if (reaped_) return reapedReason_;
    siginfo_t info{};
    if (pid_ <= 0 || ::waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        info.si_pid == 0)
        return {};
    return describeEnd(info.si_code == CLD_EXITED, info.si_status);
}

// The program usually ends right after its streams close: waits a little for that.
std::string ControllerProcess::exitReasonSoon(milliseconds grace) {
    const auto deadline = Clock::now() + grace;
    std::string reason;
    while ((reason = exitReason()).empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(1));
    drainErrors();
    return reason;
}

ControllerProcess::Wait ControllerProcess::waitFor(int fd, short events,
                                                   Clock::time_point deadline) {
    for (;;) {
        if (stopped()) return Wait::Stopped;
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return Wait::Timeout;
        const auto wait = std::min(std::chrono::ceil<milliseconds>(left), kTick);
        pollfd fds[2] = {{fd, events, 0}, {errors_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, int(wait.count()));
        if (ready < 0 && errno != EINTR) return Wait::Ready;  // the read or write tells why
        if (fds[1].revents) drainErrors();
        if (fds[0].revents) return Wait::Ready;
        if (ready == 0 && !exitReason().empty()) return Wait::Exited;
    }
}

ssize_t ControllerProcess::readOutput() {
    if (begin_ == end_) {
        begin_ = end_ = 0;
    } else if (buffer_.size() - end_ < kChunk) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    ssize_t count;
    do count = ::read(output_, buffer_.data() + end_, buffer_.size() - end_);
    while (count < 0 && errno == EINTR);
    if (count > 0) end_ += std::size_t(count);
    return count;
}

std::optional<ControllerProcess::Result> ControllerProcess::takeLine() {
    const char* begin = buffer_.data() + begin_;
    const std::size_t size = end_ - begin_;
    const auto* newline =
        static_cast<const char*>(std::memchr(begin, '\n', std::min(size, options_.maxLine)));
    if (newline) {
        Result result{Status::Ok, std::string(begin, newline), {}};
        begin_ += std::size_t(newline - begin) + 1;
        return result;
    }
    if (size < options_.maxLine) return std::nullopt;
    failure_ = fail(Status::TooLong,
                    "wrote a line longer than " + std::to_string(options_.maxLine) + " bytes");
    return failure_;
}

ControllerProcess::Result ControllerProcess::readLine() {
    if (auto line = takeLine()) return std::move(*line);
    if (failure_) return *failure_;
    if (output_ < 0) return fail(Status::Closed, "is not running");
    const auto deadline = Clock::now() + options_.timeout;
    // Most answers come within microseconds. Asking again for a moment, giving the processor
    // away in between, spares the wake-up from a sleeping poll, which on a virtual machine
    // with idle cores costs tens of microseconds and would bound a run at 20,000 steps/s.
    {
        const auto spinEnd = Clock::now() + kAnswerSpin;
        while (Clock::now() < spinEnd) {
            const ssize_t count = readOutput();
            if (count > 0) {
                if (auto line = takeLine()) return std::move(*line);
            } else if (!(count < 0 && errno == EAGAIN)) {
                break;
            }
            sched_yield();
        }
    }
    for (;;) {
        switch (waitFor(output_, POLLIN, deadline)) {
            case Wait::Timeout:
                return fail(Status::Timeout, "gave no answer within " + seconds(options_.timeout));
            case Wait::Stopped:
                return fail(Status::Stopped, "was stopped");
            case Wait::Exited:
                failure_ = fail(Status::Closed, exitReasonSoon(kExitGrace));
                break;
            case Wait::Ready: {
                const ssize_t count = readOutput();
                if (count > 0) {
                    if (auto line = takeLine()) return std::move(*line);
                    continue;
                }
                if (count < 0 && errno == EAGAIN) continue;
                const std::string reason = exitReasonSoon(kExitGrace);
                failure_ = fail(Status::Closed, reason.empty() ? "closed its output" : reason);
            }
        }
        return *failure_;
    }
}

ControllerProcess::Result ControllerProcess::writeLine(std::string_view line) {
    if (failure_) return *failure_;
    if (input_ < 0) return fail(Status::WriteFailed, "is not running");
    iovec parts[2] = {{const_cast<char*>(line.data()), line.size()}, {const_cast<char*>("\n"), 1}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    std::optional<Clock::time_point> deadline;
    for (;;) {
        // MSG_NOSIGNAL: a program that no longer reads gives EPIPE, not a SIGPIPE to all of us.
        const ssize_t sent = ::sendmsg(input_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            std::size_t done = std::size_t(sent);
            while (message.msg_iovlen > 0 && done >= message.msg_iov->iov_len) {
                done -= message.msg_iov->iov_len;
                ++message.msg_iov, --message.msg_iovlen;
            }
            if (message.msg_iovlen == 0) return {};
            message.msg_iov->iov_base = static_cast<char*>(message.msg_iov->iov_base) + done;
            message.msg_iov->iov_len -= done;
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) {
            const std::string reason = exitReasonSoon(kExitGrace);
            failure_ = fail(Status::WriteFailed, reason.empty() ? "closed its input" : reason);
            return *failure_;
        }
        if (!deadline) deadline = Clock::now() + options_.timeout;
        switch (waitFor(input_, POLLOUT, *deadline)) {
            case Wait::Ready:
                continue;
            case Wait::Timeout:
                return fail(Status::Timeout,
                            "did not read its input within " + seconds(options_.timeout));
            case Wait::Stopped:
                return fail(Status::Stopped, "was stopped");
            case Wait::Exited:
                failure_ = fail(Status::WriteFailed, exitReasonSoon(kExitGrace));
                return *failure_;
        }
    }
}

bool ControllerProcess::hasPendingOutput() {
    if (begin_ < end_) return true;
    if (output_ < 0 || failure_) return false;
    pollfd fds[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
    if (::poll(fds, 2, 0) <= 0) return false;
    if (fds[1].revents) drainErrors();
    // An end of the output is left for the next read to report.
    return fds[0].revents && readOutput() > 0;
}

void ControllerProcess::drainErrors() {
    char data[16384];
    // Bounded, so that a program flooding its standard error can neither keep this here nor
    // make each step read much of it: a full pipe holds the program up instead.
    for (int chunk = 0; chunk < 8 && errors_ >= 0; ++chunk) {
        const ssize_t count = ::read(errors_, data, sizeof data);
        if (count > 0) {
            if (errorLine_.empty() && dropErrors(std::size_t(count))) continue;
            takeErrors(std::string_view(data, std::size_t(count)));
        } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
            closeFd(errors_);
            if (!errorLine_.empty()) emitError(errorLine_);
            errorLine_.clear();
        } else if (errno == EAGAIN) {
            return;
        }
    }
}

// Once the receiver wants no more, the bytes are only counted, cheaply.
bool ControllerProcess::dropErrors(std::size_t bytes) {
    std::atomic<std::size_t>* leftOut = options_.stderrLeftOut;
    if (!leftOut || leftOut->load(std::memory_order_relaxed) == 0) return false;
    leftOut->fetch_add(bytes, std::memory_order_relaxed);
    return true;
}

void ControllerProcess::takeErrors(std::string_view data) {
    while (!data.empty()) {
        const std::size_t newline = data.find('\n');
        if (!errorCut_) {
            const std::string_view piece = data.substr(0, newline);
            const std::size_t room = options_.maxLine - 1 - errorLine_.size();
            errorLine_.append(piece.substr(0, room));
            if (piece.size() > room) {
                errorCut_ = true;  // the rest of the line is skipped
                emitError(errorLine_, true);
                errorLine_.clear();
            }
        }
        if (newline == std::string_view::npos) return;
        if (!errorCut_) emitError(errorLine_);
        errorLine_.clear();
        errorCut_ = false;
        data.remove_prefix(newline + 1);
    }
}

void ControllerProcess::emitError(std::string_view line, bool cut) {
    if (!options_.onStderr || dropErrors(line.size() + 1)) return;
    std::string text = printableText(line);
    if (cut) text += "...";
    options_.onStderr(text);
}

// Waits up to `grace` for the program to exit, reading what it still writes meanwhile so that it
// never blocks on a full pipe.
bool ControllerProcess::waitExit(milliseconds grace) {
    const auto deadline = Clock::now() + grace;
    while (exitReason().empty()) {
        if (Clock::now() >= deadline) return false;
        pollfd fds[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
        ::poll(fds, 2, 5);
        if (fds[0].revents) {
            begin_ = end_ = 0;
            if (readOutput() == 0) closeFd(output_);
        }
        if (fds[1].revents) drainErrors();
    }
    return true;
}

void ControllerProcess::end() {
    if (pid_ > 0 && !reaped_) {
        closeFd(input_);
        // A stopped run does not wait for the program to finish on its own.
        if (stopped() || !waitExit(kEndGrace)) {
            ::kill(-pid_, SIGTERM);
            waitExit(kTermGrace);
        }
        // Also whatever the program left behind in its group.
        ::kill(-pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reapedReason_ = WIFEXITED(status) ? describeEnd(true, WEXITSTATUS(status))
                                          : describeEnd(false, WTERMSIG(status));
        reaped_ = true;
        drainErrors();
    }
    closeAll();
}

void ControllerProcess::closeAll() {
    closeFd(input_);
    closeFd(output_);
    if (errors_ >= 0 && !errorLine_.empty()) emitError(errorLine_);
    errorLine_.clear();
    closeFd(errors_);
}

}  // namespace vardeck
