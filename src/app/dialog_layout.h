#pragma once

#include <QFont>
#include <QRect>

class QLineEdit;
class QWidget;

namespace vardeck {

// The program's title: the main window's caption and the caption of its message boxes.
inline constexpr char kAppTitle[] = "Vardeck";

// The windows are laid out in dialog units of an 8-point font whose base units are 6 x 13
// pixels. Each coordinate is converted on its own, halves rounded away from zero, as the window
// system converts a dialog template.
constexpr int dialogX(int x) {
    return (x * 6 + (x >= 0 ? 2 : -2)) / 4;
}
constexpr int dialogY(int y) {
    return (y * 13 + (y >= 0 ? 4 : -4)) / 8;
}
constexpr QRect dialogRect(int x, int y, int width, int height) {
    return QRect(dialogX(x), dialogY(y), dialogX(width), dialogY(height));
}

// The font of every dialog: a plain sans serif with an 11-pixel em, which matches the 8-point
// font the layouts were measured in closely enough for every caption to fit its control.
QFont dialogFont();

// A read-only value box at `rect` of `parent`, in the window's face colour rather than the white
// of an editable field.
QLineEdit* makeValueBox(QWidget* parent, const QRect& rect);

}  // namespace vardeck
