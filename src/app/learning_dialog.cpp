#include "app/learning_dialog.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialog_layout.h"
#include "app/message_box.h"
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
    auto edit = [this](QRect rect) {
        auto* widget = new QLineEdit(this);
        widget->setGeometry(rect);
        widget->setReadOnly(true);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        widget->setPalette(palette);
        return widget;
    };
    errorBox_ = edit(dialogRect(7, 113, 79, 12));
    epochBox_ = edit(dialogRect(94, 113, 79, 12));
    goButton_ = new QPushButton(QStringLiteral("&Go"), this);
    goButton_->setGeometry(dialogRect(61, 129, 57, 16));
    goButton_->setDefault(true);
    connect(goButton_, &QPushButton::clicked, this, &LearningDialog::toggleLearning);

    timer_.setInterval(kRefreshPeriod);
    connect(&timer_, &QTimer::timeout, this, &LearningDialog::refresh);
    // The worker only reports; the message box and everything after it run on this thread.
    connect(this, &LearningDialog::trainingEnded, this, &LearningDialog::onTrainingEnded,
            Qt::QueuedConnection);
    setup();
}

LearningDialog::~LearningDialog() {
    if (thread_.joinable()) {
        closing_ = true;
        if (!trainingReturned_) system_.command(CmdStopTeacherLearning, nullptr);
        thread_.join();
    }
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
    chart_.setYRange(0.0, 0.4, 1);
    chart_.setYLabel(QString());
    chart_.setXLabel(QString());
    chart_.setBackColor(QColor(150, 150, 150));
    chart_.setAxisColor(QColor(255, 255, 255));
    chart_.setLineColor(QColor(0, 255, 0));
}

void LearningDialog::toggleLearning() {
    if (timer_.isActive()) {
        system_.command(CmdStopTeacherLearning, nullptr);
        goButton_->setText(QStringLiteral("&Go"));
        return;
    }
    // The previous run's worker returned before that run was reported finished.
    if (thread_.joinable()) thread_.join();
    finished_ = false;
    trainingReturned_ = false;
    timer_.start();
    thread_ = std::thread(&LearningDialog::learningThread, this);
    goButton_->setText(QStringLiteral("&Stop"));
}

void LearningDialog::learningThread() {
    // The system does not look at the argument; the window passes itself.
    system_.command(CmdLearnTeacher, this);
    trainingReturned_ = true;
    emit trainingEnded();
}

void LearningDialog::onTrainingEnded() {
    // While the window closes nobody is left to read the message.
    if (!closing_) showMessageBox(this, QStringLiteral("Обучение завершено"));
    finished_ = true;
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
    if (finished_) {
        timer_.stop();
        errorBox_->clear();
        epochBox_->clear();
        chart_.clear();
        goButton_->setText(QStringLiteral("&Go"));
    }
    chart_.repaint();
}

void LearningDialog::waitForWorker() {
    if (thread_.joinable()) thread_.join();
}

void LearningDialog::done(int result) {
    // The training is stopped and its worker waited for before the window goes; the worker never
    // waits for this thread, so the wait cannot deadlock.
    if (thread_.joinable()) {
        closing_ = true;
        if (!trainingReturned_) system_.command(CmdStopTeacherLearning, nullptr);
        thread_.join();
    }
    timer_.stop();
    QDialog::done(result);
}

}  // namespace vardeck
