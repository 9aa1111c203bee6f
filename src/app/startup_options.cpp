#include "app/startup_options.h"

#include <unistd.h>

#include <QApplication>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/message_box.h"
#include "app/qt_translations.h"
#include "io/work_folder.h"

namespace vardeck {
namespace {

namespace fs = std::filesystem;

const char* const kHelp =
    "Usage: vardeck [--workdir [DIR]]\n"
    "Simulates one elevator car in a 28-floor building, to compare elevator\n"
    "control systems and to train a self-learning one. Vardeck reads and\n"
    "writes all its files (vardeck.cfg, the networks solver.img and\n"
    "teacher.img, their patterns, recordings *.but) in the current directory.\n"
    "\n"
    "Options:\n"
    "  --workdir DIR   work in DIR: create it if it is missing and copy into\n"
    "                  it every default file that it lacks; files already\n"
    "                  there are never overwritten\n"
    "  --workdir       the same in the user's own folder,\n"
    "                  $XDG_DATA_HOME/vardeck, or ~/.local/share/vardeck when\n"
    "                  XDG_DATA_HOME is not set; the menu entry starts\n"
    "                  Vardeck this way\n"
    "  --workdir=DIR   as --workdir DIR, for a DIR that begins with '-'\n"
    "  -h, --help      show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "The default files come from ../share/vardeck/data beside the folder of\n"
    "the program (/usr/share/vardeck/data for /usr/bin/vardeck). When the\n"
    "working folder cannot be set up (a file is in its way, it cannot be\n"
    "created, or the defaults are missing) Vardeck says why on stderr, and in\n"
    "a message box when it runs on a display, and exits with status 1\n"
    "without changing anything.\n"
    "\n"
    "Qt's own options, such as -platform, apply as well.\n";

bool isPlatformOption(const char* argument) {
    return !std::strcmp(argument, "-platform") || !std::strcmp(argument, "--platform");
}

// Qt's choice of platform, from the command line first, as Qt itself reads it ("-platform NAME",
// or with two dashes), else from the environment.
std::string requestedPlatform(int argc, const char* const* argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (isPlatformOption(argv[i])) return argv[i + 1];
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform ? platform : "";
}

bool isSet(const char* variable) {
    return variable && *variable;
}

fs::path programOnPath(const char* argv0) {
    std::error_code error;
    if (!argv0 || !*argv0) return {};
    if (std::strchr(argv0, '/')) return fs::weakly_canonical(fs::absolute(argv0, error), error);
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const std::size_t end = std::min(folders.find(':'), folders.size());
        const fs::path candidate = fs::path(folders.substr(0, end)) / argv0;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return fs::weakly_canonical(fs::absolute(candidate, error), error);
        }
        folders.remove_prefix(std::min(end + 1, folders.size()));
    }
    return {};
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

std::string enterWorkFolder(int argc, const char* const* argv, const std::string& defaults) {
    const std::string_view option = "--workdir";
    std::string name;
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i) {
        const std::string_view argument = argv[i];
        if (argument == option) {
            asked = true;
            if (i + 1 < argc && argv[i + 1][0] != '-') name = argv[i + 1];
        } else if (argument.starts_with(option) && argument.size() > option.size() &&
                   argument[option.size()] == '=') {
            asked = true;
            name = argument.substr(option.size() + 1);
            if (name.empty()) return "--workdir= needs the name of a folder.";
        }
    }
    if (!asked) return {};

    fs::path folder = name;
    if (name.empty()) {
        folder = WorkFolder::userFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        if (folder.empty()) {
            return "Cannot find your data folder: neither XDG_DATA_HOME nor HOME names an "
                   "absolute folder. Name one with --workdir DIR.";
        }
    }
    WorkFolder workFolder(folder, defaults);
    if (!workFolder.prepare()) return workFolder.error();
    std::error_code error;
    fs::current_path(folder, error);
    if (error)
        return "Cannot work in the folder \"" + folder.string() + "\": " + error.message() + ".";
    return {};
}

int reportStartFailure(int argc, char** argv, const std::string& text) {
    std::fprintf(stderr, "vardeck: %s\n", text.c_str());
    const std::string platform = requestedPlatform(argc, argv);
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!hasUserDisplay(platform, x11, wayland)) return 1;

    // A display that is named but cannot be reached must not end the program in Qt's abort:
    // offscreen comes last in the list Qt tries, and then there is nobody to show a box to.
    std::string tried = platform.empty() ? std::string(isSet(x11) ? "xcb;" : "") +
                                               (isSet(wayland) ? "wayland;" : "")
                                         : platform + ";";
    tried += "offscreen";
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && i + 1 < argc && isPlatformOption(argv[i])) {
            ++i;  // replaced by the list above
            continue;
        }
        arguments.push_back(argv[i]);
    }
    std::string platformWord = "-platform";
    arguments.push_back(platformWord.data());
    arguments.push_back(tried.data());
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(count, arguments.data());
    installQtTranslations(app, QLocale());
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        showMessageBox(nullptr, QString::fromLocal8Bit(text));
    }
    return 1;
}

bool hasUserDisplay(const std::string& platform, const char* x11Display,
                    const char* waylandDisplay) {
    if (platform.empty()) return isSet(x11Display) || isSet(waylandDisplay);
    // Qt tries the names in order and takes the first that starts.
    std::string_view names = platform;
    while (!names.empty()) {
        const std::size_t end = std::min(names.find(';'), names.size());
        const std::string_view entry = names.substr(0, end);
        const std::string_view name = entry.substr(0, entry.find(':'));
        names.remove_prefix(std::min(end + 1, names.size()));
        if (name.empty()) continue;
        if (name == "offscreen" || name.starts_with("minimal")) return false;
        if (name == "xcb") {
            if (isSet(x11Display)) return true;
        } else if (name.starts_with("wayland")) {
            if (isSet(waylandDisplay)) return true;
        } else {
            return true;  // a screen of its own: eglfs, linuxfb, vnc and the like
        }
    }
    return false;
}

std::string installedDataFolder(const char* argv0) {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) program = programOnPath(argv0);
    return (program.parent_path() / VARDECK_DATA_FROM_BIN).lexically_normal().string();
}

}  // namespace vardeck
