#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QToolButton;

namespace vardeck {

struct Settings;

// The time-step delay as the configuration dialog reads it from its field: at most the first
// 19 characters, leading blanks skipped, an optional sign, then the leading digits; 0 when there
// are none. A value beyond the 32-bit range is clamped to it.
int parseDelay(const QString& text);

// Control ids of the configuration dialog.
enum ConfigControlId : int { IdConfigUpDown = 1002, IdConfigDelay = 1004 };

// Edits the time-step delay. The field's value is stored however the dialog ends (OK, Escape or
// the close box); it takes effect at the next Start.
class ConfigDialog : public QDialog {
    Q_OBJECT

public:
    ConfigDialog(Settings& settings, QWidget* parent = nullptr);


    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The up-down arrows: change the field's value by `delta`, within 0 .. INT_MAX.
    void stepDelay(int delta);

    Settings& settings_;
    QLineEdit* edit_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    bool stored_ = false;
};

}  // namespace vardeck
