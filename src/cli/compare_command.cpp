#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/controller_options.h"
#include "cli/interrupt_guard.h"
#include "cli/option_table.h"
#include "cli/recording_file.h"
#include "cli/write_failure.h"
#include "control/controller_error.h"
#include "control/controller_session.h"
#include "io/atomic_file.h"
#include "io/text_scanner.h"
#include "model/building.h"
#include "record/press_recorder.h"
#include "study/comma_list.h"
#include "study/compare_row.h"
#include "study/fixed_ksu_image.h"
#include "study/network_check.h"
#include "study/service_meter.h"
#include "study/svg_chart.h"
#include "study/system_choice.h"
#include "study/system_palette.h"

namespace vardeck::cli {

using namespace study;

namespace {

const char* const kCompareUsage =
    "Usage: vardeck-cli compare --play FILE.but [--steps N] [--systems LIST]\n"
    "                           [--csv] [--long-wait L] [--plot FILE.svg]\n"
    "                           [--controller NAME=COMMAND]...\n"
    "                           [--controller-timeout S]\n"
    "\n"
    "Replays one press-sequence file under several control systems, each in\n"
    "a fresh simulation started as 'vardeck-cli run --play' starts\n"
    "(vardeck.cfg read over the defaults, the recording loaded and played,\n"
    "the system chosen and reset), and prints one row of service measures per\n"
    "system. Nothing is written: the settings the systems change stay in\n"
    "memory, so every system starts from the same vardeck.cfg. The neuro\n"
    "system runs with solver.img loaded (as after pressing Solver Load); the\n"
    "adaptive system loads its numbered image solver.img.000 to .100 and\n"
    "teacher.img itself. A system whose network images are missing or cannot\n"
    "be loaded is refused before any run (exit 2), as 'study' refuses it.\n"
    "\n"
    "Options:\n"
    "  --play FILE.but  the recording to replay (required)\n"
    "  --steps N        steps per system, 1 to 50000000 (default: the last\n"
    "                   recorded step + 1 + 200, so the car has 200 steps to\n"
    "                   finish the traffic; at most 10000000)\n"
    "  --systems LIST   comma-separated systems in the order of the rows,\n"
    "                   each at most once (default: schedule,neuro,adaptive;\n"
    "                   neuro-ahead and adaptive-ahead run with\n"
    "                   solver-ahead.img and its numbered images; neuro@K\n"
    "                   and neuro-ahead@K with the image of KSU K alone,\n"
    "                   refused at once when it is missing; a\n"
    "                   --controller's NAME is a system too)\n"
    "  --csv            comma-separated values with a header line instead of\n"
    "                   a table; a measure that has no value is left empty\n"
    "                   (the table shows '-')\n"
    "  --long-wait L    a passenger who waits more than L steps waits long\n"
    "                   (default 60)\n"
    "  --plot FILE.svg  also draw the efficiency samples of every system over\n"
    "                   the steps\n" VARDECK_CONTROLLER_USAGE
    "\n"
    "A controller's run is labelled with the recording's file name, and its\n"
    "stderr goes to stderr as `NAME: line`.\n"
    "\n"
    "Columns (times in steps). Waits are counted two ways: per passenger\n"
    "(pax_*), every recorded caller from their own press to boarding, whether\n"
    "the lamp was lit already or not; and per lamp (calls to still_waiting),\n"
    "one wait per lit hall lamp, so that a caller who finds the lamp lit is\n"
    "not counted there. Per passenger is what the callers live through.\n"
    "  system          the control system\n"
    "  steps           steps run\n"
    "  samples         efficiency samples taken\n"
    "  eff_mean        their mean\n"
    "  floors          floors travelled by the car\n"
    "  openings        times the doors went from closed to open\n"
    "  calls           hall calls made (presses that lit a lamp; up at 28 and\n"
    "                  down at 1 light nothing and are not counted)\n"
    "  answered        hall calls answered\n"
    "  wait_mean       waiting time from a hall press to its answer: mean (a\n"
    "  wait_p95        call answered in the step of its press waits 0), 95th\n"
    "  wait_max        percentile (nearest rank), longest, and mean of the\n"
    "  wait_sq_mean    squares\n"
    "  boarded         recorded callers with destinations who boarded the car\n"
    "  dest_reached    their destinations reached (the doors opened there\n"
    "                  after boarding)\n"
    "  dest_time_mean  mean time from the caller's hall press to that opening\n"
    "  still_waiting   hall lamps still lit at the end\n"
    "  pax             passengers: recorded callers pressed during the run\n"
    "                  (steps 0 to N-1)\n"
    "  pax_wait_mean   wait from the caller's press to the step the car takes\n"
    "  pax_wait_p95    them on board: mean, 95th percentile (nearest rank) and\n"
    "  pax_wait_max    longest; a passenger not on board when the run ends\n"
    "                  counts as waiting until its end\n"
    "  pax_long_share  share of passengers who waited more than L steps\n"
    "  pax_journey_mean\n"
    "                  press to the first opening at one of the caller's\n"
    "                  destinations, for the callers who arrived\n"
    "  pax_wrong_way   passengers carried at least one floor away from every\n"
    "                  destination of theirs\n"
    "  pax_unserved    passengers not on board when the run ends\n"
    "\n"
    "The efficiency criterion scores only calls made while the system is idle\n"
    "(no other call and no car button pending). On playback a caller's\n"
    "destinations light as soon as the car stands at the caller's floor going\n"
    "the caller's way, before the doors open, which cancels the score; so\n"
    "mostly recorded calls without destinations give samples (see 'generate\n"
    "--no-destination-share'). The other measures score every call, busy\n"
    "traffic too.\n";

constexpr long long kMaxSteps = 50'000'000;

// Steps that play the whole recording and leave the car time to finish.
long long defaultSteps(const PressEntries& entries) {
    const long long steps = defaultRunSteps(entries, kDefaultStepCap);
    if (lastRecordedStep(entries) + 1 + kStepsAfterTraffic > kDefaultStepCap)
        std::fprintf(stderr,
                     "vardeck-cli compare: the recording runs to step %lld; running the first %lld "
                     "steps (--steps runs more)\n",
                     lastRecordedStep(entries), kDefaultStepCap);
    return steps;
}

void printCsv(const std::vector<std::vector<std::string>>& rows) {
    for (const auto& row : rows) std::printf("%s\n", joinList(row, ",").c_str());
}

// Names to the left, numbers to the right, columns two spaces apart.
void printTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(compareColumns().size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::string pad(widths[i] - row[i].size(), ' ');
            if (i > 0) line += "  ";
            line += i == 0 ? row[i] + pad : pad + row[i];
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    }
}

// The efficiency samples, then what the passengers waited.
std::string legendNote(const ServiceReport& r) {
    std::string note = std::to_string(r.samples.size()) + " samples";
    char text[96];
    if (const auto mean = r.efficiencyMean()) {
        std::snprintf(text, sizeof text, ", mean %.3f", *mean);
        note += text;
    }
    const PassengerSummary& p = r.passengers;
    if (p.waitMean) {
        std::snprintf(text, sizeof text, "\npassengers wait %.1f\n(p95 %d, max %d)", *p.waitMean,
                      *p.waitPercentile95, *p.waitLongest);
        note += text;
    }
    return note;
}

bool writePlot(const std::string& path, const std::string& recording, long long steps,
               const std::vector<ServiceReport>& reports) {
    SvgChart chart;
    chart.title = "Efficiency samples of " + recording;
    chart.xLabel = "step";
    chart.yLabel = "efficiency";
    chart.xMin = 0;
    chart.xMax = double(steps);
    chart.yMin = 0;
    chart.yMax = 1;
    std::vector<std::string> names;
    for (const ServiceReport& r : reports) names.push_back(r.system.name());
    const std::vector<std::string> colours = systemColours(names);
    for (const ServiceReport& r : reports) {
        SvgSeries series{r.system.name(), legendNote(r), colours[chart.series.size()], {}};
        series.points.reserve(r.samples.size());
        for (const EfficiencySample& s : r.samples)
            series.points.push_back({double(s.step), s.value});
        chart.series.push_back(std::move(series));
    }
    const std::string svg = renderSvgChart(chart);
    return writeTextFile(path, svg);
}

struct CompareOptions {
    std::string play, plot;
    long long steps = -1;
    int longWait = kDefaultLongWait;
    bool csv = false;
    std::vector<SystemChoice> kinds = {SystemKind::Schedule, SystemKind::Neuro,
                                       SystemKind::Adaptive};
    std::string systems;  // as given, resolved once the controllers are known
    ControllerOptions controllers;
};

const OptionTable<CompareOptions> kCompareOptions{
    "compare", kCompareUsage,
    withControllerRules<CompareOptions>(
        {{"--play", nullptr, takeText<&CompareOptions::play>},
         {"--steps", nullptr,
          [](Arguments& args, const std::string& option, CompareOptions& o) {
              o.steps = args.integer(option, 1, kMaxSteps);
          }},
         {"--systems", nullptr, takeText<&CompareOptions::systems>},
         {"--long-wait", nullptr,
          [](Arguments& args, const std::string& option, CompareOptions& o) {
              o.longWait = static_cast<int>(args.integer(option, 0, kMaxLongWait));
          }},
         {"--csv", nullptr, takeFlag<&CompareOptions::csv>},
         {"--plot", nullptr, takeFileName<&CompareOptions::plot>}})};

}  // namespace

