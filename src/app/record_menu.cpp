#include "app/record_menu.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>
#include <cerrno>
#include <cstring>

#include "app/dialog_layout.h"
#include "app/main_layout.h"
#include "app/message_box.h"
#include "record/press_recorder.h"

namespace vardeck {

namespace {

const QString kSequenceFilter = QStringLiteral("Последовательности нажатий (*.but)");

// The recorder's reason, from errno: the system's words, but its own for a file that exists and
// is no plain file, which the system has no good words for.
QString reasonText(int error) {
    if (error == EINVAL) return QStringLiteral("Not a plain file");
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

RecordMenu::RecordMenu(PressRecorder& recorder, QWidget* window)
    : recorder_(recorder), window_(window) {}

void RecordMenu::addTo(QMenuBar* menuBar, QHash<int, QAction*>& actions) {
    QMenu* record = menuBar->addMenu(QStringLiteral("Recor&d"));
    auto add = [&](int id, const QString& text, void (RecordMenu::*slot)()) {
        QAction* action = record->addAction(text);
        connect(action, &QAction::triggered, this, slot);
        actions.insert(id, action);
    };
    add(IdMenuRecord, QStringLiteral("&Record"), &RecordMenu::onRecord);
    add(IdMenuPlay, QStringLiteral("&Play"), &RecordMenu::onPlay);
    add(IdMenuStopRecorder, QStringLiteral("&Stop"), &RecordMenu::onStopRecorder);
    record->addSeparator();
    add(IdMenuNew, QStringLiteral("&New"), &RecordMenu::onNewRecording);
    add(IdMenuOpen, QStringLiteral("&Open..."), &RecordMenu::onOpenRecording);
    add(IdMenuSave, QStringLiteral("Sa&ve"), &RecordMenu::onSaveRecording);
    add(IdMenuSaveAs, QStringLiteral("Save &as..."), &RecordMenu::onSaveRecordingAs);
}

void RecordMenu::onRecord() {
    emit recordingStarts();
    recorder_.mode = PressRecorder::Recording;
    emit modeChanged();
}

void RecordMenu::onPlay() {
    recorder_.mode = PressRecorder::Playing;
    emit modeChanged();
}

void RecordMenu::onStopRecorder() {
    recorder_.mode = PressRecorder::Off;
    emit modeChanged();
}

void RecordMenu::onNewRecording() {
    recorder_.clear();
}

// The recorder's file operations fail silently by design, but a recording that was not saved or
// not opened while the window looks as if it had been is a failure shown as success: the user is
// told. A name that names nothing still opens as an empty recording without a word.
// The recorder itself fails without a word; here the user learns that a recording was not opened
// or not saved, which the window would otherwise show as done. A name that names nothing still
// opens as an empty recording, silently.
void RecordMenu::onOpenRecording() {
    const QString path = chooseSequenceFile(false);
    if (path.isEmpty() || recorder_.load(QFile::encodeName(path).toStdString())) return;
    const int error = errno;
    if (error != ENOENT) tellFailure(QStringLiteral("Cannot open"), path, error);
}

void RecordMenu::onSaveRecording() {
    if (recorder_.fileName.empty()) {
        onSaveRecordingAs();
    } else {
        saveTo(recorder_.fileName);
    }
}

void RecordMenu::onSaveRecordingAs() {
    const QString path = chooseSequenceFile(true);
    if (!path.isEmpty()) saveTo(QFile::encodeName(path).toStdString());
}

void RecordMenu::saveTo(const std::string& path) {
    if (recorder_.save(path)) return;
    const int error = errno;
    tellFailure(QStringLiteral("Cannot save the recording to"), QFile::decodeName(path.c_str()),
                error);
}

void RecordMenu::tellFailure(const QString& what, const QString& path, int error) {
    showMessageBox(window_, QStringLiteral("%1 \"%2\": %3.").arg(what, path, reasonText(error)));
}

QString RecordMenu::chooseSequenceFile(bool save) {
    QFileDialog* dialog = makeSequenceFileDialog(window_, save);
    QString path;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        path = dialog->selectedFiles().constFirst();
    }
    delete dialog;
    return path;
}

QFileDialog* makeSequenceFileDialog(QWidget* parent, bool save) {
    auto* dialog = new QFileDialog(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(save ? QStringLiteral("Сохранить файл последовательностей нажатий")
                                : QStringLiteral("Открыть файл последовательностей нажатий"));
    dialog->setNameFilter(kSequenceFilter);
    // Both dialogs take any name: opening a file that does not exist empties the recording.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    if (save) dialog->setDefaultSuffix(QStringLiteral("but"));
    // The size, type and date columns as wide as their texts, in any language; the name column
    // takes the rest.
    if (auto* details = dialog->findChild<QTreeView*>()) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    dialog->resize(dialog->sizeHint().expandedTo(QSize(dialogX(480), dialogY(240))));
    return dialog;
}

}  // namespace vardeck
