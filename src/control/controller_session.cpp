#include "control/controller_session.h"

#include <signal.h>

#include <cstdio>
#include <thread>

#include "control/controller_error.h"
#include "io/controller_process.h"
#include "model/floors.h"

namespace vardeck {

namespace {

using Status = ControllerProcess::Status;

// How long a program has to exit after `bye` before it is ended.
constexpr std::chrono::milliseconds kByeGrace{300};

// A result's reason in words, for the statuses that come without one.
std::string reason(const ControllerProcess::Result& result) {
    if (!result.detail.empty()) return result.detail;
    switch (result.status) {
        case Status::StartFailed:
            return "could not be started";
        case Status::Timeout:
            return "gave no answer in time";
        case Status::Closed:
            return "closed its output";
        case Status::TooLong:
            return "wrote a line that is too long";
        case Status::WriteFailed:
            return "stopped reading its input";
        default:
            return "failed";
    }
}

// A wait that did not give what was asked: a stop, or the controller's fault.
void check(const ControllerSession& session, const ControllerProcess::Result& result) {
    if (result.status == Status::Ok) return;
    if (result.status == Status::Stopped) throw ControllerError("stopped", true);
    session.fail(reason(result));
}

bool isPlainByte(char c) {
    return c > ' ' && c < 0x7f;
}

}  // namespace

std::string controllerLabel(std::string_view text) {
    if (text.empty()) return "-";
    if (text == "-") return "%2D";
    std::string label;
    label.reserve(text.size());
    for (const char c : text) {
        if (isPlainByte(c) && c != '%') {
            label += c;
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
            label += code;
        }
    }
    return label;
}

std::string quotedLine(std::string_view line) {
    constexpr std::size_t kShown = 60;
    std::string text = "\"";
    for (const char c : line.substr(0, kShown)) {
        if ((isPlainByte(c) || c == ' ') && c != '"' && c != '\\') {
            text += c;
        } else {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(c));
            text += code;
        }
    }
    return text + (line.size() > kShown ? "\"..." : "\"");
}

ControllerSession::ControllerSession(Options options) : options_(std::move(options)) {}

ControllerSession::~ControllerSession() = default;

void ControllerSession::fail(std::string_view what) const {
    std::string where = label_.empty() ? "" : "run " + label_ + ", ";
    if (!ready_)
        where += "at its start";
    else if (ending_)
        where += "at the end of the run";
    else if (step_ < 0)
        where += "before the first step";
    else
        where += "step " + std::to_string(step_);
    throw ControllerError("controller '" + options_.name + "', " + where + ": " +
                          std::string(what));
}

void ControllerSession::start() {
    ControllerProcess::Options options;
    options.command = options_.command;
    options.timeout = options_.timeout;
    options.onStderr = options_.onStderr;
    options.stderrLeftOut = options_.stderrLeftOut;
    options.stop = options_.stop;
    process_ = std::make_unique<ControllerProcess>(std::move(options));
    const auto started = process_->start();
    if (started.status != Status::Ok) fail("failed to start: " + reason(started));
    write("hello vardeck-controller 1 floors " + std::to_string(kFloorCount));
    const auto ready = process_->readLine();
    check(*this, ready);
    const std::string_view line = ready.line;
    if (line.substr(0, 5) != "ready" || (line.size() > 5 && line[5] != ' '))
        fail("answered " + quotedLine(line) + " to hello, not ready");
    ready_ = true;
}

void ControllerSession::write(std::string_view line) {
    check(*this, process_->writeLine(line));
}

// Nothing may arrive unasked: a line there now was written since the last answer.
void ControllerSession::checkQuiet() {
    if (!process_->hasPendingOutput()) return;
    const auto extra = process_->readLine();
    check(*this, extra);
    fail("wrote an extra line " + quotedLine(extra.line));
}

void ControllerSession::beginRun(std::string_view label) {
    label_ = label;
    step_ = -1;
    ending_ = false;
    if (!process_) start();
    checkQuiet();
    std::string line = "run ";
    line += label;
    write(line);
}

std::string_view ControllerSession::exchange(std::string_view lines, long long step) {
    step_ = step;
    checkQuiet();
    write(lines);
    auto answer = process_->readLine();
    check(*this, answer);
    answer_.swap(answer.line);
    return answer_;
}

void ControllerSession::endRun(std::string_view measures) {
    ending_ = true;
    checkQuiet();
    std::string line = "end ";
    line += measures;
    write(line);
}

void ControllerSession::finish() {
    if (!process_) return;
    // A line written after the last answer may come late; whatever comes before the program
    // exits on `bye` is caught here.
    if (process_->writeLine("bye").status == Status::Ok) {
        const auto deadline = std::chrono::steady_clock::now() + kByeGrace;
        for (;;) {
            const bool exited = !process_->running();
            if (process_->hasPendingOutput()) {
                const auto extra = process_->readLine();
                if (extra.status == Status::Ok)
                    fail("wrote an extra line " + quotedLine(extra.line));
                break;
            }
            if (exited || std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    process_->end();
    process_.reset();
}

void ControllerSession::abandon() {
    if (process_ && process_->running()) ::kill(-process_->pid(), SIGKILL);
    process_.reset();
}

}  // namespace vardeck
