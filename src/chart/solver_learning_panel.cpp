#include "chart/solver_learning_panel.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/main_dialog.h"
#include "app/message_box.h"
#include "control/command_code.h"
#include "neuro/neural_network.h"

namespace vardeck {

SolverLearningPanel::SolverLearningPanel() {
    timer.setInterval(kRefreshPeriod);
    connect(&timer, &QTimer::timeout, this, &SolverLearningPanel::Update);
    // The worker only reports; the message box and everything after it run on this thread.
    connect(this, &SolverLearningPanel::trainingEnded, this, &SolverLearningPanel::OnTrainingEnded,
            Qt::QueuedConnection);
}

SolverLearningPanel::~SolverLearningPanel() {
    StopAndWait();
}

void SolverLearningPanel::Setup(MainDialog* mainDialog) {
    dialog = mainDialog;
    static_cast<QLineEdit*>(dialog->item(IdDelta))->clear();
    static_cast<QLineEdit*>(dialog->item(IdEpoch))->clear();
    Create(dialog->client(), dialog->item(IdLearningFrame)->geometry());
    // A click on the chart stays there; it is not a click on the building.
    setAttribute(Qt::WA_NoMousePropagation);
    SetYRange(0.0, 0.4, 1);
    SetYLabel(QString());
    SetXLabel(QString());
    SetBackColor(QColor(150, 150, 150));
    SetAxisColor(QColor(255, 255, 255));
    SetLineColor(QColor(0, 255, 0));
}

void SolverLearningPanel::ToggleLearning(ControlSystem& system, NeuralNetwork& solver) {
    if (timer.isActive()) {
        RequestStop();
        return;
    }
    // The previous run's worker returned before that run was reported finished.
    if (thread.joinable()) thread.join();
    finished = false;
    closing = false;
    trainingReturned = false;
    trainingSystem = &system;
    trainingSolver = &solver;
    timer.start();
    thread = std::thread(&SolverLearningPanel::LearningThread, this, trainingSystem);
    static_cast<QPushButton*>(dialog->item(IdSolverLearn))->setText(QStringLiteral("Stop"));
}

void SolverLearningPanel::RequestStop() {
    if (trainingSystem != nullptr) trainingSystem->command(CmdStopSolverLearning, nullptr);
    static_cast<QPushButton*>(dialog->item(IdSolverLearn))->setText(QStringLiteral("Learn"));
}

void SolverLearningPanel::LearningThread(ControlSystem* system) {
    system->command(CmdLearnSolver, nullptr);
    trainingReturned = true;
    emit trainingEnded();
}

void SolverLearningPanel::OnTrainingEnded() {
    if (!closing) ShowMessage(dialog, QStringLiteral("Обучение завершено"));
    finished = true;
}

void SolverLearningPanel::Update() {
    if (trainingSolver == nullptr) return;
    auto* delta = static_cast<QLineEdit*>(dialog->item(IdDelta));
    auto* epochBox = static_cast<QLineEdit*>(dialog->item(IdEpoch));
    delta->setText(
        QString::asprintf("%10.20f", static_cast<double>(trainingSolver->epochMaxError.load())));
    delta->setCursorPosition(0);
    // The read and the reset are one step, so that no delta is lost between them.
    AddValue(trainingSolver->recentMaxError.exchange(0.0f));
    int epoch = 0;
    trainingSystem->command(CmdGetSolverEpoch, &epoch);
    epochBox->setText(QString::asprintf("%d", epoch));
    if (finished) {
        timer.stop();
        delta->clear();
        epochBox->clear();
        Clear();
        static_cast<QPushButton*>(dialog->item(IdSolverLearn))->setText(QStringLiteral("Learn"));
    }
    repaint();
}

void SolverLearningPanel::WaitForWorker() {
    if (thread.joinable()) thread.join();
}

void SolverLearningPanel::StopAndWait() {
    if (!thread.joinable()) return;
    closing = true;
    if (!trainingReturned && trainingSystem != nullptr) {
        trainingSystem->command(CmdStopSolverLearning, nullptr);
    }
    thread.join();
    timer.stop();
}

}  // namespace vardeck
