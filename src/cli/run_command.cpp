#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/controller_options.h"
#include "cli/option_table.h"
#include "cli/recording_file.h"
#include "cli/write_failure.h"
#include "control/controller_control_system.h"
#include "control/controller_session.h"
#include "sim/simulation.h"
#include "study/fixed_ksu_image.h"
#include "study/system_choice.h"

namespace vardeck::cli {

using namespace study;

namespace {

const char* const kRunUsage =
    "Usage: vardeck-cli run [--system NAME] [--steps N] [--trace]\n"
    "                       [--play FILE.but] [--load-solver]\n"
    "                       [--save-settings] [--controller NAME=COMMAND]...\n"
    "                       [--controller-timeout S]\n"
    "\n"
    "Starts as the window does (vardeck.cfg read over the defaults, the\n"
    "start-up system reset), then makes the chosen system current and resets\n"
    "as choosing it does, and runs N steps. One line per event on stdout:\n"
    "  sample STEP FLOOR DIR VALUE\n"
    "      an efficiency sample of the hall call at FLOOR answered (DIR 1 up,\n"
    "      0 down: the hall call's codes, not the car's of 'step')\n"
    "  adapt STEP trend T decision D ksu K\n"
    "      an adaptation check of the adaptive system: trend T of the\n"
    "      efficiency 1 fell, 2 steady (within the threshold), 3 rose; the\n"
    "      teacher's decision D 1 decrease KSU, 2 keep, 3 increase, 0 none\n"
    "      (an answer that means none of them); K the KSU after it\n"
    "  step STEP floor F door D last L dir R travel T up U down W car C\n"
    "      the car and the lamps after a step (with --trace); last move L\n"
    "      and direction R 0 none, 1 up, 2 down\n"
    "  summary steps N samples K mean M travel T\n"
    "      at the end\n"
    "\n"
    "Options:\n"
    "  --system NAME    the control system to run (default: adaptive):\n"
    "                   schedule, neuro or adaptive, as in the window, or\n"
    "                   neuro-ahead or adaptive-ahead, which see the\n"
    "                   look-ahead state (solver-ahead.pat and\n"
    "                   solver-ahead.img*), neuro@K or neuro-ahead@K, held\n"
    "                   to the image of KSU K from 0 to 1 (solver.img.NNN or\n"
    "                   solver-ahead.img.NNN, loaded at the start and\n"
    "                   refused when missing), or the NAME of a --controller.\n"
    "                   Unlike compare and study, run checks no other\n"
    "                   network: as in the window, a neuro system keeps the\n"
    "                   untrained network it starts with, and the car stands\n"
    "                   still, until --load-solver loads one\n"
    "  --steps N        number of steps (default 1000)\n"
    "  --trace          print the car and the lamps after every step\n"
    "  --play FILE.but  load a press-sequence file and play it back\n"
    "  --load-solver    after the reset, load solver.img as the Solver Load\n"
    "                   button does (solver-ahead.img for the look-ahead\n"
    "                   systems)\n"
    "  --save-settings  write vardeck.cfg at the end, as closing the window\n"
    "                   does\n" VARDECK_CONTROLLER_USAGE
    "\n"
    "A controller's run is labelled with the --play file's name (`run -`\n"
    "without one), and its stderr goes to stderr as `NAME: line`.\n";

// Prints the simulation's events as they happen.
class EventPrinter : public UserInterface {
public:
    explicit EventPrinter(Simulation& sim) : sim_(sim) {}

    void efficiencySampleTaken(int floor, int direction) override {
        const double value = sim_.lastEfficiency();
        ++samples;
        sum += value;
        std::printf("sample %d %d %d %.6f\n", sim_.stepCounter, floor, direction, value);
    }
    void adaptationChecked(int trend, int decision, float ksu) override {
        std::printf("adapt %d trend %d decision %d ksu %.2f\n", sim_.stepCounter, trend, decision,
                    double(ksu));
    }
    void showMessage(const std::string& text) override {
        std::fprintf(stderr, "message at step %d: %s\n", sim_.stepCounter, text.c_str());
    }

