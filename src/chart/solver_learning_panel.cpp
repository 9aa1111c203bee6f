#include "chart/solver_learning_panel.h"

#include <QLineEdit>
#include <QPushButton>

#include "chart/chart_style.h"
#include "control/command_code.h"
#include "control/control_system.h"
#include "neuro/neural_network.h"

namespace vardeck {

SolverLearningPanel::SolverLearningPanel() {
    connect(&run_, &TrainingRun::tick, this, &SolverLearningPanel::refresh);
    connect(&run_, &TrainingRun::ended, this,
            [this] { emit announce(QStringLiteral("Обучение завершено")); });
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
    applyChartStyle(*this, kTrainingErrorTop);
}

void SolverLearningPanel::toggleLearning(ControlSystem& system, NeuralNetwork& solver) {
    if (run_.isWatching()) {
        requestStop();
        return;
    }
    trainingSystem_ = &system;
    trainingSolver_ = &solver;
    run_.start([&system] { system.command(CmdLearnSolver, nullptr); },
               [&system] { system.command(CmdStopSolverLearning, nullptr); });
    learnButton_->setText(QStringLiteral("Stop"));
}

void SolverLearningPanel::requestStop() {
    run_.requestStop();
    learnButton_->setText(QStringLiteral("Learn"));
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
    if (run_.finishIfEnded()) {
        deltaBox_->clear();
        epochBox_->clear();
        clear();
        learnButton_->setText(QStringLiteral("Learn"));
    }
    repaint();
}

}  // namespace vardeck
