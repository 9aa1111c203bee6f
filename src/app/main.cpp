// The desktop program: one main window around the simulation. Every file is read and written in
// the current working directory, by its bare name (with --workdir, a folder set up first).

#include <QApplication>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <clocale>
#include <string>

#include "app/main_dialog.h"
#include "app/qt_translations.h"
#include "app/startup_options.h"
#include "neuro/network_settings.h"
#include "sim/simulation.h"

int main(int argc, char** argv) {
    if (const int code = vardeck::answerInfoOptions(argc, argv); code >= 0) return code;
    // The folder comes first: without a display Qt ends the program before anything could be
    // told, and the folder's name keeps its bytes only before Qt turns the arguments into text.
    const std::string failure =
        vardeck::enterWorkFolder(argc, argv, vardeck::installedDataFolder(argv[0]));
    if (!failure.empty()) return vardeck::reportStartFailure(argc, argv, failure);
    QApplication app(argc, argv);
    vardeck::installQtTranslations(app, QLocale());
    QGuiApplication::setDesktopFileName(QStringLiteral("vardeck"));
    // Qt switches to the user's locale; the settings file is read and written with the C
    // library's number formats, which must keep the decimal point.
    std::setlocale(LC_NUMERIC, "C");
    vardeck::applyNetworkDefaults();

    vardeck::Simulation simulation;
    vardeck::MainDialog dialog(simulation);

    // Undocumented, for the screenshot script: --demo FILE.but plays a recording back at once;
    // --demo FILE.but STEPS PICTURE.png plays STEPS steps of it as presses of Step would, saves
    // the picture of the window and ends, so the picture depends on the recording alone.
    const QStringList arguments = QApplication::arguments();
    const qsizetype demo = arguments.indexOf(QStringLiteral("--demo"));
    bool picture = false;
    const int steps =
        demo > 0 && demo + 3 < arguments.size() ? arguments.at(demo + 2).toInt(&picture) : 0;
    if (picture) {
        dialog.loadDemo(arguments.at(demo + 1));
        for (int step = 0; step < steps; ++step) dialog.runStep();
        dialog.show();
        QCoreApplication::processEvents();
        return dialog.grab().save(arguments.at(demo + 3)) ? 0 : 1;
    }
    if (demo > 0 && demo + 1 < arguments.size()) {
        dialog.startDemo(arguments.at(demo + 1), 20);
    }

    dialog.exec();
    return 0;
}
