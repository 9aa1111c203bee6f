#include "app/learning_dialog.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialog_layout.h"
#include "app/message_box.h"
#include "chart/chart_style.h"
#include "control/command_code.h"
#include "control/control_system.h"
#include "neuro/neural_network.h"

namespace vardeck {

LearningDialog::LearningDialog(ControlSystem& system, NeuralNetwork& teacher, QWidget* parent)
    // A caption but no close box: the window is closed with Escape.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      system_(system),
      teacher_(teacher) {
    setWindowTitle(QStringLiteral("Learning"));
    setFont(dialogFont());
    setFixedSize(dialogX(180), dialogY(151));

    frame_ = new QFrame(this);
    frame_->setGeometry(dialogRect(7, 7, 166, 102));
    auto edit = [this](QRect rect) { return makeValueBox(this, rect); };
    errorBox_ = edit(dialogRect(7, 113, 79, 12));
    epochBox_ = edit(dialogRect(94, 113, 79, 12));
    goButton_ = new QPushButton(QStringLiteral("&Go"), this);
    goButton_->setGeometry(dialogRect(61, 129, 57, 16));
    goButton_->setDefault(true);
    connect(goButton_, &QPushButton::clicked, this, &LearningDialog::toggleLearning);

    connect(&run_, &TrainingRun::tick, this, &LearningDialog::refresh);
    connect(&run_, &TrainingRun::ended, this,
            [this] { showMessageBox(this, QStringLiteral("Обучение завершено")); });
    setup();
}

QWidget* LearningDialog::item(int id) const {
    switch (id) {
        case IdLearningError:
            return errorBox_;
        case IdLearningGo:
            return goButton_;
        case IdLearningChartFrame:
            return frame_;
        case IdLearningEpoch:
            return epochBox_;
        default:
            return nullptr;
    }
}

void LearningDialog::setup() {
    errorBox_->clear();
    epochBox_->clear();
    chart_.createIn(this, frame_->geometry());
    applyChartStyle(chart_, kTrainingErrorTop);
}

void LearningDialog::toggleLearning() {
    if (run_.isWatching()) {
        run_.requestStop();
        goButton_->setText(QStringLiteral("&Go"));
        return;
    }
    ControlSystem& system = system_;
    // The system does not look at the argument; the window passes itself.
    run_.start([&system, this] { system.command(CmdLearnTeacher, this); },
               [&system] { system.command(CmdStopTeacherLearning, nullptr); });
    goButton_->setText(QStringLiteral("&Stop"));
}

void LearningDialog::refresh() {
    errorBox_->setText(
        QString::asprintf("%10.20f", static_cast<double>(teacher_.epochMaxError.load())));
    errorBox_->setCursorPosition(0);
    // The read and the reset are one step, so that no delta is lost between them.
    chart_.addValue(teacher_.recentMaxError.exchange(0.0f));
    int epoch = 0;
    system_.command(CmdGetTeacherEpoch, &epoch);
    epochBox_->setText(QString::asprintf("%d", epoch));
    if (run_.finishIfEnded()) {
        errorBox_->clear();
        epochBox_->clear();
        chart_.clear();
        goButton_->setText(QStringLiteral("&Go"));
    }
    chart_.repaint();
}

void LearningDialog::done(int result) {
    run_.stopAndWait();
    QDialog::done(result);
}

}  // namespace vardeck
