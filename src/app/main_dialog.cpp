#include "app/main_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cerrno>
#include <functional>
#include <utility>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/building_painter.h"
#include "app/config_dialog.h"
#include "app/dialog_layout.h"
#include "app/learning_dialog.h"
#include "app/message_box.h"
#include "control/command_code.h"
#include "io/atomic_file.h"

namespace vardeck {

namespace {

// The shortest step period the timer is asked for; a shorter delay in the settings keeps its
// value but runs at this period, so that the window stays responsive.
constexpr int kMinimumStepPeriod = 10;

// Where the status texts are drawn beside the building, in client pixels (left, top, right,
// bottom).
constexpr QRect winRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}
constexpr QRect kStepTextRect = winRect(85, 55, 160, 87);
constexpr QRect kModeTextRect = winRect(85, 75, 150, 110);
constexpr std::array<QRect, 4> kLabelRects = {
    winRect(85, 120, 180, 140), winRect(85, 140, 180, 160), winRect(85, 160, 180, 180),
    winRect(85, 210, 180, 230)};

}  // namespace

// The client area below the menu bar: paints the building strip and the status texts and takes
// the left clicks that no control takes.
class ClientArea : public QWidget {
public:
    ClientArea(MainDialog& dialog, QWidget* parent) : QWidget(parent), dialog_(dialog) {
        setFixedSize(MainDialog::kClientWidth, MainDialog::kClientHeight);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        dialog_.paintClient(painter);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            dialog_.clickClient(event->position().toPoint());
            event->accept();
            return;
        }
        QWidget::mousePressEvent(event);
    }

private:
    MainDialog& dialog_;
};

MainDialog::MainDialog(Simulation& simulation, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      sim_(simulation),
      recordMenu_(simulation.recorder, this) {
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setFont(dialogFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Fixed size: the client area keeps its 641 x 452 pixels and the window cannot be resized.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);
    client_ = new ClientArea(*this, this);
    layout->addWidget(client_);

    buildMenu();
    buildControls();

    connect(&stepTimer_, &QTimer::timeout, this, &MainDialog::runStep);
    initialise();
}

MainDialog::~MainDialog() {
    // A training still running would report to a panel that is going away.
    solverLearningPanel.stopAndWait();
    sim_.setUserInterface(nullptr);
}

QWidget* MainDialog::client() const {
    return client_;
}

void MainDialog::buildMenu() {
    auto add = [this](QMenu* menu, int id, const QString& text, void (MainDialog::*slot)()) {
        QAction* action = menu->addAction(text);
        if (slot != nullptr) connect(action, &QAction::triggered, this, slot);
        actions_.insert(id, action);
    };
    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    add(file, IdMenuExit, QStringLiteral("&Exit"), &MainDialog::onExit);

    QMenu* config = menuBar_->addMenu(QStringLiteral("&Config"));
    add(config, IdMenuConfig, QStringLiteral("&Config"), &MainDialog::onConfig);

    recordMenu_.addTo(menuBar_, actions_);
    connect(&recordMenu_, &RecordMenu::recordingStarts, this, [this] { stepTimer_.stop(); });
    connect(&recordMenu_, &RecordMenu::modeChanged, this, [this] { redrawStrip(); });

    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    add(help, IdMenuHelp, QStringLiteral("&Help"), nullptr);
    help->addSeparator();
    add(help, IdMenuAbout, QStringLiteral("&About"), &MainDialog::onAbout);
}

void MainDialog::buildControls() {
    items_ = layOutMainControls(client_);
    const std::pair<int, std::function<void()>> buttons[] = {
        {IdStep, [this] { runStep(); }},
        {IdStart, [this] { onStart(); }},
        {IdStop, [this] { onStop(); }},
        {IdReset, [this] { resetSimulation(); }},
        {IdSolverLearn, [this] { onSolverLearn(); }},
        {IdSolverLoad, [this] { sendToCurrent(CmdLoadSolver, nullptr); }},
        {IdSolverSave, [this] { sendToCurrent(CmdSaveSolver, nullptr); }},
        {IdTeacherLearn, [this] { sendToCurrent(CmdOpenTeacherLearning, nullptr); }},
        {IdTeacherLoad, [this] { sendToCurrent(CmdLoadTeacher, nullptr); }},
        {IdTeacherSave, [this] { sendToCurrent(CmdSaveTeacher, nullptr); }},
    };
    for (const auto& [id, handler] : buttons)
        connect(static_cast<QPushButton*>(item(id)), &QPushButton::clicked, this, handler);
    const std::pair<int, SystemKind> radios[] = {{IdSchedule, SystemKind::Schedule},
                                                 {IdNeuro, SystemKind::Neuro},
                                                 {IdAdaptive, SystemKind::Adaptive}};
    for (const auto& [id, kind] : radios) {
        connect(static_cast<QRadioButton*>(item(id)), &QRadioButton::clicked, this,
                [this, kind = kind] { select(kind); });
    }
}

void MainDialog::onSolverLearn() {
    // A stop goes to the system that trains, even after another one was chosen.
    if (solverLearningPanel.isWatching()) {
        solverLearningPanel.requestStop();
        return;
    }
    // The neuro system hands the panel back to toggleLearning; the pointer must be the
    // panel's SolverLearningToggle part, which is what the system casts it to.
    SolverLearningToggle* toggle = &solverLearningPanel;
    sendToCurrent(CmdToggleSolverLearning, toggle);
}

void MainDialog::initialise() {
    const QIcon icon = appIcon();
    setWindowIcon(icon);
    sim_.setUserInterface(this);
    // Settings, the start-up system and its reset, then the value boxes through valuesRefreshed.
    sim_.initialise();
    const int selected = sim_.currentKind() == SystemKind::Schedule ? IdSchedule
                         : sim_.currentKind() == SystemKind::Neuro  ? IdNeuro
                                                                    : IdAdaptive;
    static_cast<QRadioButton*>(item(selected))->setChecked(true);
    solverLearningPanel.setup(
        client(), item(IdLearningFrame)->geometry(), static_cast<QLineEdit*>(item(IdDelta)),
        static_cast<QLineEdit*>(item(IdEpoch)), static_cast<QPushButton*>(item(IdSolverLearn)));
    connect(&solverLearningPanel, &SolverLearningPanel::announce, this,
            [this](const QString& text) { showMessageBox(this, text); });
    efficiencyPanel.setup(client(), item(IdEfficiencyFrame)->geometry(),
                          static_cast<QLineEdit*>(item(IdEfficiency)));
}

void MainDialog::runStep() {
    sim_.runStep();
}

void MainDialog::resetSimulation() {
    sim_.resetSimulation();
}

void MainDialog::loadDemo(const QString& path) {
    sim_.recorder.load(QFile::encodeName(path).toStdString());
    sim_.recorder.mode = PressRecorder::Playing;
    sim_.resetSimulation();
}

void MainDialog::startDemo(const QString& path, int period) {
    loadDemo(path);
    stepTimer_.start(std::max(kMinimumStepPeriod, period));
}

void MainDialog::efficiencySampleTaken(int /*floor*/, int /*direction*/) {
    double value = 0.0;
    sim_.current().command(CmdGetLastEfficiency, &value);
    efficiencyPanel.addSample(value);
}

void MainDialog::showMessage(const std::string& text) {
    showMessageBox(this, QString::fromStdString(text));
}

void MainDialog::runTeacherLearning(ControlSystem& system, NeuralNetwork& teacher) {
    LearningDialog dialog(system, teacher, this);
    activeLearning_ = &dialog;
    dialog.exec();
    activeLearning_ = nullptr;
}

void MainDialog::stopTimer() {
    stepTimer_.stop();
}

void MainDialog::clearEfficiencyChart() {
    efficiencyPanel.reset();
}

void MainDialog::setValueText(int id, const QString& text) {
    auto* box = static_cast<QLineEdit*>(item(id));
    box->setText(text);
    // Show the beginning of a text longer than the box, as a freshly set field does.
    box->setCursorPosition(0);
    box->repaint();
}

void MainDialog::valuesRefreshed() {
    const Simulation::Values& values = sim_.values();
    setValueText(IdPopulestFloor, QString::asprintf("%d", values.populestFloor));
    setValueText(IdKsu, QString::asprintf("%1.2f", static_cast<double>(values.ksu)));
    setValueText(IdOldKsu, QString::asprintf("%1.2f", static_cast<double>(values.oldKsu)));
    setValueText(IdImage, QString::fromStdString(values.imageName));
}

void MainDialog::redrawStrip() {
    client_->repaint(QRect(0, 0, kStripWidth, client_->height()));
}

void MainDialog::paintClient(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(client_->font());
    const QColor windowColor = client_->palette().color(QPalette::Base);
    BuildingPainter(painter, client_->height(), windowColor).draw(sim_.building);

    painter.setPen(QColor(0, 0, 0));
    painter.setBackgroundMode(Qt::TransparentMode);
    const int flags = Qt::AlignLeft | Qt::AlignTop;
    painter.drawText(kStepTextRect, flags, QStringLiteral("Шаг: %1").arg(sim_.stepCounter));
    const std::array<std::string, 4> labels = sim_.labels();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        painter.drawText(kLabelRects[i], flags, QString::fromStdString(labels[i]));
    }
    painter.drawText(kModeTextRect, flags, QString::fromUtf8(sim_.recorder.modeText()));
}

