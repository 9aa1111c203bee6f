#include "app/startup_options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/message_box.h"
#include "io/work_folder.h"

namespace vardeck {
namespace {

const char* const kHelp =
    "Usage: vardeck [--workdir [DIR]]\n"
    "Simulates one elevator car in a 28-floor building, to compare elevator control systems\n"
    "and to train a self-learning one. Vardeck reads and writes all its files (vardeck.cfg,\n"
    "the networks solver.img and teacher.img, their patterns, recordings *.but) in the\n"
    "current directory.\n"
    "\n"
    "Options:\n"
    "  --workdir DIR   work in DIR: create it if it is missing and copy into it every default\n"
    "                  file that it lacks; files already there are never overwritten\n"
    "  --workdir       the same in the user's own folder, $XDG_DATA_HOME/vardeck, or\n"
    "                  ~/.local/share/vardeck when XDG_DATA_HOME is not set; the menu entry\n"
    "                  starts Vardeck this way\n"
    "  --workdir=DIR   as --workdir DIR, for a DIR that begins with '-'\n"
    "  -h, --help      show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "The default files come from ../share/vardeck/data beside the folder of the program\n"
    "(/usr/share/vardeck/data for /usr/bin/vardeck). When the working folder cannot be set up\n"
    "(a file is in its way, it cannot be created, or the defaults are missing) Vardeck says why\n"
    "and exits with status 1 without changing anything.\n"
    "\n"
    "Qt's own options, such as -platform, apply as well.\n";

void tell(const QString& text) {
    std::fprintf(stderr, "vardeck: %s\n", text.toLocal8Bit().constData());
    showMessageBox(nullptr, text);
}

}  // namespace

int answerInfoOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::puts("vardeck " VARDECK_VERSION);
            return 0;
        }
    }
    return -1;
}

bool enterWorkFolder(const QStringList& arguments, const QString& defaults) {
    const QString option = QStringLiteral("--workdir");
    QString name;
    bool asked = false;
    for (qsizetype i = 1; i < arguments.size() && !asked; ++i) {
        if (arguments[i] == option) {
            asked = true;
            const bool named = i + 1 < arguments.size() && !arguments[i + 1].startsWith('-');
            if (named) name = arguments[i + 1];
        } else if (arguments[i].startsWith(option + '=')) {
            asked = true;
            name = arguments[i].mid(option.size() + 1);
            if (name.isEmpty()) {
                tell(QStringLiteral("--workdir= needs the name of a folder."));
                return false;
            }
        }
    }
    if (!asked) return true;

    std::filesystem::path folder = QFile::encodeName(name).toStdString();
    if (name.isEmpty()) {
        folder = WorkFolder::userFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        if (folder.empty()) {
            tell(
                QStringLiteral("Cannot find your data folder: neither XDG_DATA_HOME nor HOME "
                               "names an absolute folder. Name one with --workdir DIR."));
            return false;
        }
    }
    WorkFolder workFolder(folder, QFile::encodeName(defaults).toStdString());
    if (!workFolder.prepare()) {
        tell(QFile::decodeName(workFolder.error().c_str()));
        return false;
    }
    const QString path = QFile::decodeName(folder.c_str());
    if (!QDir::setCurrent(path)) {
        tell(QStringLiteral("Cannot work in the folder \"%1\".").arg(path));
        return false;
    }
    return true;
}

QString installedDataFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" VARDECK_DATA_FROM_BIN));
}

}  // namespace vardeck
