// The main window driven as a user drives it: buttons, clicks on the building, menus, keys.

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "app/building_painter.h"
#include "app/main_dialog.h"
#include "gui_test_registry.h"
#include "gui_test_support.h"
#include "neuro/network_settings.h"

using namespace vardeck;
using namespace vardeck::guitest;

namespace {

constexpr int kBottom = MainDialog::kClientHeight;
constexpr int kCarX = 47;
constexpr int kHallX = 60;
const QRgb kRed = colour(255, 0, 0);
// One input, two targets: the error never falls far enough, so only a stop ends the training.
const QByteArray kEndlessPatterns =
    "2\n0 1 0 3 0 0 0 +0.5    1 0 0 0 0 0 0 0\n0 1 0 3 0 0 0 +0.5    0 1 0 0 0 0 0 0\n";
// The status texts beside the building.
const QRect kStatusArea(85, 55, 95, 175);

// A point in the upper (up) or lower (down) part of a floor's row.
int rowY(int floor, bool upper) {
    return kBottom - 18 - (15 * (floor - 1) + (upper ? 10 : 3));
}

// One window in its own working directory, with message boxes answered.
struct Window {
    ScopedWorkDir dir;
    MessageCapture messages;
    Simulation sim;
    std::unique_ptr<MainDialog> dialog;

    Window() { open(); }
    void open() {
        dialog.reset();  // the old window lets go of the simulation first
        dialog = std::make_unique<MainDialog>(sim);
        dialog->show();
    }
    QString text(int id) const { return static_cast<QLineEdit*>(dialog->item(id))->text(); }
    void press(int id) const { QTest::mouseClick(dialog->item(id), Qt::LeftButton); }
    void click(int x, int y) const { clickAt(dialog->client(), QPoint(x, y)); }
    QImage strip() const {
        return dialog->client()->grab(QRect(0, 0, MainDialog::kStripWidth, kBottom)).toImage();
    }
    QImage status() const {
        return strip().copy(kStatusArea).convertToFormat(QImage::Format_RGB32);
    }
};

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void clicksStepsAndStatusTexts() {
        Window w;
        QCOMPARE(w.text(IdKsu), QStringLiteral("0.00"));
        QTest::mouseClick(w.dialog->item(IdSchedule), Qt::LeftButton);
        // Floors 3 and 12 take no calls: a click there changes nothing.
        const QImage before = w.strip();
        w.click(kCarX, rowY(3, true));
        w.click(kHallX, rowY(12, true));
        QCOMPARE(w.strip(), before);

        // The car button of floor 20 and both hall buttons of floor 9.
        w.click(kCarX, rowY(20, true));
        w.click(kHallX, rowY(9, true));
        w.click(kHallX, rowY(9, false));
        const Building& b = w.sim.building;
        QCOMPARE(b.car.buttons[20] + b.hallPanel.up[9] + b.hallPanel.down[9], 3);
        const int m = kBottom - 15 * 9 - 11;  // the arrows' common base
        QCOMPARE(rgb(w.strip(), 59, m - 4), kRed);
        QCOMPARE(rgb(w.strip(), 59, m + 4), kRed);

        // The car goes to floor 9: green while its doors are open, red again when they close.
        const int top = BuildingPainter::rowTop(kBottom, 9);
        int steps = 0;
        for (; steps < 20 && b.car.doorOpen == 0; ++steps) w.press(IdStep);
        QCOMPARE(b.car.floor, 9);
        QCOMPARE(rgb(w.strip(), 41, top - 1), colour(0, 255, 0));
        for (; steps < 40 && b.car.doorOpen == 1; ++steps) w.press(IdStep);
        QCOMPARE(rgb(w.strip(), 41, top - 1), kRed);
        const QImage moved = w.status();

        // Choosing another system stops the timer and starts over from step 0 on floor 1.
        w.press(IdStart);
        QTest::mouseClick(w.dialog->item(IdAdaptive), Qt::LeftButton);
        QVERIFY(!w.dialog->isRunning());
        QCOMPARE(b.car.floor, 1);
        // The status texts follow: another step, another system's labels, no mode yet.
        const QImage reset = w.status();
        QVERIFY(reset != moved);
        const QRgb background = w.dialog->client()->palette().color(QPalette::Window).rgb();
        const QRect modeArea(0, 20, 65, 35);
        QVERIFY(inkBox(reset, modeArea, background).isEmpty());

        // The adaptive system's four labels; a recording is made one Step at a time.
        w.sim.adaptive.trendNow = 3;
        w.sim.adaptive.trendBefore = 1;
        w.sim.adaptive.decisionBefore = 2;
        w.sim.adaptive.decisionNow = 3;
        w.dialog->action(IdMenuRecord)->trigger();
        w.press(IdStart);
        QVERIFY(!w.dialog->isRunning());
        w.press(IdStep);
        const QImage recording = w.status();
        QVERIFY(!inkBox(recording, modeArea, background).isEmpty());
        for (const QRect& stepThenLabels : {QRect(0, 0, 75, 20), QRect(0, 65, 95, 110)})
            QVERIFY(recording.copy(stepThenLabels) != reset.copy(stepThenLabels));
        w.dialog->action(IdMenuPlay)->trigger();
        w.press(IdStart);
        QVERIFY(w.dialog->isRunning());
        QVERIFY(w.status().copy(modeArea) != recording.copy(modeArea));
    }

