#pragma once

#include <string>

namespace vardeck {

class ControlSystem;
class NeuralNetwork;

// What the simulation tells the user interface. The window, the headless driver and the tests
// implement what they need; every hook does nothing by default.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // The efficiency meter of the current system took a sample of the answered call
    // (floor, direction 1 up / 0 down); the window asks for it with CmdGetLastEfficiency.
    virtual void efficiencySampleTaken(int /*floor*/, int /*direction*/) {}
    // The adaptive system finished an adaptation check.
    virtual void adaptationChecked(int /*trend*/, int /*decision*/, float /*ksu*/) {}
    // The model reported a new hall call, a new car call or an answered hall call to the
    // current system (tools that measure service watch these).
    virtual void hallCallAdded(int /*floor*/, int /*direction*/) {}
    virtual void carCallAdded(int /*floor*/) {}
    virtual void hallCallAnswered(int /*floor*/, int /*direction*/) {}
    // A message box with an OK button.
    virtual void showMessage(const std::string& /*text*/) {}
    // CmdOpenTeacherLearning: run the teacher's learning window modally for `system`, showing the
    // progress of its `teacher`.
    virtual void runTeacherLearning(ControlSystem& /*system*/, NeuralNetwork& /*teacher*/) {}

    // The main window's part of the step and reset sequences.
    virtual void stopTimer() {}
    virtual void clearEfficiencyChart() {}
    virtual void valuesRefreshed() {}
    virtual void redrawStrip() {}
};

// The solver learning panel as the neuro system sees it (the CmdToggleSolverLearning argument).
// The system that handles the toggle passes itself and its solver: that system trains, and that
// solver's progress is shown.
class SolverLearningToggle {
public:
    virtual ~SolverLearningToggle() = default;
    virtual void toggleLearning(ControlSystem& system, NeuralNetwork& solver) = 0;
};

// Forwards to the user interface in use, if any.
class UiHooks {
public:
    void attach(UserInterface* ui) { ui_ = ui ? ui : &none_; }
    UserInterface& operator*() const { return *ui_; }
    UserInterface* operator->() const { return ui_; }

private:
    UserInterface none_;
    UserInterface* ui_ = &none_;
};

}  // namespace vardeck