int compareCommand(Arguments& args) {
    CompareOptions o;
    if (!kCompareOptions.read(args, o)) return 0;
    if (o.play.empty()) throw kCompareOptions.missing("--play FILE.but");
    if (!o.systems.empty()) o.kinds = parseSystemList(o.systems, o.controllers.names());
    long long steps = o.steps;
    if (const std::string problem = fixedKsuProblem(o.kinds); !problem.empty())
        throw UsageError{problem};
    checkRecording(o.play);
    // A system without its networks would stand still and serve no one: refuse it at once.
    if (const std::string problem = networkProblem(o.kinds); !problem.empty())
        throw UsageError{problem};
    const PressEntries recording = loadRecording(o.play);
    if (steps < 0) steps = defaultSteps(recording);

    std::vector<ServiceReport> reports;
    const bool controllers = std::any_of(o.kinds.begin(), o.kinds.end(),
                                         [](const SystemChoice& s) { return s.isController(); });
    const int code =
        withControllers("compare", o.controllers, controllers, [&](ControllerSet& set) {
            for (const SystemChoice& kind : o.kinds) {
                // Ctrl-C, which the controllers' runs notice themselves, ends the others too.
                if (InterruptGuard::stop().load()) throw ControllerError("stopped", true);
                ControllerSession* controller =
                    kind.isController() ? &set.session(kind.controller) : nullptr;
                reports.push_back(measureService(recording, kind, steps, false, o.longWait,
                                                 controller, controllerLabel(o.play)));
                const ServiceReport& r = reports.back();
                if (r.messages > 0)
                    std::fprintf(
                        stderr,
                        "vardeck-cli compare: %s: %lld messages, the first at step %d: %s\n",
                        kind.name().c_str(), r.messages, r.firstMessageStep,
                        r.firstMessage.c_str());
            }
            return 0;
        });
    if (code != 0) return code;

    std::vector<std::vector<std::string>> rows = {compareColumns()};
    for (const ServiceReport& r : reports) rows.push_back(compareRowCells(r, o.csv));
    if (o.csv)
        printCsv(rows);
    else
        printTable(rows);
    std::fflush(stdout);

    if (!o.plot.empty() && !writePlot(o.plot, o.play, steps, reports)) {
        return cannotWriteFile("compare", o.plot, errno);
    }
    return 0;
}

}  // namespace vardeck::cli
