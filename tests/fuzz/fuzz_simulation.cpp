// A settings file and a recording, separated by a line "----" (without it the input is the
// recording alone), played under each control system from the window's start-up with the
// shipped networks, as `vardeck-cli compare` plays them. The car must stay a car: in the shaft,
// doors open or closed, lamps on or off.

#include <algorithm>
#include <string_view>

#include "fuzz_support.h"
#include "sim/simulation.h"

using namespace vardeck;

namespace {

constexpr int kMaxSteps = 1000;

void checkModel(const Building& building) {
    const Car& car = building.car;
    fuzz::check(isFloor(car.floor), "the car left the shaft");
    fuzz::check(car.doorOpen == 0 || car.doorOpen == 1, "the doors are neither open nor closed");
    fuzz::check(car.doorTimer >= 0 && car.doorTimer <= 4, "the door timer ran out of its range");
    for (int f = 1; f <= kFloorCount; ++f) {
        const HallCallPanel& hall = building.hallPanel;
        fuzz::check(hall.up[f] <= 1 && hall.down[f] <= 1 && car.buttons[f] <= 1, "a lamp > 1");
    }
}

}  // namespace

// The simulation opens its files by bare name: it runs in the work directory.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::filesystem::current_path(fuzz::workPath(""));
    for (const char* name :
         {"solver.pat", "teacher.img", "solver.img", "solver.img.000", "solver.img.020",
          "solver.img.040", "solver.img.060", "solver.img.080", "solver.img.100"})
        std::filesystem::copy_file(std::string(VARDECK_DATA_DIR) + "/" + name, name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t separator = input.find("\n----\n");
    const std::string_view settings =
        separator == std::string_view::npos ? std::string_view{} : input.substr(0, separator + 1);
    const std::string_view recording =
        separator == std::string_view::npos ? input : input.substr(separator + 6);
    fuzz::writeFile("vardeck.cfg", reinterpret_cast<const std::uint8_t*>(settings.data()),
                    settings.size());
    fuzz::writeFile("input.but", reinterpret_cast<const std::uint8_t*>(recording.data()),
                    recording.size());

    for (const SystemKind kind : {SystemKind::Schedule, SystemKind::Neuro, SystemKind::Adaptive}) {
        Simulation sim;
        sim.initialise();
        sim.recorder.load("input.but");
        sim.recorder.mode = PressRecorder::Playing;
        sim.select(kind);
        // As after pressing Solver Load; the adaptive system loads its images itself.
        if (kind == SystemKind::Neuro) sim.current().command(CmdLoadSolver, nullptr);
        long long last = -1;
        for (const auto& [key, value] : sim.recorder.entries())
            last = std::max<long long>(last, key.step);
        const long long steps = std::min<long long>(last + 1 + 200, kMaxSteps);
        for (long long step = 0; step < steps; ++step) {
            sim.runStep();
            checkModel(sim.building);
        }
    }
    return 0;
}
