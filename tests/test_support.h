#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/control_system.h"

namespace vardeck::test {

// Runs a test inside a fresh temporary directory, because the program opens its files by bare
// name in the working directory.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/vardeck-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~TempDir() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::filesystem::path previous_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A control system that only remembers what it was told.
class RecordingSystem : public ControlSystem {
public:
    struct Call {
        CommandCode code;
        int a;
        int b;
        bool operator==(const Call&) const = default;
    };
    void command(CommandCode code, void* argument) override {
        int a = -1, b = -1;
        if (code == CmdHallCallAdded || code == CmdHallCallCleared) {
            a = static_cast<int*>(argument)[0];
            b = static_cast<int*>(argument)[1];
        } else if (code == CmdCarCallAdded) {
            a = *static_cast<int*>(argument);
        }
        calls.push_back({code, a, b});
    }
    std::vector<Call> calls;
};

}  // namespace vardeck::test
