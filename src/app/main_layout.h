#pragma once

#include <QHash>

class QWidget;

namespace vardeck {

// Control ids of the main window.
enum MainControlId : int {
    IdStart = 1000,
    IdStop = 1001,
    IdStep = 1003,
    IdReset = 1005,
    IdSchedule = 1006,
    IdNeuro = 1007,
    IdSolverLearn = 1008,
    IdSolverLoad = 1009,
    IdSolverSave = 1010,
    IdTeacherLearn = 1011,
    IdAdaptive = 1012,
    IdTeacherLoad = 1013,
    IdDelta = 1014,
    IdEpoch = 1015,
    IdPopulestFloor = 1016,
    IdEfficiencyFrame = 1017,
    IdLearningFrame = 1018,
    IdTeacherSave = 1019,
    IdEfficiency = 1020,
    IdKsu = 1021,
    IdOldKsu = 1022,
    IdImage = 1023,
};

// Menu command ids of the main window.
enum MainMenuId : int {
    IdMenuAbout = 40002,
    IdMenuHelp = 40003,
    IdMenuExit = 40004,
    IdMenuConfig = 40005,
    IdMenuRecord = 40007,
    IdMenuPlay = 40008,
    IdMenuStopRecorder = 40009,
    IdMenuOpen = 40011,
    IdMenuSave = 40012,
    IdMenuSaveAs = 40013,
    IdMenuNew = 40014,
};

// Lays the main window's controls out on its client area `area`, in their tab order, and returns
// them by id. What they do is for the window to connect.
QHash<int, QWidget*> layOutMainControls(QWidget* area);

}  // namespace vardeck
