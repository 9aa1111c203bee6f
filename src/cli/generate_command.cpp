#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "io/atomic_file.h"
#include "model/building.h"
#include "record/press_recorder.h"
#include "study/input_error.h"
#include "study/study_profile.h"
#include "study/traffic_generator.h"

namespace vardeck::cli {

using namespace study;

namespace {

const char* const kGenerateUsage =
    "Usage: vardeck-cli generate --profile up-peak|down-peak|inter-floor|lunch\n"
    "                            --steps N --calls K [--seed S]\n"
    "                            [--no-destination-share P] -o FILE.but\n"
    "\n"
    "Writes a press-sequence file of random traffic that the window's\n"
    "Record > Open and 'vardeck-cli run --play' or 'compare --play' replay.\n"
    "Each caller presses a hall button and, on boarding, the car buttons of\n"
    "one to three destinations in the direction of the call. Calls and\n"
    "destinations use only the floors that take calls in the window: 1, 8,\n"
    "9, 10, 13, 16 to 22 and 24 to 28.\n"
    "\n"
    "Arrivals: exactly K calls, each at an independent, uniformly random step\n"
    "in 0..N-1 (the arrival times of a Poisson process of K calls over N\n"
    "steps). A caller whose step, floor and direction are already taken\n"
    "presses in the next free step; one that finds no free step up to N-1 is\n"
    "dropped. The file keeps the callers in step order.\n"
    "\n"
    "Options:\n"
    "  --profile NAME   the kind of traffic:\n"
    "                     up-peak      8 in 10 callers go up from floor 1,\n"
    "                                  the rest as inter-floor\n"
    "                     down-peak    8 in 10 callers go down to floor 1\n"
    "                                  from the floors above, the rest as\n"
    "                                  inter-floor\n"
    "                     inter-floor  from any floor to any other,\n"
    "                                  uniformly\n"
    "                     lunch        4 in 10 go to the common floor 13,\n"
    "                                  4 in 10 leave it, 1 in 10 go up from\n"
    "                                  floor 1, 1 in 10 down to it\n"
    "  --steps N        length of the traffic in steps, 1 to 100000000\n"
    "  --calls K        number of callers, 0 to 1000000\n"
    "  --seed S         seed of the random numbers, 0 to 4294967295\n"
    "                   (default 1); the same seed and options give the same\n"
    "                   file on every machine\n"
    "  --no-destination-share P\n"
    "                   share of callers, 0 to 1, who press no car button at\n"
    "                   all (default 0); only their calls are scored by the\n"
    "                   efficiency criterion on playback. Changing P keeps\n"
    "                   the calls and drops destinations only.\n"
    "  -o, --output FILE.but\n"
    "                   the file to write (replaced only when written\n"
    "                   completely)\n"
    "\n"
    "On success one line on stdout tells how many callers were written, moved\n"
    "and dropped.\n";

}  // namespace

int generateCommand(Arguments& args) {
    TrafficOptions options;
    StudyProfile profile;
    bool haveProfile = false, haveSteps = false, haveCalls = false;
    std::string output;
    while (!args.done()) {
        const std::string option = args.take();
        if (option == "--help" || option == "-h") {
            std::fputs(kGenerateUsage, stdout);
            return 0;
        } else if (option == "--profile") {
            const std::string name = args.value(option);
            try {
                profile = studyProfileNamed(name);
            } catch (const InputError& error) {
                throw UsageError{error.message};
            }
            options.profile = profile.periods.front().profile;
            if (profile.isDay()) options.periods = profile.periods;
            haveProfile = true;
        } else if (option == "--steps") {
            options.steps = static_cast<int>(args.integer(option, 1, 100'000'000));
            haveSteps = true;
        } else if (option == "--calls") {
            options.calls = static_cast<int>(args.integer(option, 0, 1'000'000));
            haveCalls = true;
        } else if (option == "--seed") {
            options.seed = static_cast<std::uint32_t>(args.integer(option, 0, 4294967295LL));
        } else if (option == "--no-destination-share") {
            const double share = args.number(option);
            if (share < 0 || share > 1)
                throw UsageError{option + " wants a share from 0 to 1, not " +
                                 std::to_string(share)};
            options.noDestinationShare = share;
        } else if (option == "-o" || option == "--output") {
            output = args.value(option);
            if (output.empty()) throw UsageError{option + " needs a file name"};
        } else {
            throw UsageError{"unknown option '" + option + "' (try vardeck-cli generate --help)"};
        }
    }
    if (!haveProfile) throw UsageError{"--profile is required (try vardeck-cli generate --help)"};
    if (!haveSteps) throw UsageError{"--steps is required (try vardeck-cli generate --help)"};
    if (!haveCalls) throw UsageError{"--calls is required (try vardeck-cli generate --help)"};
    if (output.empty())
        throw UsageError{"-o FILE.but is required (try vardeck-cli generate --help)"};

    GeneratedTraffic traffic = generateTraffic(options);

    // Saved by the recorder itself, so the file is exactly what the window would write.
    Building building;
    PressRecorder recorder(building);
    recorder.setEntries(std::move(traffic.entries));
    if (!recorder.save(output)) {
        std::fprintf(stderr, "vardeck-cli generate: cannot write '%s': %s\n", output.c_str(),
                     saveErrorText(errno).c_str());
        return 1;
    }
    std::printf("%s: %zu calls (%s, %d steps, seed %u), %d moved to a later step, %d dropped\n",
                output.c_str(), recorder.entries().size(), profile.name.c_str(), options.steps,
                static_cast<unsigned>(options.seed), traffic.moved, traffic.dropped);
    return 0;
}

}  // namespace vardeck::cli
