#include "chart/solver_learning_panel.h"

#include <QLineEdit>
#include <QPushButton>

#include "control/command_code.h"
#include "control/control_system.h"
#include "neuro/neural_network.h"

namespace vardeck {

SolverLearningPanel::SolverLearningPanel() {
    timer_.setInterval(kRefreshPeriod);
    connect(&timer_, &QTimer::timeout, this, &SolverLearningPanel::refresh);
    // The worker only reports; the message box and everything after it run on this thread.
    connect(this, &SolverLearningPanel::trainingEnded, this, &SolverLearningPanel::onTrainingEnded,
            Qt::QueuedConnection);
}

SolverLearningPanel::~SolverLearningPanel() {
    stopAndWait();
}

void SolverLearningPanel::setup(QWidget* parent, const QRect& frame, QLineEdit* delta,
                                QLineEdit* epoch, QPushButton* learn) {
    deltaBox_ = delta;
    epochBox_ = epoch;
    learnButton_ = learn;
    deltaBox_->clear();
    epochBox_->clear();
    createIn(parent, frame);
    // A click on the chart stays there; it is not a click on the building.
    setAttribute(Qt::WA_NoMousePropagation);
    setYRange(0.0, 0.4, 1);
    setYLabel(QString());
    setXLabel(QString());
    setBackColor(QColor(150, 150, 150));
    setAxisColor(QColor(255, 255, 255));
    setLineColor(QColor(0, 255, 0));
}

void SolverLearningPanel::toggleLearning(ControlSystem& system, NeuralNetwork& solver) {
    if (timer_.isActive()) {
        requestStop();
        return;
    }
    // The previous run's worker returned before that run was reported finished.
    if (thread_.joinable()) thread_.join();
    finished_ = false;
    closing_ = false;
    trainingReturned_ = false;
    trainingSystem_ = &system;
    trainingSolver_ = &solver;
    timer_.start();
    thread_ = std::thread(&SolverLearningPanel::learningThread, this, trainingSystem_);
    learnButton_->setText(QStringLiteral("Stop"));
}

void SolverLearningPanel::requestStop() {
    if (trainingSystem_ != nullptr) trainingSystem_->command(CmdStopSolverLearning, nullptr);
    learnButton_->setText(QStringLiteral("Learn"));
}

void SolverLearningPanel::learningThread(ControlSystem* system) {
    system->command(CmdLearnSolver, nullptr);
    trainingReturned_ = true;
    emit trainingEnded();
}

void SolverLearningPanel::onTrainingEnded() {
    if (!closing_) emit announce(QStringLiteral("Обучение завершено"));
    finished_ = true;
}

void SolverLearningPanel::refresh() {
    if (trainingSolver_ == nullptr) return;
    deltaBox_->setText(
        QString::asprintf("%10.20f", static_cast<double>(trainingSolver_->epochMaxError.load())));
    deltaBox_->setCursorPosition(0);
    // The read and the reset are one step, so that no delta is lost between them.
    addValue(trainingSolver_->recentMaxError.exchange(0.0f));
    int epoch = 0;
    trainingSystem_->command(CmdGetSolverEpoch, &epoch);
    epochBox_->setText(QString::asprintf("%d", epoch));
    if (finished_) {
        timer_.stop();
        deltaBox_->clear();
        epochBox_->clear();
        clear();
        learnButton_->setText(QStringLiteral("Learn"));
    }
    repaint();
}

void SolverLearningPanel::waitForWorker() {
    if (thread_.joinable()) thread_.join();
}

void SolverLearningPanel::stopAndWait() {
    if (!thread_.joinable()) return;
    closing_ = true;
    if (!trainingReturned_ && trainingSystem_ != nullptr) {
        trainingSystem_->command(CmdStopSolverLearning, nullptr);
    }
    thread_.join();
    timer_.stop();
}

}  // namespace vardeck
