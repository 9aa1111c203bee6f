// The least a controller can be, to measure what the line exchange itself costs: `ready` to
// `hello`, `- - -` to every step, nothing to any other line, and an exit at `bye`.
#include <cstdio>
#include <cstring>

int main() {
    static char line[8192];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "step", 4) == 0) {
            std::fputs("- - -\n", stdout);
        } else if (std::strncmp(line, "hello", 5) == 0) {
            std::fputs("ready\n", stdout);
        } else if (std::strncmp(line, "bye", 3) == 0) {
            return 0;
        } else {
            continue;
        }
        std::fflush(stdout);
    }
    return 0;
}
