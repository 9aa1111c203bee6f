#include "sim/simulation.h"

namespace vardeck {

Simulation::Simulation()
    : schedule(building, settings, ui_),
      neuro(building, settings, ui_),
      adaptive(building, settings, ui_),
      recorder(building) {
    current_ = &adaptive;
    building.setControlSystem(&relay_);
}

void Simulation::Relay::command(CommandCode code, void* argument) {
    const int* call = static_cast<const int*>(argument);
    switch (code) {
        case CmdHallCallAdded:
            sim_.ui_->hallCallAdded(call[0], call[1]);
            break;
        case CmdCarCallAdded:
            sim_.ui_->carCallAdded(call[0]);
            break;
        default:
            break;
    }
    sim_.current_->command(code, argument);
    if (code == CmdHallCallCleared) sim_.ui_->hallCallAnswered(call[0], call[1]);
}

ControlSystem& Simulation::system(SystemKind kind) {
    switch (kind) {
        case SystemKind::Neuro:
            return neuro;
        case SystemKind::Adaptive:
            return adaptive;
        case SystemKind::NeuroAhead:
            return neuroAhead();
        case SystemKind::AdaptiveAhead:
            return adaptiveAhead();
        case SystemKind::Schedule:
        default:
            return schedule;
    }
}

NeuroControlSystem& Simulation::neuroAhead() {
    if (!neuroAhead_)
        neuroAhead_ =
            std::make_unique<NeuroControlSystem>(building, settings, ui_, kLookAheadSolver);
    return *neuroAhead_;
}

AdaptiveControlSystem& Simulation::adaptiveAhead() {
    if (!adaptiveAhead_)
        adaptiveAhead_ =
            std::make_unique<AdaptiveControlSystem>(building, settings, ui_, kLookAheadSolver);
    return *adaptiveAhead_;
}

void Simulation::initialise() {
    settings.setDefaults();
    settings.loadSettings();
    currentKind_ = SystemKind::Adaptive;
    current_ = &system(currentKind_);
    current_->command(CmdReset, nullptr);
    showKsu();
    showPopulestFloor();
}

void Simulation::showPopulestFloor() {
    current_->command(CmdGetPopulestFloor, &values_.populestFloor);
    ui_->valuesRefreshed();
}

void Simulation::showKsu() {
    current_->command(CmdGetKsu, &values_.ksu);
    current_->command(CmdGetOldKsu, &values_.oldKsu);
    char name[kTextBufferSize] = {};
    current_->command(CmdGetImageName, name);
    name[kTextBufferSize - 1] = '\0';
    values_.imageName = name;
    ui_->valuesRefreshed();
}

void Simulation::runStep() {
    // A message box opened inside a step must not let the timer start another one.
    if (inStep_) return;
    inStep_ = true;
    // Cleared however the step ends, an exception included, so that the next step can run.
    struct StepGuard {
        bool& inStep;
        ~StepGuard() { inStep = false; }
    } guard{inStep_};
    showPopulestFloor();
    showKsu();
    recorder.commit();
    recorder.playback(stepCounter);
    current_->command(CmdStep, nullptr);
    building.step();
    ui_->redrawStrip();
    ++stepCounter;
}

void Simulation::resetSimulation() {
    ui_->stopTimer();
    stepCounter = 0;
    building.reset();
    recorder.clearPlayed();
    ui_->clearEfficiencyChart();
    current_->command(CmdReset, nullptr);
    showPopulestFloor();
    showKsu();
    ui_->redrawStrip();
}

void Simulation::select(SystemKind kind) {
    currentKind_ = kind;
    select(system(kind));
}

void Simulation::select(ControlSystem& system) {
    current_ = &system;
    resetSimulation();
}

void Simulation::click(int x, int y, int bottom) {
    recorder.click(x, y, bottom, stepCounter);
    ui_->redrawStrip();
}

std::array<std::string, 4> Simulation::labels() {
    LabelText texts[4] = {};
    current_->command(CmdGetLabels, texts);
    std::array<std::string, 4> result;
    for (int i = 0; i < 4; ++i) {
        texts[i][kTextBufferSize - 1] = '\0';
        result[i] = texts[i];
    }
    return result;
}

double Simulation::lastEfficiency() {
    double value = 0;
    current_->command(CmdGetLastEfficiency, &value);
    return value;
}

}  // namespace vardeck
