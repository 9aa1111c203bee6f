// The main window driven as a user drives it: buttons, clicks on the building, menus, keys.

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "app/building_painter.h"
#include "app/main_dialog.h"
#include "app/simulation.h"
#include "gui_test_registry.h"
#include "gui_test_support.h"
#include "neuro/network_settings.h"

using namespace vardeck;
using namespace vardeck::guitest;

namespace {

constexpr int kBottom = MainDialog::kClientHeight;
constexpr int kCarX = 47;
constexpr int kHallX = 60;

// A point in the upper (up) or lower (down) part of a floor's row.
int RowY(int floor, bool upper) {
    return kBottom - 18 - (15 * (floor - 1) + (upper ? 10 : 3));
}

// The main window answers its file dialogs from a list instead of asking.
class TestDialog : public MainDialog {
public:
    using MainDialog::MainDialog;
    QStringList answers;
    QList<bool> asked;

protected:
    QString ChooseSequenceFile(bool save) override {
        asked.append(save);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// One window in its own working directory, with message boxes answered.
struct Window {
    ScopedWorkDir dir;
    MessageCapture messages;
    Simulation sim;
    std::unique_ptr<TestDialog> dialog;

    Window() { Open(); }
    void Open() {
        dialog.reset();  // the old window lets go of the simulation first
        dialog = std::make_unique<TestDialog>(sim);
        dialog->show();
    }
    QLineEdit* Edit(int id) const { return static_cast<QLineEdit*>(dialog->item(id)); }
    QPushButton* Button(int id) const { return static_cast<QPushButton*>(dialog->item(id)); }
    void Press(int id) const { QTest::mouseClick(dialog->item(id), Qt::LeftButton); }
    void Click(int x, int y) const { ClickAt(dialog->client(), QPoint(x, y)); }
    QImage Strip() const {
        return dialog->client()->grab(QRect(0, 0, MainDialog::kStripWidth, kBottom)).toImage();
    }
    bool NeuroAvailable() {
        return &sim.system(SystemKind::Neuro) != &sim.system(SystemKind::Schedule);
    }
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void layoutAndMenu() {
        Window w;
        MainDialog& d = *w.dialog;
        QCOMPARE(d.windowTitle(), QStringLiteral("Vardeck"));
        QCOMPARE(d.client()->size(), QSize(641, 452));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.client()->y(), d.menuBar()->height());
        QVERIFY(d.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(d.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!d.windowIcon().isNull());
        // Dialog units: x * 6 / 4 and y * 13 / 8, halves away from zero.
        QCOMPARE(d.item(IdStep)->geometry(), QRect(185, 416, 53, 23));
        QCOMPARE(d.item(IdEfficiencyFrame)->geometry(), QRect(185, 33, 215, 143));
        QCOMPARE(d.efficiencyPanel.geometry(), QRect(185, 33, 215, 143));
        QCOMPARE(d.solverLearningPanel.geometry(), d.item(IdLearningFrame)->geometry());
        QCOMPARE(w.Button(IdSolverLearn)->text(), QStringLiteral("Learn"));
        QCOMPARE(static_cast<QRadioButton*>(d.item(IdSchedule))->text(),
                 QStringLiteral("Shedule control system"));
        QStringList menus;
        for (QAction* a : d.menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "&Config", "Recor&d", "&Help"}));
        QCOMPARE(d.action(IdMenuSaveAs)->text(), QStringLiteral("Save &as..."));
        QCOMPARE(d.action(IdMenuOpen)->text(), QStringLiteral("&Open..."));
    }

    void startupState() {
        Window w;
        QCOMPARE(w.sim.currentKind(), SystemKind::Adaptive);
        QVERIFY(static_cast<QRadioButton*>(w.dialog->item(IdAdaptive))->isChecked());
        QCOMPARE(w.sim.stepCounter, 0);
        QCOMPARE(w.Edit(IdEfficiency)->text(), QStringLiteral("0.0"));
        QVERIFY(w.Edit(IdDelta)->text().isEmpty());
        QVERIFY(w.Edit(IdEpoch)->text().isEmpty());
        QCOMPARE(w.Edit(IdPopulestFloor)->text(), QString::number(w.sim.values().populestFloor));
        QCOMPARE(w.Edit(IdKsu)->text(), QString::asprintf("%1.2f", double(w.sim.values().ksu)));
        QVERIFY(!w.dialog->isRunning());
    }