    long long samples = 0;
    double sum = 0;

private:
    Simulation& sim_;
};

void printTrace(const Simulation& sim, int step) {
    const Car& car = sim.building.car;
    const HallCallPanel& hall = sim.building.hallPanel;
    char up[kFloorCount + 1], down[kFloorCount + 1], buttons[kFloorCount + 1];
    for (int f = 1; f <= kFloorCount; ++f) {
        up[f - 1] = hall.up[f] ? '1' : '0';
        down[f - 1] = hall.down[f] ? '1' : '0';
        buttons[f - 1] = car.buttons[f] ? '1' : '0';
    }
    up[kFloorCount] = down[kFloorCount] = buttons[kFloorCount] = '\0';
    std::printf("step %d floor %d door %d last %d dir %d travel %d up %s down %s car %s\n", step,
                car.floor, car.doorOpen, car.lastMove, car.direction, car.travelCount, up, down,
                buttons);
}

struct RunOptions {
    SystemChoice kind = kDefaultSystem;
    std::string system;  // as given, resolved once the controllers are known
    long long steps = 1000;
    bool trace = false, loadSolver = false, saveSettings = false;
    std::string play;
    ControllerOptions controllers;
};

const OptionTable<RunOptions> kRunOptions{
    "run", kRunUsage,
    withControllerRules<RunOptions>(
        {{"--system", nullptr, takeText<&RunOptions::system>},
         {"--steps", nullptr,
          [](Arguments& args, const std::string& option, RunOptions& o) {
              o.steps = args.integer(option, 0, 2'000'000'000);
          }},
         {"--trace", nullptr, takeFlag<&RunOptions::trace>},
         {"--play", nullptr, takeText<&RunOptions::play>},
         {"--load-solver", nullptr, takeFlag<&RunOptions::loadSolver>},
         {"--save-settings", nullptr, takeFlag<&RunOptions::saveSettings>}})};

}  // namespace

int runCommand(Arguments& args) {
    RunOptions o;
    if (!kRunOptions.read(args, o)) return 0;
    if (!o.system.empty()) o.kind = parseSystemName(o.system, o.controllers.names());
    if (const std::string problem = fixedKsuProblem({o.kind}); !problem.empty())
        throw UsageError{problem};
    if (!o.play.empty()) checkRecording(o.play);

    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    return withControllers("run", o.controllers, o.kind.isController(), [&](ControllerSet& set) {
        Simulation sim;
        EventPrinter printer(sim);
        sim.setUserInterface(&printer);
        sim.initialise();
        if (!o.play.empty()) {
            sim.recorder.load(o.play);
            sim.recorder.mode = PressRecorder::Playing;
        }
        ControllerSession* controller = nullptr;
        std::optional<ControllerControlSystem> external;
        if (o.kind.isController()) {
            controller = &set.session(o.kind.controller);
            external.emplace(sim.building, sim.settings, sim.hooks(), *controller);
            sim.select(*external);
            controller->beginRun(controllerLabel(o.play));
        } else {
            sim.select(o.kind.kind);
        }
        // Held to one KSU, the neuro system always runs with that KSU's image as its solver.
        if (o.kind.isFixedKsu())
            loadFixedKsuImage(sim, o.kind);
        else if (o.loadSolver)
            sim.current().command(CmdLoadSolver, nullptr);
        for (long long i = 0; i < o.steps; ++i) {
            const int step = sim.stepCounter;
            sim.runStep();
            if (o.trace) printTrace(sim, step);
        }
        const double mean = printer.samples ? printer.sum / double(printer.samples) : 0.0;
        std::printf("summary steps %lld samples %lld mean %.6f travel %d\n", o.steps,
                    printer.samples, mean, sim.building.car.travelCount);
        if (controller) {
            char measures[160];
            std::snprintf(measures, sizeof measures,
                          "steps=%lld samples=%lld eff_mean=%s floors=%d", o.steps, printer.samples,
                          printer.samples ? std::to_string(mean).c_str() : "",
                          sim.building.car.travelCount - 1);
            controller->endRun(measures);
        }
        sim.setUserInterface(nullptr);
        if (o.saveSettings && sim.settings.saveSettings() != 0)
            return cannotWriteFile("run", kSettingsFileName, errno);
        return 0;
    });
}

}  // namespace vardeck::cli
