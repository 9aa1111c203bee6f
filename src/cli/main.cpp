#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/write_failure.h"
#include "study/version.h"

namespace {

const char* const kUsage =
    "Usage: vardeck-cli COMMAND [OPTIONS]\n"
    "\n"
    "Runs the Vardeck elevator simulation without a window, in the current\n"
    "directory, with the files the program uses there (vardeck.cfg,\n"
    "solver.img, ...).\n"
    "\n"
    "Commands:\n"
    "  run            run the simulation and print its events\n"
    "  train          train the solver or the teacher network from a pattern\n"
    "                 file\n"
    "  make-patterns  write solver training patterns for a parking\n"
    "                 coefficient KSU\n"
    "  generate       write a press-sequence file of realistic traffic\n"
    "  compare        replay one press-sequence file under several systems\n"
    "                 side by side\n"
    "  study          compare the systems over many traffic seeds, with\n"
    "                 confidence intervals\n"
    "\n"
    "vardeck-cli COMMAND --help explains the options of a command.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n";

// Every command ends here: output that did not reach stdout (a full disk, a closed pipe) is a
// failed write, whatever the command itself thought.
int checkedOutput(const std::string& name, int code) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout)) return code;
    const int failed =
        vardeck::cli::cannotWrite(name, "the output", flushed ? "" : std::strerror(errno));
    return code != 0 ? code : failed;
}

int runNamed(const std::string& name, vardeck::cli::Arguments& args) {
    using namespace vardeck::cli;
    if (name == "run") return runCommand(args);
    if (name == "train") return trainCommand(args);
    if (name == "make-patterns") return makePatternsCommand(args);
    if (name == "generate") return generateCommand(args);
    if (name == "compare") return compareCommand(args);
    if (name == "study") return studyCommand(args);
    throw UsageError{"unknown command '" + name + "' (try vardeck-cli --help)"};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vardeck::cli;
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::fputs(kUsage, words.empty() ? stderr : stdout);
        return checkedOutput("", words.empty() ? 2 : 0);
    }
    if (words[0] == "--version") {
        std::printf("vardeck-cli %s\n", vardeck::study::kProgramVersion);
        return checkedOutput("", 0);
    }
    const std::string name = words[0];
    Arguments args(std::vector<std::string>(words.begin() + 1, words.end()));
    try {
        return checkedOutput(name, runNamed(name, args));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "vardeck-cli %s: %s\n", name.c_str(), error.message.c_str());
        return 2;
    }
}
