// The configuration, about and learning windows.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <atomic>
#include <climits>
#include <thread>

#include "app/about_dialog.h"
#include "app/config_dialog.h"
#include "app/learning_dialog.h"
#include "control/control_system.h"
#include "control/settings.h"
#include "gui_test_registry.h"
#include "gui_test_support.h"
#include "neuro/network_settings.h"

using namespace vardeck;
using namespace vardeck::guitest;

namespace {

// Stands in for the adaptive system's teacher: each training adds 7 epochs and leaves known
// error values behind; when told to, it trains until it is asked to stop.
class FakeTeacherSystem : public ControlSystem {
public:
    std::atomic<bool> runUntilStopped{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<int> stops{0};
    std::atomic<int> epoch{0};
    std::atomic<void*> learnArgument{nullptr};

    void command(CommandCode code, void* argument) override {
        switch (code) {
            case CmdLearnTeacher:
                learnArgument = argument;
                epoch += 7;
                epochMaxError = 0.25f;
                recentMaxError = 0.3f;
                while (runUntilStopped && !stopRequested) std::this_thread::yield();
                stopRequested = false;
                break;
            case CmdStopTeacherLearning:
                ++stops;
                stopRequested = true;
                break;
            case CmdGetTeacherEpoch:
                *static_cast<int*>(argument) = epoch;
                break;
            default:
                break;
        }
    }
};

QLineEdit* Edit(const LearningDialog& d, int id) {
    return static_cast<QLineEdit*>(d.item(id));
}
QPushButton* Go(const LearningDialog& d) {
    return static_cast<QPushButton*>(d.item(IdLearningGo));
}

}  // namespace

class ConfigDialogTest : public QObject {
    Q_OBJECT

private slots:
    void parsesLikeTheStandardConversion() {
        QCOMPARE(ParseDelay(""), 0);
        QCOMPARE(ParseDelay("abc"), 0);
        QCOMPARE(ParseDelay("  42abc"), 42);
        QCOMPARE(ParseDelay("+5"), 5);
        QCOMPARE(ParseDelay("-7"), -7);
        QCOMPARE(ParseDelay("2147483647"), INT_MAX);
        QCOMPARE(ParseDelay("2147483648"), INT_MAX);
        QCOMPARE(ParseDelay("99999999999999999999999"), INT_MAX);
        QCOMPARE(ParseDelay("-99999999999"), INT_MIN);
        // Only the first 19 characters count.
        QCOMPARE(ParseDelay(QString(18, ' ') + "7"), 7);
        QCOMPARE(ParseDelay(QString(19, ' ') + "7"), 0);
        QCOMPARE(ParseDelay("1234567890123456789"
                            "0"),
                 INT_MAX);
    }

    void storesTheFieldHoweverItEnds() {
        Settings settings;
        settings.SetDefaults();
        {
            ConfigDialog dialog(settings);
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Configuration"));
            QCOMPARE(dialog.size(), QSize(219, 112));
            QCOMPARE(dialog.delayEdit()->text(), QStringLiteral("600"));
            dialog.show();
            dialog.delayEdit()->clear();
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(settings.timeDelay, 0);
        {
            ConfigDialog dialog(settings);
            dialog.show();
            QTest::keyClicks(dialog.delayEdit(), "2x5-0");
            QCOMPARE(dialog.delayEdit()->text(), QStringLiteral("250"));
            QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(settings.timeDelay, 250);
        {
            ConfigDialog dialog(settings);
            dialog.show();
            dialog.delayEdit()->setText("99999999999");
            dialog.close();
        }
        QCOMPARE(settings.timeDelay, INT_MAX);
    }

    void upDownChangesTheField() {
        Settings settings;
        settings.timeDelay = 1;
        ConfigDialog dialog(settings);
        dialog.show();
        QTest::keyClick(dialog.delayEdit(), Qt::Key_Up);
        QCOMPARE(dialog.delayEdit()->text(), QStringLiteral("2"));
        QTest::mouseClick(dialog.upButton(), Qt::LeftButton);
        QCOMPARE(dialog.delayEdit()->text(), QStringLiteral("3"));
        for (int i = 0; i < 5; ++i) QTest::mouseClick(dialog.downButton(), Qt::LeftButton);
        QCOMPARE(dialog.delayEdit()->text(), QStringLiteral("0"));
        QCOMPARE(settings.timeDelay, 1);  // nothing stored before the dialog ends
    }
};
VARDECK_GUI_TEST(ConfigDialogTest);

class AboutDialogTest : public QObject {
    Q_OBJECT

private slots:
    void showsIconAndText() {
        AboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Vardeck"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(dialog.findChild<QLabel*>("text")->text(),
                 QStringLiteral("Модель самообучаемой системы управления "));
        QCOMPARE(dialog.findChild<QLabel*>("icon")->pixmap().size(), QSize(32, 32));
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }
};
VARDECK_GUI_TEST(AboutDialogTest);

class LearningDialogTest : public QObject {
    Q_OBJECT

private slots:
    void layout() {
        FakeTeacherSystem system;
        LearningDialog dialog(system);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Learning"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(dialog.size(), QSize(270, 245));
        QCOMPARE(dialog.chartCtrl().geometry(), QRect(11, 11, 249, 166));
        QCOMPARE(dialog.chartCtrl().plotRect().left, 30);
        QVERIFY(Edit(dialog, IdLearningError)->text().isEmpty());
        QVERIFY(Edit(dialog, IdLearningEpoch)->text().isEmpty());
        QCOMPARE(Go(dialog)->text(), QStringLiteral("&Go"));
        QVERIFY(Go(dialog)->isDefault());
    }

