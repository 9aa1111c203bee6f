#include "io/controller_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace vardeck {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Status = ControllerProcess::Status;

// The processes of `group` still alive (a zombie is dead).
int livingInGroup(pid_t group) {
    int living = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string stat;
        std::getline(std::ifstream(entry.path() / "stat"), stat);
        std::istringstream fields(stat.substr(stat.rfind(')') + 1));
        char state = 0;
        pid_t parent = 0, pgrp = 0;
        living += fields >> state >> parent >> pgrp && pgrp == group && state != 'Z';
    }
    return living;
}

TEST(ControllerProcessTest, AnswersAndFailuresReadAsAUserShouldSeeThem) {
    const std::string line4095(4095, 'a'), line4096(4096, 'a');
    const struct {
        std::string command;
        Status status;
        std::string text;         // the line read, or the failure's detail
        std::string errors = "";  // each distinct line of stderr with its count
    } cases[] = {
        {"read l; echo \"got $l\"", Status::Ok, "got step 1"},
        {"read l; printf 'a\\001\\377\\r\\n'", Status::Ok, "a\x01\xff\r"},
        {"read l; printf '%s\\n' " + line4095, Status::Ok, line4095},
        {"read l; printf '%s\\n' " + line4096, Status::TooLong,
         "wrote a line longer than 4096 bytes"},
        {"read l; yes err | head -n 100000 >&2; echo ok", Status::Ok, "ok", "err*100000;"},
        {"read l; head -c 5000 /dev/zero | tr '\\0' e >&2; echo ok", Status::Ok, "ok",
         "4098 bytes*1;"},
        {"read l; printf 'a\\033[2J\\377\\303\\251\\302\\233\\tb\\n' >&2; echo ok", Status::Ok,
         "ok", "a\\x1B[2J\\xFF\u00e9\\xC2\\x9B\tb*1;"},
        {"read l; sleep 5", Status::Timeout, "gave no answer within 0.5 s"},
        {"read l; exit 3", Status::Closed, "exited with status 3"},
        {"read l; kill -9 $$", Status::Closed, "was killed by signal 9 (Killed)"},
        {"read l; exec >&-; sleep 5", Status::Closed, "closed its output"},
        // The shell is gone, while what it started still holds the output open.
        {"read l; sleep 5 & exit 4", Status::Closed, "exited with status 4"},
        {"no-such-controller", Status::Closed, "exited with status 127 (command not found?)",
         "sh: 1: no-such-controller: not found*1;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        std::map<std::string, int> errors;
        ControllerProcess process(
            {c.command, 500ms, 4096, [&](std::string_view line) { ++errors[std::string(line)]; }});
        ASSERT_EQ(process.start().status, Status::Ok);
        if (c.command.starts_with("read")) {
            ASSERT_EQ(process.writeLine("step 1").status, Status::Ok);
        }
        const ControllerProcess::Result result = process.readLine();
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(c.status == Status::Ok ? result.line : result.detail, c.text);
        process.end();  // hands on the unfinished last line of stderr
        std::string seen;
        for (const auto& [text, count] : errors)
            seen += (text.size() < 50 ? text : std::to_string(text.size()) + " bytes") + "*" +
                    std::to_string(count) + ";";
        EXPECT_EQ(seen, c.errors);
    }
}

TEST(ControllerProcessTest, ExtraLinesShowAsPendingOutputAndNoOtherDescriptorLeaks) {
    const int leaked = ::open("/dev/null", O_RDONLY);  // without O_CLOEXEC
    // The listing's own descriptor is 3.
    ControllerProcess process({.command = "read l; cd /proc/self/fd && echo *; echo two; read l"});
    ASSERT_EQ(process.start().status, Status::Ok);
    ::close(leaked);
    EXPECT_FALSE(process.hasPendingOutput());
    ASSERT_EQ(process.writeLine("step").status, Status::Ok);
    EXPECT_EQ(process.readLine().line, "0 1 2 3");
    for (int i = 0; i < 100 && !process.hasPendingOutput(); ++i) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(process.readLine().line, "two");
    EXPECT_FALSE(process.hasPendingOutput());
}

TEST(ControllerProcessTest, AProgramThatStopsReadingFailsTheWriteWithoutSigpipe) {
    const struct {
        const char* command;
        Status status;
        const char* detail;
    } cases[] = {
        {"exit 4", Status::WriteFailed, "exited with status 4"},
        {"exec <&-; sleep 5", Status::WriteFailed, "closed its input"},
        {"sleep 5", Status::Timeout, "did not read its input within 0.5 s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        ControllerProcess process({.command = c.command, .timeout = 500ms});
        ASSERT_EQ(process.start().status, Status::Ok);
        ControllerProcess::Result result;
        for (int i = 0; i < 10000 && result.status == Status::Ok; ++i)
            result = process.writeLine(std::string(1000, 's'));
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.detail, c.detail);
    }
}

TEST(ControllerProcessThreadTest, StopEndsAWaitAndEndKillsTheWholeGroup) {
    std::atomic<bool> stop = false;
    // Everything in the group ignores SIGTERM, and the shell floods its standard error.
    ControllerProcess process({"trap '' TERM; sh -c 'sleep 100' & yes err >&2", 30s, 4096,
                               [](std::string_view) {}, &stop});
    ASSERT_EQ(process.start().status, Status::Ok);
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        stop = true;
    });
    auto started = Clock::now();
    EXPECT_EQ(process.readLine().status, Status::Stopped);
    EXPECT_LT(Clock::now() - started, 2s);
    stopper.join();
    const pid_t pid = process.pid();
    EXPECT_GE(livingInGroup(pid), 3);
    started = Clock::now();
    process.end();
    EXPECT_LT(Clock::now() - started, 2s);
    // SIGKILL reaches the rest of the group at once, yet each takes a moment to die.
    for (int i = 0; i < 100 && livingInGroup(pid) > 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(livingInGroup(pid), 0);
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);  // reaped
    process.end();
}

TEST(ControllerProcessThreadTest, ProgramsStartSideBySide) {
    std::vector<std::thread> threads;
    std::atomic<int> answered = 0;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                ControllerProcess process({.command = "while read l; do echo \"$l\"; done"});
                const std::string line = std::to_string(t * 100 + i);
                answered += process.start().status == Status::Ok &&
                            process.writeLine(line).status == Status::Ok &&
                            process.readLine().line == line;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(answered, 40);
}

}  // namespace
}  // namespace vardeck