    void clicksOnTheStripLightTheRightLamps() {
        Window w;
        w.Click(kCarX, RowY(20, true));
        w.Click(kHallX, RowY(9, true));
        w.Click(kHallX, RowY(9, false));
        const Building& b = w.sim.building;
        QCOMPARE(b.car.buttons[20], 1);
        QCOMPARE(b.hallPanel.up[9], 1);
        QCOMPARE(b.hallPanel.down[9], 1);
        QCOMPARE(b.hallPanel.up[10] + b.hallPanel.down[8] + b.car.buttons[19], 0);
        // Both arrows of floor 9 on their common base, and the button circle of floor 20.
        const QImage strip = w.Strip();
        const int m = kBottom - 15 * 9 - 11;
        QCOMPARE(Rgb(strip, 59, m - 4), Colour(255, 0, 0));
        QCOMPARE(Rgb(strip, 59, m + 4), Colour(255, 0, 0));
        QCOMPARE(Rgb(strip, 56, m), Colour(255, 0, 0));
        QCOMPARE(Rgb(strip, 46, kBottom - 15 * 20 - 14), Colour(0, 0, 255));
    }

    void greyFloorIgnoresClick() {
        Window w;
        const QImage before = w.Strip();
        w.Click(kCarX, RowY(3, true));
        w.Click(kHallX, RowY(12, true));
        QCOMPARE(w.sim.building.car.ButtonCount(), 0);
        QCOMPARE(w.sim.building.hallPanel.HighestLit(2), 0);
        QCOMPARE(Rgb(w.Strip(), 47, RowY(3, true)), Colour(150, 150, 150));
        QCOMPARE(w.Strip(), before);
    }

    void staticsPassClicksChartsKeepThem() {
        Window w;
        // (200, 20) lies on the caption "Efficiency Criteria": the building maps it to the car
        // button of floor 28.
        w.Click(200, 20);
        QCOMPARE(w.sim.building.car.buttons[28], 1);
        // (200, 60) lies on the efficiency chart, which keeps the click (floor 25 stays dark).
        w.Click(200, 60);
        QCOMPARE(w.sim.building.car.buttons[25], 0);
    }

    void stepsMoveTheCarBox() {
        Window w;
        w.Click(w.dialog->item(IdSchedule)->x() + 5, w.dialog->item(IdSchedule)->y() + 5);
        QCOMPARE(w.sim.currentKind(), SystemKind::Schedule);
        w.Click(kHallX, RowY(9, true));
        const int top = BuildingPainter::RowTop(kBottom, 9);
        for (int i = 0; i < 20 && w.sim.building.car.doorOpen == 0; ++i) w.Press(IdStep);
        QCOMPARE(w.sim.building.car.floor, 9);
        QCOMPARE(Rgb(w.Strip(), 41, top - 1), Colour(0, 255, 0));
        QVERIFY(!HasColour(w.Strip(), QRect(40, kBottom - 35, 14, 19), Colour(0, 255, 0)));
        for (int i = 0; i < 20 && w.sim.building.car.doorOpen == 1; ++i) w.Press(IdStep);
        QCOMPARE(Rgb(w.Strip(), 41, top - 1), Colour(255, 0, 0));
        QCOMPARE(Rgb(w.Strip(), 52, top + 15), Colour(255, 0, 0));
    }

    void startStopAndRecording() {
        Window w;
        w.sim.settings.timeDelay = 3;
        w.Press(IdStart);
        QVERIFY(w.dialog->isRunning());
        QCOMPARE(w.dialog->stepPeriod(), 10);
        QCOMPARE(w.sim.settings.timeDelay, 3);
        w.Press(IdStop);
        QVERIFY(!w.dialog->isRunning());

        w.Press(IdStart);
        w.dialog->action(IdMenuRecord)->trigger();
        QVERIFY(!w.dialog->isRunning());
        QCOMPARE(w.sim.recorder.mode, int(PressRecorder::Recording));
        w.Press(IdStart);
        QVERIFY(!w.dialog->isRunning());
        w.Press(IdStep);
        QCOMPARE(w.sim.stepCounter, 1);

        w.dialog->action(IdMenuPlay)->trigger();
        QCOMPARE(w.sim.recorder.mode, int(PressRecorder::Playing));
        w.Press(IdStart);
        QVERIFY(w.dialog->isRunning());
        w.dialog->action(IdMenuStopRecorder)->trigger();
        QCOMPARE(w.sim.recorder.mode, int(PressRecorder::Off));
        QVERIFY(w.dialog->isRunning());
    }