    void runsAreWatchedUntilTheMessageIsClosed() {
        MessageCapture messages;
        FakeTeacherSystem system;
        LearningDialog dialog(system);
        dialog.show();
        for (const char* epoch : {"7", "14"}) {
            QTest::mouseClick(Go(dialog), Qt::LeftButton);
            QCOMPARE(Go(dialog)->text(), QStringLiteral("&Stop"));
            QVERIFY(dialog.IsWatching());
            dialog.WaitForWorker();
            QCOMPARE(system.learnArgument.load(), static_cast<void*>(&dialog));
            dialog.Update();
            QCOMPARE(Edit(dialog, IdLearningEpoch)->text(), QString(epoch));
            QCOMPARE(Edit(dialog, IdLearningError)->text(),
                     QStringLiteral("0.25000000000000000000"));
            QCOMPARE(recentMaxError.load(), 0.0f);
            QVERIFY(HasColour(dialog.chartCtrl().composedImage(), QRect(0, 0, 300, 300),
                              Colour(150, 255, 150)));
            QVERIFY(messages.texts.isEmpty());

            QCoreApplication::processEvents();
            QCOMPARE(messages.texts, QStringList{"Обучение завершено"});
            messages.texts.clear();
            QVERIFY(dialog.IsWatching());
            dialog.Update();
            QVERIFY(!dialog.IsWatching());
            QCOMPARE(Go(dialog)->text(), QStringLiteral("&Go"));
            QVERIFY(Edit(dialog, IdLearningEpoch)->text().isEmpty());
            QVERIFY(!HasColour(dialog.chartCtrl().composedImage(), QRect(0, 0, 300, 300),
                               Colour(150, 255, 150)));
        }
    }

    void stopLeavesTheRunWatched() {
        MessageCapture messages;
        FakeTeacherSystem system;
        system.runUntilStopped = true;
        LearningDialog dialog(system);
        dialog.show();
        QTest::mouseClick(Go(dialog), Qt::LeftButton);
        QTest::mouseClick(Go(dialog), Qt::LeftButton);
        QCOMPARE(system.stops.load(), 1);
        QCOMPARE(Go(dialog)->text(), QStringLiteral("&Go"));
        QVERIFY(dialog.IsWatching());
        dialog.WaitForWorker();
        QCoreApplication::processEvents();
        QCOMPARE(messages.texts, QStringList{"Обучение завершено"});
        dialog.Update();
        QVERIFY(!dialog.IsWatching());
    }

    void escapeStopsTheTrainingAndWaits() {
        MessageCapture messages;
        FakeTeacherSystem system;
        system.runUntilStopped = true;
        LearningDialog dialog(system);
        dialog.show();
        QTest::mouseClick(Go(dialog), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(system.stops.load(), 1);
        QVERIFY(!dialog.IsWatching());
        QCoreApplication::processEvents();
        QVERIFY(messages.texts.isEmpty());
    }
};
VARDECK_GUI_TEST(LearningDialogTest);

#include "dialogs_test.moc"
