#include "app/main_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/building_painter.h"
#include "app/config_dialog.h"
#include "app/dialog_layout.h"
#include "app/learning_dialog.h"
#include "app/message_box.h"
#include "control/command_code.h"

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

const QString kSequenceFilter = QStringLiteral("Последовательности нажатий (*.but)");

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
      sim_(simulation) {
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

    QMenu* record = menuBar_->addMenu(QStringLiteral("Recor&d"));
    add(record, IdMenuRecord, QStringLiteral("&Record"), &MainDialog::onRecord);
    add(record, IdMenuPlay, QStringLiteral("&Play"), &MainDialog::onPlay);
    add(record, IdMenuStopRecorder, QStringLiteral("&Stop"), &MainDialog::onStopRecorder);
    record->addSeparator();
    add(record, IdMenuNew, QStringLiteral("&New"), &MainDialog::onNewRecording);
    add(record, IdMenuOpen, QStringLiteral("&Open..."), &MainDialog::onOpenRecording);
    add(record, IdMenuSave, QStringLiteral("Sa&ve"), &MainDialog::onSaveRecording);
    add(record, IdMenuSaveAs, QStringLiteral("Save &as..."), &MainDialog::onSaveRecordingAs);

    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    add(help, IdMenuHelp, QStringLiteral("&Help"), nullptr);
    help->addSeparator();
    add(help, IdMenuAbout, QStringLiteral("&About"), &MainDialog::onAbout);
}

void MainDialog::buildControls() {
    QWidget* area = client_;
    // Statics and group boxes let clicks through to the window, as the building strip's click
    // mapping expects for every point that no control takes.
    auto passClicks = [](QWidget* widget) {
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    };
    auto button = [&](int id, const char* text, QRect rect, auto handler) {
        auto* widget = new QPushButton(QString::fromUtf8(text), area);
        widget->setGeometry(rect);
        // Otherwise the first button to get the focus would stay the default for good and
        // take every Enter.
        widget->setAutoDefault(false);
        connect(widget, &QPushButton::clicked, this, handler);
        items_.insert(id, widget);
    };
    auto group = [&](const char* text, QRect rect) {
        auto* widget = new QGroupBox(QString::fromUtf8(text), area);
        // An etched frame whose top edge runs through the middle of the caption, so that the
        // controls laid out inside it keep clear of the caption.
        widget->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 2px groove #d0d0d0; margin-top: 6px; }"
            "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
            " left: 7px; padding: 0px 1px; }"));
        widget->setGeometry(rect);
        widget->lower();
        passClicks(widget);
    };
    auto radio = [&](int id, const char* text, QRect rect, SystemKind kind) {
        auto* widget = new QRadioButton(QString::fromUtf8(text), area);
        widget->setGeometry(rect);
        connect(widget, &QRadioButton::clicked, this, [this, kind] { select(kind); });
        items_.insert(id, widget);
    };
    auto label = [&](const char* text, QRect rect) {
        auto* widget = new QLabel(QString::fromUtf8(text), area);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The captions were sized for a slightly narrower font; a caption that does not fit
        // extends to the right instead of losing its last letters.
        rect.setWidth(std::max(rect.width(), widget->sizeHint().width()));
        widget->setGeometry(rect);
        passClicks(widget);
    };
    auto frame = [&](int id, QRect rect) {
        auto* widget = new QFrame(area);
        widget->setGeometry(rect);
        passClicks(widget);
        items_.insert(id, widget);
    };
    auto edit = [&](int id, QRect rect) {
        auto* widget = new QLineEdit(area);
        widget->setGeometry(rect);
        widget->setReadOnly(true);
        // Read-only boxes show the window's face colour, not the white of an editable field.
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        widget->setPalette(palette);
        items_.insert(id, widget);
    };

    button(IdStep, "Step", dialogRect(123, 256, 35, 14), &MainDialog::runStep);
    button(IdStart, "Start", dialogRect(160, 256, 36, 14), &MainDialog::onStart);
    button(IdStop, "Stop", dialogRect(197, 256, 35, 14), &MainDialog::onStop);
    button(IdReset, "Reset", dialogRect(234, 256, 35, 14), &MainDialog::resetSimulation);
    group("Control system", dialogRect(123, 205, 145, 47));
    radio(IdSchedule, "Shedule control system", dialogRect(131, 215, 89, 10), SystemKind::Schedule);
    radio(IdNeuro, "Neuro control system", dialogRect(131, 227, 82, 10), SystemKind::Neuro);
    radio(IdAdaptive, "Adaptive control system", dialogRect(131, 239, 91, 10),
          SystemKind::Adaptive);
    group("Neuro", dialogRect(275, 142, 145, 127));
    group("Solver", dialogRect(281, 152, 134, 29));
    button(IdSolverLearn, "Learn", dialogRect(287, 163, 35, 14), [this] {
        // A stop goes to the system that trains, even after another one was chosen.
        if (solverLearningPanel.isWatching()) {
            solverLearningPanel.requestStop();
            return;
        }
        // The neuro system hands the panel back to toggleLearning; the pointer must be the
        // panel's SolverLearningToggle part, which is what the system casts it to.
        SolverLearningToggle* toggle = &solverLearningPanel;
        sendToCurrent(CmdToggleSolverLearning, toggle);
    });
    button(IdSolverLoad, "Load", dialogRect(330, 163, 35, 14),
           [this] { sendToCurrent(CmdLoadSolver, nullptr); });
    button(IdSolverSave, "Save", dialogRect(373, 163, 35, 14),
           [this] { sendToCurrent(CmdSaveSolver, nullptr); });
    group("Teacher", dialogRect(281, 184, 134, 31));
    button(IdTeacherLearn, "Learn", dialogRect(288, 197, 35, 14),
           [this] { sendToCurrent(CmdOpenTeacherLearning, nullptr); });
    button(IdTeacherLoad, "Load", dialogRect(330, 197, 35, 14),
           [this] { sendToCurrent(CmdLoadTeacher, nullptr); });
    button(IdTeacherSave, "Save", dialogRect(374, 197, 35, 14),
           [this] { sendToCurrent(CmdSaveTeacher, nullptr); });
    label("Efficiency Criteria", dialogRect(123, 9, 55, 8));
    frame(IdEfficiencyFrame, dialogRect(123, 20, 143, 88));
    label("Solver learning", dialogRect(278, 9, 48, 8));
    frame(IdLearningFrame, dialogRect(277, 20, 143, 88));
    label("Критерий эффективности", dialogRect(123, 112, 88, 8));
    edit(IdEfficiency, dialogRect(123, 123, 144, 12));
    label("Дельта", dialogRect(277, 112, 26, 8));
    edit(IdDelta, dialogRect(277, 123, 94, 12));
    label("Эпоха", dialogRect(379, 112, 21, 8));
    edit(IdEpoch, dialogRect(379, 123, 40, 12));
    label("Массовый этаж", dialogRect(123, 141, 55, 8));
    edit(IdPopulestFloor, dialogRect(123, 154, 29, 12));
    label("КСУ", dialogRect(185, 141, 16, 8));
    edit(IdKsu, dialogRect(185, 154, 29, 12));
    label("Старый КСУ", dialogRect(221, 141, 43, 8));
    edit(IdOldKsu, dialogRect(221, 154, 29, 12));
    label("Image", dialogRect(123, 175, 20, 8));
    edit(IdImage, dialogRect(123, 187, 127, 12));
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

