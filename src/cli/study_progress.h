#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace vardeck::cli {

// Shows how far a study has come on stderr: on a terminal a bar redrawn in place, otherwise a
// plain line every few seconds, so that logs stay readable.
class StudyProgress {
public:
    StudyProgress(std::size_t total, std::FILE* out, bool terminal);

    void update(std::size_t done);
    // The last line, and on a terminal the end of the bar's line.
    void finish(std::size_t done);

private:
    void draw(std::size_t done, double elapsed);

    using Clock = std::chrono::steady_clock;
    std::size_t total_;
    std::FILE* out_;
    bool terminal_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDrawn_ = start_;
};

}  // namespace vardeck::cli
