#pragma once

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <thread>

#include "chart/chart_ctrl.h"

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
    static constexpr int kRefreshPeriod = 2000;

    // `system` trains `teacher` and answers for its epoch; both must outlive the window.
    LearningDialog(ControlSystem& system, NeuralNetwork& teacher, QWidget* parent = nullptr);
    ~LearningDialog() override;

    LearningDialog(const LearningDialog&) = delete;
    LearningDialog& operator=(const LearningDialog&) = delete;

    // Button 1013: starts a run, or asks the running one to stop.
    void toggleLearning();
    // One tick of the refresh timer.
    void refresh();

    QWidget* item(int id) const;
    ChartCtrl& chartCtrl() { return chart_; }
    bool isWatching() const { return timer_.isActive(); }
    bool isFinished() const { return finished_.load(); }
    // Waits until the worker of the last run has returned, without asking it to stop.
    void waitForWorker();

    void done(int result) override;

signals:
    // Sent by the worker when the training has returned.
    void trainingEnded();

private:
    void setup();
    void learningThread();
    void onTrainingEnded();

    std::thread thread_;
    std::atomic<bool> finished_{false};
    ChartCtrl chart_;
    QTimer timer_;

    ControlSystem& system_;
    NeuralNetwork& teacher_;
    QWidget* frame_ = nullptr;
    QLineEdit* errorBox_ = nullptr;
    QLineEdit* epochBox_ = nullptr;
    QPushButton* goButton_ = nullptr;
    std::atomic<bool> trainingReturned_{false};
    bool closing_ = false;
};

}  // namespace vardeck