void MainDialog::showKsu() {
    sim_.showKsu();
}

void MainDialog::showPopulestFloor() {
    sim_.showPopulestFloor();
}

void MainDialog::startDemo(const QString& path, int period) {
    // Plays the recording under the start-up system from step 0.
    sim_.recorder.load(QFile::encodeName(path).toStdString());
    sim_.recorder.mode = PressRecorder::Playing;
    sim_.resetSimulation();
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

void MainDialog::onRecord() {
    stepTimer_.stop();
    sim_.recorder.mode = PressRecorder::Recording;
    redrawStrip();
}

void MainDialog::onPlay() {
    sim_.recorder.mode = PressRecorder::Playing;
    redrawStrip();
}

void MainDialog::onStopRecorder() {
    sim_.recorder.mode = PressRecorder::Off;
    redrawStrip();
}

void MainDialog::onNewRecording() {
    sim_.recorder.clear();
}

void MainDialog::onOpenRecording() {
    const QString path = chooseSequenceFile(false);
    if (!path.isEmpty()) sim_.recorder.load(QFile::encodeName(path).toStdString());
}

void MainDialog::onSaveRecording() {
    if (sim_.recorder.fileName.empty()) {
        onSaveRecordingAs();
    } else {
        sim_.recorder.save();
    }
}

void MainDialog::onSaveRecordingAs() {
    const QString path = chooseSequenceFile(true);
    if (!path.isEmpty()) sim_.recorder.save(QFile::encodeName(path).toStdString());
}

QString MainDialog::chooseSequenceFile(bool save) {
    QFileDialog* dialog = makeSequenceFileDialog(this, save);
    QString path;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        path = dialog->selectedFiles().constFirst();
    }
    delete dialog;
    return path;
}

QFileDialog* makeSequenceFileDialog(QWidget* parent, bool save) {
    auto* dialog = new QFileDialog(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(save ? QStringLiteral("Сохранить файл последовательностей нажатий")
                                : QStringLiteral("Открыть файл последовательностей нажатий"));
    dialog->setNameFilter(kSequenceFilter);
    // Both dialogs take any name: opening a file that does not exist empties the recording.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    if (save) dialog->setDefaultSuffix(QStringLiteral("but"));
    // The size, type and date columns as wide as their texts, in any language; the name column
    // takes the rest.
    if (auto* details = dialog->findChild<QTreeView*>()) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    dialog->resize(dialog->sizeHint().expandedTo(QSize(dialogX(480), dialogY(240))));
    return dialog;
}

void MainDialog::done(int result) {
    if (activeLearning_ != nullptr) activeLearning_->reject();
    solverLearningPanel.stopAndWait();
    stepTimer_.stop();
    QDialog::done(result);
}

void MainDialog::closeEvent(QCloseEvent* event) {
    // Only the close box keeps the values of the run; Exit, Escape and Enter drop them.
    sim_.settings.saveSettings();
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