    void switchingSystemShowsStepZeroAndResets() {
        Window w;
        auto stepText = [&w](int step) {
            QImage image(75, 32, QImage::Format_ARGB32_Premultiplied);
            image.fill(w.dialog->client()->palette().color(QPalette::Window));
            QPainter painter(&image);
            painter.setFont(w.dialog->client()->font());
            painter.setPen(QColor(0, 0, 0));
            painter.drawText(QRect(0, 0, 75, 32), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("Шаг: %1").arg(step));
            painter.end();
            return image.convertToFormat(QImage::Format_RGB32);
        };
        auto shown = [&w] {
            return w.Strip().copy(85, 55, 75, 32).convertToFormat(QImage::Format_RGB32);
        };
        QCOMPARE(shown(), stepText(0));
        w.Click(kHallX, RowY(9, true));
        w.Press(IdStart);
        for (int i = 0; i < 5; ++i) w.Press(IdStep);
        QCOMPARE(shown(), stepText(5));
        QVERIFY(shown() != stepText(0));

        QTest::mouseClick(w.dialog->item(IdSchedule), Qt::LeftButton);
        QCOMPARE(w.sim.currentKind(), SystemKind::Schedule);
        QVERIFY(!w.dialog->isRunning());
        QCOMPARE(w.sim.stepCounter, 0);
        QCOMPARE(w.sim.building.car.floor, 1);
        QCOMPARE(w.sim.building.hallPanel.up[9], 0);
        QCOMPARE(shown(), stepText(0));
    }

    void efficiencySampleIsPlottedInTheOrColour() {
        Window w;
        QTest::mouseClick(w.dialog->item(IdSchedule), Qt::LeftButton);
        EfficiencyChartPanel& chart = w.dialog->efficiencyPanel;
        // Limit labels of one digit and one decimal leave a margin of 30 pixels.
        QCOMPARE(chart.plotRect().left, 30);
        QCOMPARE(w.dialog->solverLearningPanel.plotRect().left, 30);
        const ChartRect p = chart.plotRect();
        QCOMPARE(Rgb(chart.composedImage(), 30, p.top + 20), Colour(255, 255, 255));
        QCOMPARE(Rgb(chart.composedImage(), 31, p.top + 21), Colour(150, 150, 150));
        QVERIFY(!HasColour(chart.composedImage(), QRect(0, 0, 300, 300), Colour(150, 255, 150)));

        w.Click(kHallX, RowY(9, true));
        for (int i = 0; i < 30 && w.Edit(IdEfficiency)->text() == "0.0"; ++i) w.Press(IdStep);
        const QString text = w.Edit(IdEfficiency)->text();
        QVERIFY2(QRegularExpression("^0\\.\\d{20}$").match(text).hasMatch(), qPrintable(text));
        QCOMPARE(text, QString::asprintf("%10.20f", w.sim.lastEfficiency()));
        // The first segment rises from 0.0 at the right end of the plot: green ORed on grey.
        const QImage plotted = chart.composedImage();
        QCOMPARE(Rgb(plotted, p.right - 6, p.bottom), Colour(150, 255, 150));
        QVERIFY(HasColour(plotted, QRect(p.right - 4, p.top, 2, p.bottom - p.top),
                          Colour(150, 255, 150)));

        // Reset clears the plot but keeps the value.
        w.Press(IdReset);
        QVERIFY(!HasColour(chart.composedImage(), QRect(0, 0, 300, 300), Colour(150, 255, 150)));
        QCOMPARE(w.Edit(IdEfficiency)->text(), text);
    }

    void onlyTheCloseBoxWritesTheSettings() {
        const QByteArray own = "time delay 250\n";
        {
            Window w;
            WriteFile("vardeck.cfg", own);
            QTest::keyClick(w.dialog.get(), Qt::Key_Escape);
            QVERIFY(!w.dialog->isVisible());
            QCOMPARE(ReadFile("vardeck.cfg"), own);

            w.Open();
            QCOMPARE(w.sim.settings.timeDelay, 250);
            w.dialog->action(IdMenuExit)->trigger();
            QVERIFY(!w.dialog->isVisible());
            QCOMPARE(w.dialog->result(), 0);

            w.Open();
            QTest::keyClick(w.dialog->item(IdAdaptive), Qt::Key_Return);
            QVERIFY(!w.dialog->isVisible());
            QCOMPARE(ReadFile("vardeck.cfg"), own);

            w.Open();
            w.dialog->close();
            QVERIFY(!w.dialog->isVisible());
            QVERIFY(ReadFile("vardeck.cfg").startsWith("time delay 250\nstep to count populest"));
        }
        Window fresh;
        fresh.dialog->close();
        QVERIFY(ReadFile("vardeck.cfg").startsWith("time delay 600\n"));
    }

