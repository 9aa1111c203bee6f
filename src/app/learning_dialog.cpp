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
    setFont(DialogFont());
    setFixedSize(DialogX(180), DialogY(151));

    frame_ = new QFrame(this);
    frame_->setGeometry(DialogRect(7, 7, 166, 102));
    auto edit = [this](QRect rect) {
        auto* widget = new QLineEdit(this);
        widget->setGeometry(rect);
        widget->setReadOnly(true);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        widget->setPalette(palette);
        return widget;
    };
    errorBox_ = edit(DialogRect(7, 113, 79, 12));
    epochBox_ = edit(DialogRect(94, 113, 79, 12));
    goButton_ = new QPushButton(QStringLiteral("&Go"), this);
    goButton_->setGeometry(DialogRect(61, 129, 57, 16));
    goButton_->setDefault(true);
    connect(goButton_, &QPushButton::clicked, this, &LearningDialog::ToggleLearning);

    timer.setInterval(kRefreshPeriod);
    connect(&timer, &QTimer::timeout, this, &LearningDialog::Update);
    // The worker only reports; the message box and everything after it run on this thread.
    connect(this, &LearningDialog::trainingEnded, this, &LearningDialog::OnTrainingEnded,
            Qt::QueuedConnection);
    Setup();
}

LearningDialog::~LearningDialog() {
    if (thread.joinable()) {
        closing_ = true;
        if (!trainingReturned_) system_.command(CmdStopTeacherLearning, nullptr);
        thread.join();
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

void LearningDialog::Setup() {
    errorBox_->clear();
    epochBox_->clear();
    chart.Create(this, frame_->geometry());
    chart.SetYRange(0.0, 0.4, 1);
    chart.SetYLabel(QString());
    chart.SetXLabel(QString());
    chart.SetBackColor(QColor(150, 150, 150));
    chart.SetAxisColor(QColor(255, 255, 255));
    chart.SetLineColor(QColor(0, 255, 0));
}

void LearningDialog::ToggleLearning() {
    if (timer.isActive()) {
        system_.command(CmdStopTeacherLearning, nullptr);
        goButton_->setText(QStringLiteral("&Go"));
        return;
    }
    // The previous run's worker returned before that run was reported finished.
    if (thread.joinable()) thread.join();
    finished = false;
    trainingReturned_ = false;
    timer.start();
    thread = std::thread(&LearningDialog::LearningThread, this);
    goButton_->setText(QStringLiteral("&Stop"));
}

void LearningDialog::LearningThread() {
    // The system does not look at the argument; the window passes itself.
    system_.command(CmdLearnTeacher, this);
    trainingReturned_ = true;
    emit trainingEnded();
}

void LearningDialog::OnTrainingEnded() {
    // While the window closes nobody is left to read the message.
    if (!closing_) ShowMessage(this, QStringLiteral("Обучение завершено"));
    finished = true;
}

void LearningDialog::Update() {
    errorBox_->setText(
        QString::asprintf("%10.20f", static_cast<double>(teacher_.epochMaxError.load())));
    errorBox_->setCursorPosition(0);
    // The read and the reset are one step, so that no delta is lost between them.
    chart.AddValue(teacher_.recentMaxError.exchange(0.0f));
    int epoch = 0;
    system_.command(CmdGetTeacherEpoch, &epoch);
    epochBox_->setText(QString::asprintf("%d", epoch));
    if (finished) {
        timer.stop();
        errorBox_->clear();
        epochBox_->clear();
        chart.Clear();
        goButton_->setText(QStringLiteral("&Go"));
    }
    chart.repaint();
}

void LearningDialog::WaitForWorker() {
    if (thread.joinable()) thread.join();
}

void LearningDialog::done(int result) {
    // The training is stopped and its worker waited for before the window goes; the worker never
    // waits for this thread, so the wait cannot deadlock.
    if (thread.joinable()) {
        closing_ = true;
        if (!trainingReturned_) system_.command(CmdStopTeacherLearning, nullptr);
        thread.join();
    }
    timer.stop();
    QDialog::done(result);
}

}  // namespace vardeck
