#pragma once

// What the fuzz targets share: a working directory of their own, the input as a file (the
// readers take paths), and a check that stops the run with a message.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vardeck::fuzz {

// A fresh directory under /tmp for this process, removed at exit.
class WorkDirectory {
public:
    WorkDirectory() {
        char pattern[] = "/tmp/vardeck-fuzz-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        path_ = pattern;
    }
    ~WorkDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The path of `name` in this process's work directory.
inline std::string workPath(const std::string& name) {
    static const WorkDirectory directory;
    return directory.path() + "/" + name;
}

// The three files of a round trip: the input as a file, the program's first and second save.
struct RoundTrip {
    explicit RoundTrip(const std::string& extension)
        : input(workPath("input." + extension)),
          first(workPath("first." + extension)),
          second(workPath("second." + extension)) {}
    std::string input, first, second;
};

inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// What the program writes of what it read must read back to the very same text.
inline void checkSameFile(const std::string& first, const std::string& second) {
    const std::string a = readFile(first), b = readFile(second);
    if (a == b) return;
    std::fprintf(stderr, "first save:\n%s\nsecond save:\n%s\n", a.c_str(), b.c_str());
    check(false, "save, reload and save again give other text");
}

}  // namespace vardeck::fuzz
