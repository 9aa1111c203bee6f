// The window program's --workdir option: which folder it picks and what the user is told.

#include "app/startup_options.h"

#include <QProcess>
#include <QtTest>
#include <filesystem>
#include <string>
#include <vector>

#include "gui_test_registry.h"
#include "gui_test_support.h"

using namespace vardeck;
using namespace vardeck::guitest;

namespace {

// `arguments` after the program's name, as the bytes main() gets.
std::string enter(const QList<QByteArray>& arguments, const QString& defaults) {
    std::vector<const char*> argv{"vardeck"};
    for (const QByteArray& argument : arguments) argv.push_back(argument.constData());
    return enterWorkFolder(static_cast<int>(argv.size()), argv.data(),
                           QFile::encodeName(defaults).toStdString());
}

}  // namespace

class StartupOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void picksTheFolderAndSetsItUp() {
        struct Case {
            QList<QByteArray> arguments;
            QByteArray expected;  // relative to the scratch folder; empty: the folder stays
        };
        const QList<Case> cases = {{{"--demo", "x.but"}, ""},
                                   {{"--workdir", "named"}, "named"},
                                   {{"--workdir=-dash"}, "-dash"},
                                   {{"--workdir"}, "xdg/vardeck"},
                                   {{"--workdir", "--demo", "x.but"}, "xdg/vardeck"},
                                   // Latin-1, not valid UTF-8: the name on disk is the name given.
                                   {{"--workdir", "latin1-\xe9-name"}, "latin1-\xe9-name"}};
        const QByteArray previousXdg = qgetenv("XDG_DATA_HOME");
        for (const Case& c : cases) {
            ScopedWorkDir scratch;
            const std::string root = std::filesystem::current_path().string();
            qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root + "/xdg"));
            MessageCapture messages;
            const std::string failure = enter(c.arguments, VARDECK_DATA_DIR);
            qputenv("XDG_DATA_HOME", previousXdg);
            QCOMPARE(QString::fromLocal8Bit(failure), QString());
            QCOMPARE(messages.texts, QStringList());
            const std::string expected =
                c.expected.isEmpty() ? root : root + "/" + c.expected.toStdString();
            QCOMPARE(QByteArray::fromStdString(std::filesystem::current_path().string()),
                     QByteArray::fromStdString(expected));
            QCOMPARE(QFile::exists("vardeck.cfg"), !c.expected.isEmpty());
            // Qt's own clean-up cannot name a folder whose name is no text.
            std::filesystem::current_path(root);
            if (!c.expected.isEmpty()) std::filesystem::remove_all(expected);
        }
    }

    void blockedFolderIsReportedAndNotEntered() {
        ScopedWorkDir scratch;
        const QString root = QDir::currentPath();
        QFile file("blocked");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const struct {
            QList<QByteArray> arguments;
            QString defaults;
            QString said;
        } cases[] = {{{"--workdir", "blocked/work"}, VARDECK_DATA_DIR, "\"" + root + "/blocked\""},
                     {{"--workdir", "work"}, root + "/no-data", "Reinstall Vardeck"},
                     {{"--workdir="}, VARDECK_DATA_DIR, "needs the name of a folder"}};
        for (const auto& c : cases) {
            MessageCapture messages;
            const QString said = QString::fromStdString(enter(c.arguments, c.defaults));
            QVERIFY2(said.contains(c.said), qPrintable(said));
            QCOMPARE(messages.texts, QStringList());  // telling is the caller's
            QCOMPARE(QDir::currentPath(), root);
            QCOMPARE(entries(root), QStringList{"blocked"});
        }
    }

    // The help fits the manual page made from it, as vardeck-cli's does: 7 columns of indent
    // in an 80-column terminal.
    void helpFitsTheManualPage() {
        QProcess program;
        program.start(VARDECK_PROGRAM, {"--help"});
        QVERIFY(program.waitForFinished());
        const QList<QByteArray> lines = program.readAllStandardOutput().split('\n');
        QVERIFY(lines.size() > 10);
        for (const QByteArray& line : lines) QVERIFY2(line.size() <= 73, line.constData());
    }

    // The program itself, installed in a scratch tree: a folder it cannot use is told on stderr
    // and ends it with status 1, without a display and offscreen alike, never in Qt's abort or
    // in a box that nobody can answer.
    void startFailuresEndAtOnceWithoutAUserDisplay() {
        QTemporaryDir tree;
        const QString bin = tree.filePath("usr/bin");
        const QString work = tree.filePath("work");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(work) &&
                QDir().mkpath(tree.filePath("usr/share/vardeck")));
        QVERIFY(QFile::copy(VARDECK_PROGRAM, bin + "/vardeck"));
        QVERIFY(QProcess::execute(
                    "cp", {"-R", VARDECK_DATA_DIR, tree.filePath("usr/share/vardeck/data")}) == 0);
        QFile blocked(work + "/blocked");
        QVERIFY(blocked.open(QIODevice::WriteOnly));
        blocked.close();

        const struct {
            QStringList environment;  // NAME=VALUE over one without a display or a home
            QStringList arguments;
            QString said;
        } cases[] = {
            {{}, {"--workdir", "blocked/work"}, "\"" + work + "/blocked\" is in the way"},
            {{"QT_QPA_PLATFORM=offscreen"}, {"--workdir", "blocked/work"}, "is in the way"},
            {{}, {"-platform", "offscreen", "--workdir="}, "needs the name of a folder"},
            {{"QT_QPA_PLATFORM=minimal"}, {"--workdir"}, "Cannot find your data folder"},
            // A display that is named but not there.
            {{"DISPLAY=:987"}, {"--workdir", "blocked/work"}, "is in the way"},
            {{"QT_QPA_PLATFORM=xcb", "DISPLAY=:987"}, {"--workdir"}, "data folder"}};
        for (const auto& c : cases) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char* name :
                 {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "HOME", "XDG_DATA_HOME"}) {
                environment.remove(name);
            }
            for (const QString& setting : c.environment) {
                environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
            }
            QProcess program;
            program.setProcessEnvironment(environment);
            program.setWorkingDirectory(work);
            program.start(bin + "/vardeck", c.arguments);
            const bool ended = program.waitForFinished(20000);
            if (!ended) program.kill();
            const QString said = QString::fromLocal8Bit(program.readAllStandardError());
            const QString what = c.arguments.join(' ') + " " + c.environment.join(' ');
            QVERIFY2(ended, qPrintable(what));
            QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 1,
                     qPrintable(what + ": " + said));
            QVERIFY2(said.contains("vardeck: ") && said.contains(c.said), qPrintable(said));
            QCOMPARE(entries(work), QStringList{"blocked"});
        }
    }

    void showsBoxesOnlyWhereAUserSeesThem() {
        const struct {
            const char* platform;
            const char* x11;
            const char* wayland;
            bool box;
        } cases[] = {{"", nullptr, nullptr, false},
                     {"", "", "", false},
                     {"", ":0", nullptr, true},
                     {"", nullptr, "wayland-0", true},
                     {"offscreen", ":0", "wayland-0", false},
                     {"minimal", ":0", nullptr, false},
                     {"xcb", nullptr, "wayland-0", false},
                     {"xcb:nograb", ":0", nullptr, true},
                     {"wayland", ":0", nullptr, false},
                     {"wayland;xcb", ":0", nullptr, true},
                     {"offscreen;xcb", ":0", nullptr, false},
                     {"xcb;offscreen", nullptr, nullptr, false},
                     {"eglfs", nullptr, nullptr, true}};
        for (const auto& c : cases) {
            QVERIFY2(hasUserDisplay(c.platform, c.x11, c.wayland) == c.box, c.platform);
        }
    }
};
VARDECK_GUI_TEST(StartupOptionsTest)

#include "startup_options_test.moc"
