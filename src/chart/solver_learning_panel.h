#pragma once

#include "chart/chart_ctrl.h"
#include "chart/training_run.h"
#include "control/user_interface.h"

class QLineEdit;
class QPushButton;

namespace vardeck {

class ControlSystem;
class NeuralNetwork;

// The solver's training chart of the main window, with the error and the epoch in two value
// boxes. "Learn" makes the current control system call toggleLearning, which trains that
// system's solver on a worker thread while a 2-second timer plots its progress. "Stop" goes to
// the system that trains, whichever system is current.
class SolverLearningPanel : public ChartCtrl, public SolverLearningToggle {
    Q_OBJECT

public:
    SolverLearningPanel();

    // Lays the chart over `frame` of `parent` and empties the error and epoch boxes; `learn` is
    // the button that starts and stops a run.
    void setup(QWidget* parent, const QRect& frame, QLineEdit* delta, QLineEdit* epoch,
               QPushButton* learn);
    // Starts a training run of `system`, or asks the running one to stop.
    void toggleLearning(ControlSystem& system, NeuralNetwork& solver) override;
    // Asks the running training to stop; the button reads "Learn" again.
    void requestStop();
    // One tick of the refresh timer: shows and plots the progress; once the run has ended and
    // its message has been closed, returns the panel to its idle state.
    void refresh();

    // Whether a run is being watched (the refresh timer runs).
    bool isWatching() const { return run_.isWatching(); }
    // Waits until the worker of the last run has returned, without asking it to stop.
    void waitForWorker() { run_.waitForWorker(); }
    // Asks a running training to stop and waits until its worker has returned; the end of the
    // run is then not announced.
    void stopAndWait() { run_.stopAndWait(); }

signals:
    // Asks the window to tell the user `text` and returns once the user has read it.
    void announce(const QString& text);

private:
    QLineEdit* deltaBox_ = nullptr;
    QLineEdit* epochBox_ = nullptr;
    QPushButton* learnButton_ = nullptr;
    // The system that trains and its solver.
    ControlSystem* trainingSystem_ = nullptr;
    NeuralNetwork* trainingSolver_ = nullptr;
    // Last, so that a training still running is stopped while the rest of the panel exists.
    TrainingRun run_;
};

}  // namespace vardeck