    void efficiencySampleIsShownAndPlotted() {
        Window w;
        QTest::mouseClick(w.dialog->item(IdSchedule), Qt::LeftButton);
        w.click(kHallX, rowY(9, true));
        for (int i = 0; i < 30 && w.text(IdEfficiency) == "0.0"; ++i) w.press(IdStep);
        const QString text = w.text(IdEfficiency);
        QVERIFY2(QRegularExpression("^0\\.\\d{20}$").match(text).hasMatch(), qPrintable(text));
        QCOMPARE(text, QString::asprintf("%10.20f", w.sim.lastEfficiency()));
        // The first segment rises from 0.0 at the right end of the plot, green ORed on grey.
        const ChartRect p = w.dialog->efficiencyPanel.plotRect();
        QCOMPARE(rgb(w.dialog->efficiencyPanel.composedImage(), p.right - 6, p.bottom),
                 colour(150, 255, 150));
    }

    void settingsAndSolverTraining() {
        Window w;
        // Escape leaves the settings file alone; the close box writes it, during a training too.
        writeFile("vardeck.cfg", "time delay 250\n");
        QTest::keyClick(w.dialog.get(), Qt::Key_Escape);
        QVERIFY(!w.dialog->isVisible());
        QCOMPARE(readFile("vardeck.cfg"), QByteArray("time delay 250\n"));
        w.open();

        applyNetworkDefaults();  // as the program does at start
        QTest::mouseClick(w.dialog->item(IdNeuro), Qt::LeftButton);
        SolverLearningPanel& panel = w.dialog->solverLearningPanel;
        writeFile("solver.pat", kEndlessPatterns);
        w.press(IdSolverLearn);
        QVERIFY(panel.isWatching());
        w.dialog->close();
        QVERIFY(!panel.isWatching());
        QVERIFY(readFile("vardeck.cfg").startsWith("time delay 250\nstep to count populest"));
    }

