// Build tool: writes the program's icon as the PNG files of the hicolor icon theme,
// DIR/hicolor/SIZExSIZE/apps/vardeck.png, for the menu entry.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/app_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: vardeck_icons DIR\n", stderr);
        return 2;
    }
    // Drawing needs no screen; the build may have none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
        const QString file = folder + QStringLiteral("/vardeck.png");
        if (!QDir().mkpath(folder) || !vardeck::appIconPixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "vardeck_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
