#include <gtest/gtest.h>

#include <string>

#include "control/controller_control_system.h"
#include "control/controller_error.h"
#include "control/controller_session.h"
#include "sim/simulation.h"
#include "test_support.h"

namespace vardeck {
namespace {

const std::string kExamples = std::string(VARDECK_SOURCE_DIR) + "/examples/controllers/";

// The car and lamps after every step of `steps` steps of a recording, under a built-in system
// or, with a session, under its controller.
std::string trace(const std::string& recording, int steps, ControllerSession* session) {
    Simulation sim;
    sim.initialise();
    sim.recorder.load(recording);
    sim.recorder.mode = PressRecorder::Playing;
    ControllerControlSystem controller(sim.building, sim.settings, sim.hooks(), *session);
    if (session) {
        sim.select(controller);
        session->beginRun("test");
    } else {
        sim.select(SystemKind::Schedule);
    }
    std::string text;
    for (int i = 0; i < steps; ++i) {
        sim.runStep();
        const Car& car = sim.building.car;
        text += std::to_string(car.floor) + ' ' + std::to_string(car.doorOpen) + ' ' +
                std::to_string(car.direction) + ' ' + std::to_string(car.travelCount) + '\n';
        for (int f = 1; f <= kFloorCount; ++f)
            text += char('0' + sim.building.hallPanel.up[f] + 2 * sim.building.hallPanel.down[f] +
                         4 * car.buttons[f]);
        text += '\n';
    }
    if (session) session->endRun("steps=" + std::to_string(steps));
    return text;
}

TEST(ControllerTest, ScheduleScriptDrivesTheCarAsTheScheduleSystem) {
    test::TempDir dir;
    test::copyShippedData();
    ControllerSession session({"sched", "python3 " + kExamples + "schedule.py"});
    const std::string builtIn = trace("sample.but", 3000, nullptr);
    EXPECT_EQ(trace("sample.but", 3000, &session), builtIn);
    session.finish();
}

}  // namespace
}  // namespace vardeck