void MainDialog::clickClient(const QPoint& point) {
    sim_.click(point.x(), point.y(), client_->height());
}

void MainDialog::onStart() {
    // A recording is made one Step at a time.
    if (sim_.recorder.mode == PressRecorder::Recording) return;
    stepTimer_.start(std::max(kMinimumStepPeriod, sim_.settings.timeDelay));
}

void MainDialog::onStop() {
    stepTimer_.stop();
}

void MainDialog::select(SystemKind kind) {
    sim_.select(kind);
}

void MainDialog::sendToCurrent(CommandCode code, void* argument) {
    sim_.current().command(code, argument);
}

void MainDialog::onExit() {
    done(0);
}

void MainDialog::onConfig() {
    ConfigDialog dialog(sim_.settings, this);
    dialog.exec();
}

void MainDialog::onAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void MainDialog::done(int result) {
    if (activeLearning_ != nullptr) activeLearning_->reject();
    solverLearningPanel.stopAndWait();
    stepTimer_.stop();
    QDialog::done(result);
}

void MainDialog::closeEvent(QCloseEvent* event) {
    // Only the close box keeps the values of the run; Exit, Escape and Enter drop them. A save
    // that fails is told as Record > Save tells one; the window closes all the same.
    if (sim_.settings.saveSettings() != 0) {
        const int error = errno;
        showMessageBox(this, QStringLiteral("Cannot save the settings to \"%1\": %2.")
                                 .arg(QString::fromUtf8(kSettingsFileName),
                                      QString::fromLocal8Bit(saveErrorText(error).c_str())));
    }
    QDialog::closeEvent(event);
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter presses the button that has the focus; anywhere else it ends the window, like
        // the OK of a dialog. The buttons leave the key to this handler (no auto-default).
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace vardeck