    void recordMenuFiles() {
        Window w;
        TestDialog& d = *w.dialog;
        d.action(IdMenuRecord)->trigger();
        w.Click(kHallX, RowY(9, true));
        w.Press(IdStep);
        QCOMPARE(w.sim.recorder.entries.size(), std::size_t(1));

        // Save without a name asks for one; the next Save does not.
        d.answers = QStringList{w.dir.path("first.but")};
        d.action(IdMenuSave)->trigger();
        QCOMPARE(d.asked, QList<bool>{true});
        QVERIFY(ReadFile(w.dir.path("first.but")).startsWith("1\n0 9 1    0 0"));
        d.action(IdMenuSave)->trigger();
        QCOMPARE(d.asked.size(), 1);

        d.action(IdMenuNew)->trigger();
        QVERIFY(w.sim.recorder.entries.empty());
        QVERIFY(w.sim.recorder.fileName.empty());
        d.action(IdMenuOpen)->trigger();  // cancelled: nothing changes
        QVERIFY(w.sim.recorder.fileName.empty());
        d.answers = QStringList{w.dir.path("first.but")};
        d.action(IdMenuOpen)->trigger();
        QCOMPARE(d.asked, (QList<bool>{true, false, false}));
        QCOMPARE(w.sim.recorder.entries.size(), std::size_t(1));
        QCOMPARE(w.sim.recorder.mode, int(PressRecorder::Recording));
    }

    void sequenceFileDialogs() {
        ScopedWorkDir dir;
        std::unique_ptr<QFileDialog> save(MakeSequenceFileDialog(nullptr, true));
        QCOMPARE(save->windowTitle(), QStringLiteral("Сохранить файл последовательностей нажатий"));
        QCOMPARE(save->nameFilters(), QStringList{"Последовательности нажатий (*.but)"});
        QCOMPARE(save->defaultSuffix(), QStringLiteral("but"));
        QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!save->testOption(QFileDialog::DontConfirmOverwrite));
        QVERIFY(save->testOption(QFileDialog::DontUseNativeDialog));
        std::unique_ptr<QFileDialog> open(MakeSequenceFileDialog(nullptr, false));
        QCOMPARE(open->windowTitle(), QStringLiteral("Открыть файл последовательностей нажатий"));
        QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
        QVERIFY(open->defaultSuffix().isEmpty());
    }

    void solverTrainingShowsEpochAndReturnsToLearn() {
        Window w;
        if (!w.NeuroAvailable()) QSKIP("the neuro control system is not built in yet");
        applyNetworkDefaults();  // as the program does at start
        WriteFile("solver.pat", "1\n1 0 0 2 0 1 0 +1.0    1 0 0 1 0 0 0 0\n");
        QTest::mouseClick(w.dialog->item(IdNeuro), Qt::LeftButton);
        SolverLearningPanel& panel = w.dialog->solverLearningPanel;

        w.Press(IdSolverLearn);
        QCOMPARE(w.Button(IdSolverLearn)->text(), QStringLiteral("Stop"));
        QVERIFY(panel.IsWatching());
        panel.WaitForWorker();
        // Before the end has been announced the tick shows the epochs trained.
        panel.Update();
        bool number = false;
        QVERIFY(w.Edit(IdEpoch)->text().toInt(&number) > 0 && number);
        QVERIFY(!w.Edit(IdDelta)->text().isEmpty());
        QCOMPARE(w.Button(IdSolverLearn)->text(), QStringLiteral("Stop"));
        QVERIFY(w.messages.texts.isEmpty());

        QCoreApplication::processEvents();
        QCOMPARE(w.messages.texts, QStringList{"Обучение завершено"});
        QVERIFY(panel.IsFinished());
        panel.Update();
        QCOMPARE(w.Button(IdSolverLearn)->text(), QStringLiteral("Learn"));
        QVERIFY(!panel.IsWatching());
        QVERIFY(w.Edit(IdEpoch)->text().isEmpty());
        QVERIFY(QFile::exists("solver.img"));
    }

    void closingWhileTrainingStopsIt() {
        Window w;
        if (!w.NeuroAvailable()) QSKIP("the neuro control system is not built in yet");
        // One input, two targets: the error never falls far enough, so only a stop ends it.
        WriteFile(
            "solver.pat",
            "2\n0 1 0 3 0 0 0 +0.5    1 0 0 0 0 0 0 0\n0 1 0 3 0 0 0 +0.5    0 1 0 0 0 0 0 0\n");
        QTest::mouseClick(w.dialog->item(IdNeuro), Qt::LeftButton);
        w.Press(IdSolverLearn);
        QVERIFY(w.dialog->solverLearningPanel.IsWatching());
        w.dialog->close();
        QVERIFY(!w.dialog->isVisible());
        QVERIFY(!w.dialog->solverLearningPanel.IsWatching());
        QVERIFY(QFile::exists("vardeck.cfg"));
        QCoreApplication::processEvents();
        QVERIFY(w.messages.texts.isEmpty());
    }
};
VARDECK_GUI_TEST(MainWindowTest);

#include "main_window_test.moc"
