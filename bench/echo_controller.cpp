// The least a controller can be, to measure what the line exchange itself costs: `ready` to
// `hello`, `- - -` to every step, nothing to any other line, and an exit at `bye`. It waits for
// its input by asking again at once rather than sleeping, as a controller that must answer fast
// may; with VARDECK_ECHO_SLEEPS set it blocks in read instead.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool say(const char* text) {
    const std::size_t size = std::strlen(text);
    return ::write(STDOUT_FILENO, text, size) == static_cast<ssize_t>(size);
}

}  // namespace

int main() {
    const bool sleeps = std::getenv("VARDECK_ECHO_SLEEPS") != nullptr;
    if (!sleeps) ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    static char buffer[65536];
    std::size_t begin = 0, end = 0;
    for (;;) {
        char* newline = static_cast<char*>(std::memchr(buffer + begin, '\n', end - begin));
        if (!newline) {
            if (begin > 0) {
                std::memmove(buffer, buffer + begin, end - begin);
                end -= begin;
                begin = 0;
            }
            if (end == sizeof buffer) return 1;
            const ssize_t got = ::read(STDIN_FILENO, buffer + end, sizeof buffer - end);
            if (got > 0) {
                end += std::size_t(got);
            } else if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                sched_yield();
            } else {
                return 0;
            }
            continue;
        }
        const char* line = buffer + begin;
        begin = std::size_t(newline - buffer) + 1;
        if (std::strncmp(line, "step", 4) == 0) {
            if (!say("- - -\n")) return 1;
        } else if (std::strncmp(line, "hello", 5) == 0) {
            if (!say("ready\n")) return 1;
        } else if (std::strncmp(line, "bye", 3) == 0) {
            return 0;
        }
    }
}
