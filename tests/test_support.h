#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs vardeck-cli in the current directory with `arguments` (already quoted for the shell).
inline CliResult runCli(const std::string& arguments) {
    const std::string command =
        std::string("'") + VARDECK_CLI + "' " + arguments + " >cli.out 2>cli.err";
    const int status = std::system(command.c_str());
    CliResult result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile("cli.out");
    result.err = readFile("cli.err");
    std::remove("cli.out");
    std::remove("cli.err");
    return result;
}

// Comma-separated values with a header line, each row a map from column name to cell.
using CsvRow = std::map<std::string, std::string>;
inline std::vector<CsvRow> csvTable(const std::string& text) {
    std::istringstream lines(text);
    std::string line, cell;
    std::vector<std::string> header;
    std::getline(lines, line);
    for (std::istringstream cells(line); std::getline(cells, cell, ',');) header.push_back(cell);
    std::vector<CsvRow> rows;
    while (std::getline(lines, line)) {
        std::istringstream cells(line);
        CsvRow& row = rows.emplace_back();
        for (const std::string& column : header) std::getline(cells, row[column], ',');
    }
    return rows;
}

inline double number(const CsvRow& row, const std::string& column) {
    return std::stod(row.at(column));
}

// The names in a folder.
inline std::set<std::string> filesIn(const std::string& folder = ".") {
    std::set<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        names.insert(item.path().filename().string());
    return names;
}

// The files of a folder with their content ("(folder)" for a folder in it); one entry "(none)"
// when there is no folder.
inline std::map<std::string, std::string> snapshot(const std::string& dir) {
    if (!std::filesystem::exists(dir)) return {{"(none)", ""}};
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::directory_iterator(dir))
        files[item.path().filename().string()] =
            is_regular_file(item) ? readFile(item.path().string()) : "(folder)";
    return files;
}

// Copies the program's shipped data files into the current directory.
inline void copyShippedData() {
    for (const auto& item : std::filesystem::directory_iterator(VARDECK_DATA_DIR))
        std::filesystem::copy(item.path(), item.path().filename(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
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
