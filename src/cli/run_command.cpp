#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/recording_file.h"
#include "sim/simulation.h"
#include "study/system_choice.h"

namespace vardeck::cli {

using namespace study;

namespace {

const char* const kRunUsage =
    "Usage: vardeck-cli run [--system NAME] [--steps N] [--trace]\n"
    "                       [--play FILE.but] [--load-solver]\n"
    "                       [--save-settings]\n"
    "\n"
    "Starts as the window does (vardeck.cfg read over the defaults, the\n"
    "start-up system reset), then makes the chosen system current and resets\n"
    "as choosing it does, and runs N steps. One line per event on stdout:\n"
    "  sample STEP FLOOR DIR VALUE\n"
    "      an efficiency sample (DIR 1 up, 0 down)\n"
    "  adapt STEP trend T decision D ksu K\n"
    "      an adaptation check of the adaptive system\n"
    "  step STEP floor F door D last L dir R travel T up U down W car C\n"
    "      the car and the lamps after a step (with --trace)\n"
    "  summary steps N samples K mean M travel T\n"
    "      at the end\n"
    "\n"
    "Options:\n"
    "  --system NAME    the control system to run (default: adaptive):\n"
    "                   schedule, neuro or adaptive, as in the window, or\n"
    "                   neuro-ahead or adaptive-ahead, which see the\n"
    "                   look-ahead state (solver-ahead.pat, solver-ahead.img*)\n"
    "  --steps N        number of steps (default 1000)\n"
    "  --trace          print the car and the lamps after every step\n"
    "  --play FILE.but  load a press-sequence file and play it back\n"
    "  --load-solver    after the reset, load solver.img as the Solver Load\n"
    "                   button does (solver-ahead.img for the look-ahead\n"
    "                   systems)\n"
    "  --save-settings  write vardeck.cfg at the end, as closing the window\n"
    "                   does\n";

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

}  // namespace

int runCommand(Arguments& args) {
    SystemChoice system = kDefaultSystem;
    long long steps = 1000;
    bool trace = false, loadSolver = false, saveSettings = false;
    std::string play;
    while (!args.done()) {
        const std::string option = args.take();
        if (option == "--help" || option == "-h") {
            std::fputs(kRunUsage, stdout);
            return 0;
        } else if (option == "--system") {
            system = parseSystemName(args.value(option));
        } else if (option == "--steps") {
            steps = args.integer(option, 0, 2'000'000'000);
        } else if (option == "--trace") {
            trace = true;
        } else if (option == "--play") {
            play = args.value(option);
        } else if (option == "--load-solver") {
            loadSolver = true;
        } else if (option == "--save-settings") {
            saveSettings = true;
        } else {
            throw UsageError{"unknown option '" + option + "' (try vardeck-cli run --help)"};
        }
    }
    if (system.isController() || system.isFixedKsu())
        throw UsageError{"run cannot run " + system.name() + " yet"};
    if (!play.empty()) checkRecording(play);

    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    Simulation sim;
    EventPrinter printer(sim);
    sim.setUserInterface(&printer);
    sim.initialise();
    if (!play.empty()) {
        sim.recorder.load(play);
        sim.recorder.mode = PressRecorder::Playing;
    }
    sim.select(system.kind);
    if (loadSolver) sim.current().command(CmdLoadSolver, nullptr);
    for (long long i = 0; i < steps; ++i) {
        const int step = sim.stepCounter;
        sim.runStep();
        if (trace) printTrace(sim, step);
    }
    std::printf("summary steps %lld samples %lld mean %.6f travel %d\n", steps, printer.samples,
                printer.samples ? printer.sum / double(printer.samples) : 0.0,
                sim.building.car.travelCount);
    sim.setUserInterface(nullptr);
    if (saveSettings && sim.settings.saveSettings() != 0) {
        std::fprintf(stderr, "vardeck-cli run: could not write %s\n", kSettingsFileName);
        return 1;
    }
    return 0;
}

}  // namespace vardeck::cli
