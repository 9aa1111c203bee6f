#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/option_table.h"
#include "cli/write_failure.h"
#include "io/atomic_file.h"
#include "model/building.h"
#include "record/press_recorder.h"
#include "study/input_error.h"
#include "study/limits.h"
#include "study/study_profile.h"
#include "study/traffic_generator.h"

namespace vardeck::cli {

using namespace study;

namespace {

const char* const kGenerateUsage =
    "Usage: vardeck-cli generate --profile up-peak|down-peak|inter-floor|\n"
    "                                      lunch|day|FILE.day\n"
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
    "dropped. The file keeps the callers in step order. In a day profile a\n"
    "step's chance of a call is in proportion to the weight of its period.\n"
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
    "                     day          an office day in five periods, each\n"
    "                                  its share of the steps and weight of\n"
    "                                  demand (shares x weights make 1, so\n"
    "                                  the demand is the day's mean):\n"
    "                                    morning up-peak        0.15  2\n"
    "                                    inter-floor            0.25  0.4\n"
    "                                    lunch                  0.20  1\n"
    "                                    afternoon inter-floor  0.25  0.4\n"
    "                                    evening down-peak      0.15  2\n"
    "                                  after the classic office day of\n"
    "                                  traffic analysis (morning arrivals,\n"
    "                                  lunch, evening departures); the\n"
    "                                  figures are this program's choice\n"
    "                     FILE.day     your own day: a line per period,\n"
    "                                  PROFILE SHARE WEIGHT (shares are\n"
    "                                  relative, weights 0 or more; '#'\n"
    "                                  starts a comment)\n"
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

struct GenerateOptions {
    TrafficOptions traffic;
    StudyProfile profile;
    bool haveProfile = false, haveSteps = false, haveCalls = false;
    std::string output;
};

const OptionTable<GenerateOptions> kGenerateOptions{
    "generate",
    kGenerateUsage,
    {{"--profile", nullptr,
      [](Arguments& args, const std::string& option, GenerateOptions& o) {
          const std::string name = args.value(option);
          try {
              o.profile = studyProfileNamed(name);
          } catch (const InputError& error) {
              throw UsageError{error.message};
          }
          o.traffic.profile = o.profile.periods.front().profile;
          if (o.profile.isDay()) o.traffic.periods = o.profile.periods;
          o.haveProfile = true;
      }},
     {"--steps", nullptr,
      [](Arguments& args, const std::string& option, GenerateOptions& o) {
          o.traffic.steps = static_cast<int>(args.integer(option, 1, kMaxTrafficSteps));
          o.haveSteps = true;
      }},
     {"--calls", nullptr,
      [](Arguments& args, const std::string& option, GenerateOptions& o) {
          o.traffic.calls = static_cast<int>(args.integer(option, 0, kMaxTrafficCalls));
          o.haveCalls = true;
      }},
     {"--seed", nullptr,
      [](Arguments& args, const std::string& option, GenerateOptions& o) {
          o.traffic.seed = static_cast<std::uint32_t>(args.integer(option, 0, kMaxSeed));
      }},
     {"--no-destination-share", nullptr,
      [](Arguments& args, const std::string& option, GenerateOptions& o) {
          o.traffic.noDestinationShare = args.share(option);
      }},
     {"-o", "--output", takeFileName<&GenerateOptions::output>}}};

}  // namespace

int generateCommand(Arguments& args) {
    GenerateOptions o;
    if (!kGenerateOptions.read(args, o)) return 0;
    if (!o.haveProfile) throw kGenerateOptions.missing("--profile");
    if (!o.haveSteps) throw kGenerateOptions.missing("--steps");
    if (!o.haveCalls) throw kGenerateOptions.missing("--calls");
    if (o.output.empty()) throw kGenerateOptions.missing("-o FILE.but");
    const TrafficOptions& options = o.traffic;
    const std::string& output = o.output;

    GeneratedTraffic traffic = generateTraffic(options);

    // Saved by the recorder itself, so the file is exactly what the window would write.
    Building building;
    PressRecorder recorder(building);
    recorder.setEntries(std::move(traffic.entries));
    if (!recorder.save(output)) {
        return cannotWriteFile("generate", output, errno);
    }
    std::printf("%s: %zu calls (%s, %d steps, seed %u), %d moved to a later step, %d dropped\n",
                output.c_str(), recorder.entries().size(), o.profile.name.c_str(), options.steps,
                static_cast<unsigned>(options.seed), traffic.moved, traffic.dropped);
    return 0;
}

}  // namespace vardeck::cli
