#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <QTimer>
#include <string>

#include "app/main_layout.h"
#include "app/record_menu.h"
#include "chart/efficiency_chart_panel.h"
#include "chart/solver_learning_panel.h"
#include "control/user_interface.h"
#include "sim/simulation.h"

class QAction;
class QCloseEvent;
class QKeyEvent;
class QLineEdit;
class QMenuBar;
class QPainter;
class QPoint;
class QPushButton;
class QRadioButton;

namespace vardeck {

class ClientArea;
class LearningDialog;

// The main window: the building strip on the left, the two charts, the value boxes and the
// buttons that drive the simulation. It holds no simulation logic: every button, menu item, tick
// and click is handed to the Simulation, which calls back through the UserInterface hooks.
//
// The window ends by its close box (which writes the settings file), by File > Exit, Escape or
// Enter (which do not).
class MainDialog : public QDialog, public UserInterface {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 641;
    static constexpr int kClientHeight = 452;
    static constexpr int kStripWidth = 180;

    // Builds the window and runs its initialisation: settings, start-up control system, panels
    // and value boxes. `simulation` must outlive the window.
    explicit MainDialog(Simulation& simulation, QWidget* parent = nullptr);
    ~MainDialog() override;

    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    Simulation& simulation() { return sim_; }
    // The control with the given id, null for an unknown id.
    QWidget* item(int id) const { return items_.value(id, nullptr); }
    // The menu command with the given id, null for an unknown id.
    QAction* action(int id) const { return actions_.value(id, nullptr); }
    // The client area: everything below the menu bar, 641 x 452 pixels.
    QWidget* client() const;
    // Whether the step timer runs.
    bool isRunning() const { return stepTimer_.isActive(); }

    // Loads the recording in `path` for playback from step 0 under the start-up system.
    void loadDemo(const QString& path);
    // The same, and steps every `period` ms.
    void startDemo(const QString& path, int period);

    void runStep();
    void resetSimulation();

    // UserInterface
    void efficiencySampleTaken(int floor, int direction) override;
    void showMessage(const std::string& text) override;
    void runTeacherLearning(ControlSystem& system, NeuralNetwork& teacher) override;
    void stopTimer() override;
    void clearEfficiencyChart() override;
    void valuesRefreshed() override;
    // Repaints the building strip at once.
    void redrawStrip() override;

    // Ends the window however it is ended; trainings are stopped and waited for first.
    void done(int result) override;

    SolverLearningPanel solverLearningPanel;
    EfficiencyChartPanel efficiencyPanel;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class ClientArea;

    void buildControls();
    void buildMenu();
    void initialise();
    void paintClient(QPainter& painter);
    void clickClient(const QPoint& point);
    void setValueText(int id, const QString& text);

    void onSolverLearn();
    void onStart();
    void onStop();
    void select(SystemKind kind);
    void sendToCurrent(CommandCode code, void* argument);
    void onExit();
    void onConfig();
    void onAbout();

    Simulation& sim_;
    ClientArea* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QHash<int, QWidget*> items_;
    QHash<int, QAction*> actions_;
    QTimer stepTimer_;
    RecordMenu recordMenu_;
    LearningDialog* activeLearning_ = nullptr;
};

}  // namespace vardeck
