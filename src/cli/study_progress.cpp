#include "cli/study_progress.h"

#include <string>

namespace vardeck::cli {

namespace {

constexpr double kTerminalPeriod = 0.1;  // seconds
constexpr double kLogPeriod = 5.0;
constexpr int kBarWidth = 30;

std::string clockText(double seconds) {
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

StudyProgress::StudyProgress(std::size_t total, std::FILE* out, bool terminal)
    : total_(total), out_(out), terminal_(terminal) {}

void StudyProgress::update(std::size_t done) {
    const Clock::time_point now = Clock::now();
    const double sinceDrawn = std::chrono::duration<double>(now - lastDrawn_).count();
    if (sinceDrawn < (terminal_ ? kTerminalPeriod : kLogPeriod)) return;
    lastDrawn_ = now;
    draw(done, std::chrono::duration<double>(now - start_).count());
}

void StudyProgress::finish(std::size_t done) {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    if (terminal_) {
        draw(done, elapsed);
        std::fputc('\n', out_);
    } else {
        std::fprintf(out_, "study: %zu of %zu runs in %s\n", done, total_,
                     clockText(elapsed).c_str());
    }
    std::fflush(out_);
}

void StudyProgress::draw(std::size_t done, double elapsed) {
    const double share = total_ ? double(done) / double(total_) : 1.0;
    std::string eta = "--:--";
    if (done > 0 && done < total_) eta = clockText(elapsed / double(done) * double(total_ - done));
    if (done >= total_) eta = "0:00";
    if (terminal_) {
        const int filled = static_cast<int>(share * kBarWidth);
        const std::string bar = std::string(std::size_t(filled), '#') +
                                std::string(std::size_t(kBarWidth - filled), '-');
        // \033[K clears what a longer earlier line left.
        std::fprintf(out_, "\rstudy [%s] %zu/%zu runs  %s elapsed  ETA %s\033[K", bar.c_str(), done,
                     total_, clockText(elapsed).c_str(), eta.c_str());
    } else {
        std::fprintf(out_, "study: %zu of %zu runs done (%.0f%%), %s elapsed, about %s left\n",
                     done, total_, share * 100, clockText(elapsed).c_str(), eta.c_str());
    }
    std::fflush(out_);
}

}  // namespace vardeck::cli
