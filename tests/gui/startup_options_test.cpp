// The window program's --workdir option: which folder it picks and what the user is told.

#include "app/startup_options.h"

#include <QtTest>
#include <cstdlib>

#include "gui_test_registry.h"
#include "gui_test_support.h"

using namespace vardeck;
using namespace vardeck::guitest;

class StartupOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void picksTheFolderAndSetsItUp() {
        struct Case {
            QStringList arguments;
            QString expected;  // relative to the scratch folder; empty: the folder stays
        };
        const QList<Case> cases = {
            {{"--demo", "x.but"}, ""},
            {{"--workdir", "named"}, "named"},
            {{"--workdir=-dash"}, "-dash"},
            {{"--workdir"}, "xdg/vardeck"},
            {{"--workdir", "--demo", "x.but"}, "xdg/vardeck"},
        };
        const QByteArray previousXdg = qgetenv("XDG_DATA_HOME");
        for (const Case& c : cases) {
            ScopedWorkDir scratch;
            const QString root = QDir::currentPath();
            qputenv("XDG_DATA_HOME", (root + "/xdg").toLocal8Bit());
            MessageCapture messages;
            QVERIFY(enterWorkFolder(QStringList{"vardeck"} + c.arguments, VARDECK_DATA_DIR));
            qputenv("XDG_DATA_HOME", previousXdg);
            QCOMPARE(messages.texts, QStringList());
            const QString expected = c.expected.isEmpty() ? root : root + "/" + c.expected;
            QCOMPARE(QDir::currentPath(), expected);
            QCOMPARE(QFile::exists("vardeck.cfg"), !c.expected.isEmpty());
        }
    }

    void blockedFolderIsReportedAndNotEntered() {
        ScopedWorkDir scratch;
        const QString root = QDir::currentPath();
        QFile file("blocked");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const struct {
            QStringList arguments;
            QString defaults;
            QString said;
        } cases[] = {
            {{"--workdir", "blocked/work"}, VARDECK_DATA_DIR, "\"" + root + "/blocked\""},
            {{"--workdir", "work"}, root + "/no-data", "Reinstall Vardeck"},
            {{"--workdir="}, VARDECK_DATA_DIR, "needs the name of a folder"},
        };
        for (const auto& c : cases) {
            MessageCapture messages;
            QVERIFY(!enterWorkFolder(QStringList{"vardeck"} + c.arguments, c.defaults));
            QCOMPARE(messages.texts.size(), 1);
            QVERIFY2(messages.texts[0].contains(c.said), qPrintable(messages.texts[0]));
            QCOMPARE(QDir::currentPath(), root);
            QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList{"blocked"});
        }
    }
};
VARDECK_GUI_TEST(StartupOptionsTest)

#include "startup_options_test.moc"
