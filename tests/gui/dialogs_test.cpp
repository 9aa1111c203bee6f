// The configuration, about and learning windows.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

#include "app/about_dialog.h"
#include "app/config_dialog.h"
#include "app/learning_dialog.h"
#include "app/qt_translations.h"
#include "control/control_system.h"
#include "control/settings.h"
#include "gui_test_registry.h"
#include "gui_test_support.h"
#include "neuro/teacher_network.h"

using namespace vardeck;
using namespace vardeck::guitest;

namespace {

// Stands in for the adaptive system's teacher: a training leaves known error values behind and
// 7 epochs; when told to, it trains until it is asked to stop.
class FakeTeacherSystem : public ControlSystem {
public:
    std::atomic<bool> runUntilStopped{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<int> runsEnded{0};
    std::atomic<int> stops{0};
    TeacherNetwork teacher;

    void command(CommandCode code, void* argument) override {
        if (code == CmdLearnTeacher) {
            teacher.epochMaxError = 0.25f;
            while (runUntilStopped && !stopRequested) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // winding down
            ++runsEnded;
        } else if (code == CmdStopTeacherLearning) {
            ++stops;
            stopRequested = true;
        } else if (code == CmdGetTeacherEpoch) {
            *static_cast<int*>(argument) = 7;
        }
    }
};

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void configStoresTheFieldHoweverItEnds() {
        Settings settings;
        settings.timeDelay = 250;
        {
            ConfigDialog dialog(settings);
            QCOMPARE(dialog.findChild<QLineEdit*>()->text(), QStringLiteral("250"));
            dialog.show();
            dialog.findChild<QLineEdit*>()->clear();
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(settings.timeDelay, 0);
        {
            ConfigDialog dialog(settings);
            dialog.show();
            dialog.findChild<QLineEdit*>()->setText("99999999999");
            dialog.close();
        }
        QCOMPARE(settings.timeDelay, INT_MAX);
    }

    // Qt's standard dialogs follow the user's language: Russian on a Russian desktop, English
    // on an English one.
    void qtDialogsSpeakTheUsersLanguage() {
        QCoreApplication& app = *QCoreApplication::instance();
        auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
        auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
        auto removeAll = [&app] {
            for (QTranslator* translator : app.findChildren<QTranslator*>()) {
                QCoreApplication::removeTranslator(translator);
                delete translator;
            }
        };
        QVERIFY(installQtTranslations(app, QLocale(QLocale::Russian, QLocale::Russia)));
        QCOMPARE(cancel(), QStringLiteral("Отмена"));
        QCOMPARE(lookIn(), QStringLiteral("Перейти к:"));
        removeAll();
        installQtTranslations(app, QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
        removeAll();
    }

    void aboutText() {
        AboutDialog dialog;
        QCOMPARE(dialog.findChild<QLabel*>("text")->text(),
                 QStringLiteral("Модель самообучаемой системы управления "));
    }

    void learningRunAndEscape() {
        MessageCapture messages;
        FakeTeacherSystem system;
        LearningDialog dialog(system, system.teacher);
        auto* go = static_cast<QPushButton*>(dialog.item(IdLearningGo));
        auto text = [&dialog](int id) { return static_cast<QLineEdit*>(dialog.item(id))->text(); };

        dialog.show();
        // A run is watched, its epoch and error shown, until the message has been sent.
        QTest::mouseClick(go, Qt::LeftButton);
        QCOMPARE(go->text(), QStringLiteral("&Stop"));
        dialog.waitForWorker();
        dialog.refresh();
        QCOMPARE(text(IdLearningEpoch), QStringLiteral("7"));
        QCOMPARE(text(IdLearningError), QStringLiteral("0.25000000000000000000"));
        QCoreApplication::processEvents();
        QCOMPARE(messages.texts, QStringList{"Обучение завершено"});
        dialog.refresh();
        QVERIFY(!dialog.isWatching());
        QCOMPARE(go->text(), QStringLiteral("&Go"));

        // Escape stops a run that only ends when stopped and waits for it; no message follows.
        system.runUntilStopped = true;
        messages.texts.clear();
        QTest::mouseClick(go, Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(system.stops.load(), 1);
        QCOMPARE(system.runsEnded.load(), 2);
        QVERIFY(!dialog.isWatching());
        QCoreApplication::processEvents();
        QVERIFY(messages.texts.isEmpty());
    }
};
VARDECK_GUI_TEST(DialogsTest);

#include "dialogs_test.moc"
