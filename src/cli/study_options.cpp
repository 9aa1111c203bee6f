#include "cli/study_options.h"

#include <algorithm>
#include <iterator>
#include <thread>

#include "cli/option_table.h"
#include "cli/study_usage.h"
#include "study/plan_check.h"
#include "study/system_choice.h"

namespace vardeck::cli {

using namespace study;

namespace {

template <typename F>
auto planValue(F parse) {
    try {
        return parse();
    } catch (const StudyError& error) {
        throw UsageError{error.message};
    }
}

void takeMergeFolders(Arguments& args, const std::string&, StudyOptions& o) {
    while (!args.done()) {
        std::string dir = args.take();
        if (!dir.empty() && dir[0] == '-') {
            args.putBack();
            break;
        }
        o.merge.push_back(std::move(dir));
    }
    if (o.merge.empty()) throw UsageError{"--merge needs the shards' folders"};
}

const OptionTable<StudyOptions> kStudyOptions{
    "study", kStudyUsage,
    withControllerRules<StudyOptions>(
        {{"--profiles", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              const std::string list = args.value(option);
              o.plan.profiles = planValue([&] { return parseProfileList(list); });
          }},
         {"--demands", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              const std::string list = args.value(option);
              o.plan.demands = planValue([&] { return parseDemandList(list); });
          }},
         {"--seeds", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.plan.seeds =
                  static_cast<std::size_t>(args.integer(option, kMinStudySeeds, kMaxStudySeeds));
          }},
         {"--first-seed", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.plan.firstSeed = static_cast<std::uint32_t>(args.integer(option, 0, kMaxSeed));
          }},
         {"--steps", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.plan.steps = static_cast<int>(args.integer(option, 1, kMaxTrafficSteps));
          }},
         {"--no-destination-share", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.plan.noDestinationShare = args.share(option);
          }},
         {"--systems", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.systems = args.value(option);
          }},
         {"--baseline", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.baseline = args.value(option);
          }},
         {"--long-wait", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.plan.longWait = static_cast<int>(args.integer(option, 0, kMaxLongWait));
          }},
         {"--jobs", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.jobs = static_cast<unsigned>(args.integer(option, 1, 1024));
          }},
         {"--shard", nullptr,
          [](Arguments& args, const std::string& option, StudyOptions& o) {
              const std::string text = args.value(option);
              o.shard = planValue([&] { return parseShard(text); });
          }},
         {"--calls", nullptr,
          [](Arguments&, const std::string&, StudyOptions& o) { o.plan.calls = true; }},
         {"--merge", nullptr, takeMergeFolders},
         {"-o", "--output", [](Arguments& args, const std::string& option, StudyOptions& o) {
              o.output = args.nonEmpty(option, "a folder");
          }}})};

// What --merge takes beside the shards' folders; everything else describes a study, which the
// shards tell themselves.
bool goesWithMerge(const OptionRule<StudyOptions>& rule) {
    const std::string name = rule.name;
    return name == "--merge" || name == "-o" || name == "--jobs";
}

}  // namespace

std::optional<StudyOptions> readStudyOptions(Arguments& args) {
    StudyOptions o;
    o.plan.profiles.assign(std::begin(kTrafficProfiles), std::end(kTrafficProfiles));
    o.plan.demands = {5, 10, 20, 40, 80};
    o.plan.systems = {SystemKind::Schedule, SystemKind::Neuro, SystemKind::Adaptive};
    o.jobs = std::max(1u, std::thread::hardware_concurrency());
    std::vector<const OptionRule<StudyOptions>*> taken;
    if (!kStudyOptions.read(args, o, &taken)) return std::nullopt;
    if (o.output.empty()) throw kStudyOptions.missing("-o DIR");
    if (!o.merge.empty()) {
        if (!std::all_of(taken.begin(), taken.end(),
                         [](auto* rule) { return goesWithMerge(*rule); }))
            throw UsageError{"--merge takes only the shards' folders and -o DIR"};
        return o;
    }
    const std::vector<std::string> names = o.controllers.names();
    if (!o.systems.empty())
        o.plan.systems = planValue([&] { return parseStudySystems(o.systems, names); });
    if (!o.baseline.empty()) o.plan.baseline = parseSystemName(o.baseline, names);
    for (const auto& controller : o.controllers.controllers)
        if (std::count(o.plan.systems.begin(), o.plan.systems.end(),
                       parseSystemName(controller.name, names)) != 0)
            o.plan.controllers.push_back(controller);
    if (const auto problem = planProblem(o.plan)) throw UsageError{problem->message};
    return o;
}

}  // namespace vardeck::cli
