#pragma once

#include <array>
#include <memory>
#include <string>

#include "control/command_code.h"
#include "control/schedule_control_system.h"
#include "control/settings.h"
#include "control/user_interface.h"
#include "model/building.h"
#include "neuro/adaptive_control_system.h"
#include "neuro/neuro_control_system.h"
#include "record/press_recorder.h"

namespace vardeck {

// The window's three systems, and the neuro and adaptive systems with the look-ahead state,
// which only vardeck-cli offers.
enum class SystemKind { Schedule, Neuro, Adaptive, NeuroAhead, AdaptiveAhead };

// Owns the program's objects and runs the main window's start-up, step and reset sequences,
// with or without a window.
class Simulation {
public:
    Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    void setUserInterface(UserInterface* ui) { ui_.attach(ui); }

private:
    // Declared first: the systems keep a reference to it.
    UiHooks ui_;

public:
    // Window initialisation: settings defaults and file, the start-up system and its reset.
    void initialise();
    void runStep();
    void resetSimulation();
    // Makes a system current, then resets as choosing it in the window does.
    void select(SystemKind kind);
    // The same for a system built outside the simulation (a controller's) on its building,
    // settings and hooks; it must outlive its time as the current system. currentKind() keeps
    // the last built-in choice.
    void select(ControlSystem& system);
    UiHooks& hooks() { return ui_; }

    ControlSystem& current() { return *current_; }
    SystemKind currentKind() const { return currentKind_; }
    ControlSystem& system(SystemKind kind);
    // The look-ahead systems, built when first asked for: a simulation that never uses them
    // (the window's) draws the same random numbers as without them.
    NeuroControlSystem& neuroAhead();
    AdaptiveControlSystem& adaptiveAhead();

    // A left click in the main window's client area.
    void click(int x, int y, int bottom);

    // The value boxes, as refreshed before every step and after every reset.
    struct Values {
        int populestFloor = 0;
        float ksu = 0;
        float oldKsu = 0;
        std::string imageName;
    };
    const Values& values() const { return values_; }
    void showPopulestFloor();
    void showKsu();

    // The four status texts of the current system.
    std::array<std::string, 4> labels();
    double lastEfficiency();

    Settings settings;
    Building building;
    ScheduleControlSystem schedule;
    NeuroControlSystem neuro;
    AdaptiveControlSystem adaptive;
    PressRecorder recorder;
    int stepCounter = 0;

private:
    // Hands the model's reports to the current system and lets the user interface watch them.
    class Relay : public ControlSystem {
    public:
        explicit Relay(Simulation& sim) : sim_(sim) {}
        void command(CommandCode code, void* argument) override;

    private:
        Simulation& sim_;
    };

    Relay relay_{*this};
    std::unique_ptr<NeuroControlSystem> neuroAhead_;
    std::unique_ptr<AdaptiveControlSystem> adaptiveAhead_;
    ControlSystem* current_ = nullptr;
    SystemKind currentKind_ = SystemKind::Adaptive;
    Values values_;
    bool inStep_ = false;
};

}  // namespace vardeck
