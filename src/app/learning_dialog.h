#pragma once

#include <QDialog>

#include "chart/chart_ctrl.h"
#include "chart/training_run.h"

class QLineEdit;
class QPushButton;

namespace vardeck {

class ControlSystem;
class NeuralNetwork;

// Control ids of the learning window.
enum LearningControlId : int {
    IdLearningError = 1011,
    IdLearningGo = 1013,
    IdLearningChartFrame = 1016,
    IdLearningEpoch = 1017,
};

// The modal window in which the user trains the adaptive system's teacher network: "&Go" trains
// it on a worker thread, a 2-second timer plots the error and shows the epoch, "&Stop" asks the
// training to stop. Escape closes the window; a training still running is stopped and waited
// for first.
class LearningDialog : public QDialog {
    Q_OBJECT

public:
    // `system` trains `teacher` and answers for its epoch; both must outlive the window.
    LearningDialog(ControlSystem& system, NeuralNetwork& teacher, QWidget* parent = nullptr);

    LearningDialog(const LearningDialog&) = delete;
    LearningDialog& operator=(const LearningDialog&) = delete;

    // Button 1013: starts a run, or asks the running one to stop.
    void toggleLearning();
    // One tick of the refresh timer.
    void refresh();

    QWidget* item(int id) const;
    bool isWatching() const { return run_.isWatching(); }
    // Waits until the worker of the last run has returned, without asking it to stop.
    void waitForWorker() { run_.waitForWorker(); }

    // The training is stopped and its worker waited for before the window goes.
    void done(int result) override;

private:
    void setup();

    ChartCtrl chart_;
    ControlSystem& system_;
    NeuralNetwork& teacher_;
    QWidget* frame_ = nullptr;
    QLineEdit* errorBox_ = nullptr;
    QLineEdit* epochBox_ = nullptr;
    QPushButton* goButton_ = nullptr;
    // Last, so that a training still running is stopped while the rest of the window exists.
    TrainingRun run_;
};

}  // namespace vardeck
