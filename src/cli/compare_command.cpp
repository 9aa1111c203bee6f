#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/compare_row.h"
#include "cli/recording_file.h"
#include "cli/service_meter.h"
#include "cli/svg_chart.h"
#include "cli/system_names.h"
#include "io/atomic_file.h"
#include "model/building.h"
#include "record/press_recorder.h"

namespace vardeck::cli {

namespace {

const char* const kCompareUsage =
    "Usage: vardeck-cli compare --play FILE.but [--steps N] [--systems LIST] [--csv]\n"
    "                           [--plot FILE.svg]\n"
    "\n"
    "Replays one press-sequence file under several control systems, each in a fresh\n"
    "simulation started as 'vardeck-cli run --play' starts (vardeck.cfg read over the\n"
    "defaults, the recording loaded and played, the system chosen and reset), and prints\n"
    "one row of service measures per system. Nothing is written: the settings the systems\n"
    "change stay in memory, so every system starts from the same vardeck.cfg. The neuro\n"
    "system runs with solver.img loaded (as after pressing Solver Load); the adaptive system\n"
    "loads its numbered image solver.img.000 to .100 and teacher.img itself.\n"
    "\n"
    "Options:\n"
    "  --play FILE.but  the recording to replay (required)\n"
    "  --steps N        steps per system, 1 to 50000000 (default: the last recorded step\n"
    "                   + 1 + 200, so the car has 200 steps to finish the traffic; at most\n"
    "                   10000000)\n"
    "  --systems LIST   comma-separated systems in the order of the rows, each at most\n"
    "                   once (default: schedule,neuro,adaptive; neuro-ahead and\n"
    "                   adaptive-ahead run with solver-ahead.img and its numbered images)\n"
    "  --csv            comma-separated values with a header line instead of a table;\n"
    "                   a measure that has no value is left empty (the table shows '-')\n"
    "  --plot FILE.svg  also draw the efficiency samples of every system over the steps\n"
    "\n"
    "Columns (times in steps):\n"
    "  system          the control system\n"
    "  steps           steps run\n"
    "  samples         efficiency samples taken\n"
    "  eff_mean        their mean\n"
    "  floors          floors travelled by the car\n"
    "  openings        times the doors went from closed to open\n"
    "  calls           hall calls made (presses that lit a lamp; up at 28 and down at 1\n"
    "                  light nothing and are not counted)\n"
    "  answered        hall calls answered\n"
    "  wait_mean       waiting time from a hall press to its answer: mean (a call answered\n"
    "  wait_p95        in the step of its press waits 0), 95th percentile (nearest rank),\n"
    "  wait_max        longest, and mean of the squares\n"
    "  wait_sq_mean\n"
    "  boarded         recorded callers with destinations who boarded the car\n"
    "  dest_reached    their destinations reached (the doors opened there after boarding)\n"
    "  dest_time_mean  mean time from the caller's hall press to that opening\n"
    "  still_waiting   hall lamps still lit at the end\n"
    "\n"
    "The efficiency criterion scores only calls made while the system is idle (no other\n"
    "call and no car button pending). On playback a caller's destinations light as soon as\n"
    "the car stands at the caller's floor going the caller's way, before the doors open,\n"
    "which cancels the score; so mostly recorded calls without destinations give samples\n"
    "(see 'generate --no-destination-share'). The other measures score every call, busy\n"
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
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            std::printf("%s%s", i ? "," : "", row[i].c_str());
        std::printf("\n");
    }
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

std::string legendNote(const ServiceReport& r) {
    std::string note = std::to_string(r.samples.size()) + " samples";
    if (const auto mean = r.efficiencyMean()) {
        char text[32];
        std::snprintf(text, sizeof text, ", mean %.3f", *mean);
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
    for (const ServiceReport& r : reports) {
        SvgSeries series{systemName(r.kind), legendNote(r), {}};
        series.points.reserve(r.samples.size());
        for (const EfficiencySample& s : r.samples)
            series.points.push_back({double(s.step), s.value});
        chart.series.push_back(std::move(series));
    }
    const std::string svg = renderSvgChart(chart);
    return writeFileAtomically(path, [&svg](std::FILE* file) {
        return std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    });
}

}  // namespace

int compareCommand(Arguments& args) {
    std::string play, plot;
    long long steps = -1;
    bool csv = false;
    std::vector<SystemKind> kinds = {SystemKind::Schedule, SystemKind::Neuro, SystemKind::Adaptive};
    while (!args.done()) {
        const std::string option = args.take();
        if (option == "--help" || option == "-h") {
            std::fputs(kCompareUsage, stdout);
            return 0;
        } else if (option == "--play") {
            play = args.value(option);
        } else if (option == "--steps") {
            steps = args.integer(option, 1, kMaxSteps);
        } else if (option == "--systems") {
            kinds = parseSystemList(args.value(option));
        } else if (option == "--csv") {
            csv = true;
        } else if (option == "--plot") {
            plot = args.value(option);
            if (plot.empty()) throw UsageError{"--plot needs a file name"};
        } else {
            throw UsageError{"unknown option '" + option + "' (try vardeck-cli compare --help)"};
        }
    }
    if (play.empty())
        throw UsageError{"--play FILE.but is required (try vardeck-cli compare --help)"};
    checkRecording(play);
    const PressEntries recording = loadRecording(play);
    if (steps < 0) steps = defaultSteps(recording);

    std::vector<ServiceReport> reports;
    for (SystemKind kind : kinds) {
        reports.push_back(measureService(recording, kind, steps));
        const ServiceReport& r = reports.back();
        if (r.messages > 0)
            std::fprintf(stderr,
                         "vardeck-cli compare: %s: %lld messages, the first at step %d: %s\n",
                         systemName(kind), r.messages, r.firstMessageStep, r.firstMessage.c_str());
    }

    std::vector<std::vector<std::string>> rows = {compareColumns()};
    for (const ServiceReport& r : reports) rows.push_back(compareRowCells(r, csv));
    if (csv)
        printCsv(rows);
    else
        printTable(rows);
    std::fflush(stdout);

    if (!plot.empty() && !writePlot(plot, play, steps, reports)) {
        std::fprintf(stderr, "vardeck-cli compare: cannot write '%s'\n", plot.c_str());
        return 1;
    }
    return 0;
}

}  // namespace vardeck::cli
