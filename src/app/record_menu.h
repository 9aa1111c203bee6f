#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <string>

class QAction;
class QFileDialog;
class QMenuBar;
class QWidget;

namespace vardeck {

class PressRecorder;

// The Record menu of the main window: the recorder's mode and its press-sequence files.
class RecordMenu : public QObject {
    Q_OBJECT

public:
    // `window` parents the file dialogs.
    RecordMenu(PressRecorder& recorder, QWidget* window);

    // Adds the menu to `menuBar` and its commands to `actions` by their ids.
    void addTo(QMenuBar* menuBar, QHash<int, QAction*>& actions);

signals:
    // Recording is about to start; the step timer must stop, as a recording is made one Step
    // at a time.
    void recordingStarts();
    // The mode text beside the building has changed.
    void modeChanged();

private:
    void onRecord();
    void onPlay();
    void onStopRecorder();
    void onNewRecording();
    void onOpenRecording();
    void onSaveRecording();
    void onSaveRecordingAs();
    void saveTo(const std::string& path);
    // Tells the user that `what` failed for the file `path`, and the system's reason `error`.
    void tellFailure(const QString& what, const QString& path, int error);
    // Asks for the name of a press-sequence file to open or to save; empty when cancelled.
    QString chooseSequenceFile(bool save);

    PressRecorder& recorder_;
    QWidget* window_;
};

// A file dialog for press-sequence files, set up to open or to save one.
QFileDialog* makeSequenceFileDialog(QWidget* parent, bool save);

}  // namespace vardeck