    // Record > Open and Save of files that cannot be read or written tell the user which file
    // and why; a name that names nothing opens as an empty recording without a word.
    void failedRecordFilesAreReported() {
        Window w;
        const QString root = QDir::currentPath();
        writeFile("file", "");
        writeFile("kept.but", "0");
        QFile large("large.but");
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(qint64{1} << 30));
        large.close();
        const struct {
            int menu;
            QString name;  // typed into the dialog, or the recording's own name for Save
            QString said;  // empty: no message
        } cases[] = {
            {IdMenuSaveAs, root + "/no-such/x.but", "No such file or directory"},
            {IdMenuSaveAs, root + "/file/x.but", "Not a directory"},
            {IdMenuSave, "gone/x.but", "No such file or directory"},
            {IdMenuOpen, "/dev/null", "Not a plain file"},
            {IdMenuOpen, root + "/large.but", "File too large"},
            {IdMenuOpen, root + "/missing.but", ""},
        };
        for (const auto& c : cases) {
            w.sim.recorder.load("kept.but");
            w.sim.recorder.addEntry({1, 9, 1}, PressValue{});
            if (c.menu == IdMenuSave) {
                w.sim.recorder.fileName = c.name.toStdString();
            } else {
                answerNextFileDialog(c.name);
            }
            w.messages.texts.clear();
            w.dialog->action(c.menu)->trigger();
            const QString failed =
                c.menu == IdMenuOpen ? "Cannot open" : "Cannot save the recording to";
            const QStringList said{failed + " \"" + c.name + "\": " + c.said + "."};
            QCOMPARE(w.messages.texts, c.said.isEmpty() ? QStringList() : said);
            if (c.menu == IdMenuOpen) {
                QVERIFY(w.sim.recorder.entries().empty() && w.sim.recorder.fileName.empty());
            } else {
                QVERIFY(!QFile::exists(c.name));
                QCOMPARE(w.sim.recorder.entries().size(), std::size_t{1});
                QCOMPARE(QString::fromStdString(w.sim.recorder.fileName),
                         c.menu == IdMenuSave ? c.name : QString("kept.but"));
            }
        }
        QCOMPARE(entries(root), QStringList({"file", "kept.but", "large.but"}));
    }

    // The close box keeps the values of the run; when they cannot be saved, the user is told
    // which file and why, and the window closes all the same.
    void aFailedSaveOnTheCloseBoxIsTold() {
        Window w;
        QVERIFY(QDir().mkpath("vardeck.cfg/inside"));
        w.dialog->close();
        QCOMPARE(w.messages.texts.size(), 1);
        QVERIFY(w.messages.texts[0].startsWith("Cannot save the settings to \"vardeck.cfg\": "));
        QVERIFY(!w.dialog->isVisible());
    }

    // A training started under one system is shown and stopped there, whichever system the
    // user chooses meanwhile.
    void solverTrainingFollowsTheSystemThatTrains() {
        Window w;
        applyNetworkDefaults();
        writeFile("solver.pat", kEndlessPatterns);
        SolverLearningPanel& panel = w.dialog->solverLearningPanel;
        auto* learn = static_cast<QPushButton*>(w.dialog->item(IdSolverLearn));
        SolverNetwork& trained = w.sim.adaptive.solver;
        SolverNetwork& other = w.sim.neuro.solver;
        QTest::mouseClick(w.dialog->item(IdAdaptive), Qt::LeftButton);
        w.press(IdSolverLearn);
        QTRY_VERIFY(trained.epochCount() > 2);
        QTest::mouseClick(w.dialog->item(IdNeuro), Qt::LeftButton);
        other.epochMaxError = 0.125f;
        QTest::mouseClick(w.dialog->item(IdSchedule), Qt::LeftButton);
        QCOMPARE(learn->text(), QStringLiteral("Stop"));
        w.press(IdSolverLearn);
        QCOMPARE(learn->text(), QStringLiteral("Learn"));
        QVERIFY(!other.stopRequested);
        panel.waitForWorker();
        panel.refresh();
        QCOMPARE(w.text(IdEpoch), QString::number(trained.epochCount()));
        QCOMPARE(w.text(IdDelta),
                 QString::asprintf("%10.20f", static_cast<double>(trained.epochMaxError.load())));
        QCoreApplication::processEvents();
        QCOMPARE(w.messages.texts, QStringList{"Обучение завершено"});
        // Once the end has been announced the tick is empty.
        panel.refresh();
        QVERIFY(w.text(IdEpoch).isEmpty());
    }
};
VARDECK_GUI_TEST(MainWindowTest);

#include "main_window_test.moc"
