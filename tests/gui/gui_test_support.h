#pragma once

// Helpers shared by the window tests: a private working directory, answered message boxes,
// clicks delivered the way the window system delivers them, and pixel lookups.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPoint>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include "app/message_box.h"

namespace vardeck::guitest {

// Runs the test in an empty temporary directory, where the program reads and writes its files,
// and goes back to the previous directory afterwards.
class ScopedWorkDir {
public:
    ScopedWorkDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~ScopedWorkDir() { QDir::setCurrent(previous_); }
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

private:
    QString previous_;
    QTemporaryDir dir_;
};

// Answers every message box at once and keeps its text.
class MessageCapture {
public:
    MessageCapture() {
        setMessageHook([this](QWidget*, const QString& text) { texts.append(text); });
    }
    ~MessageCapture() { setMessageHook({}); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    QStringList texts;
};

// Types `path` into the file dialog that opens within the next few seconds and presses Enter, as
// a user does. A dialog that does not take the name is cancelled, so the test goes on and fails
// on what it checks.
inline void answerNextFileDialog(const QString& path) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, path, tries = 0]() mutable {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        const bool open = dialog != nullptr && dialog->isVisible();
        if (open || ++tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
        if (!open) return;
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name != nullptr) {
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
        }
        if (dialog->isVisible()) dialog->reject();
    });
    timer->start(10);
}

// A left click at `point` of `area`, delivered to the topmost child there that takes mouse
// events (or `area` itself), from where it travels up like a click of the window system.
inline void clickAt(QWidget* area, const QPoint& point) {
    QWidget* target = area->childAt(point);
    if (target == nullptr) target = area;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(area, point));
}

// The names in `folder`, sorted.
inline QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

inline QRgb colour(int r, int g, int b) {
    return qRgb(r, g, b) & 0xffffff;
}

// The colours the building and the charts draw with.
inline const QRgb kWhite = colour(255, 255, 255);
inline const QRgb kRed = colour(255, 0, 0);
inline const QRgb kGrey = colour(150, 150, 150);

inline QRgb rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xffffff;
}

// Whether any pixel of `image` inside `rect` has the colour `colour`.
inline bool hasColour(const QImage& image, const QRect& rect, QRgb colour) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (image.valid(x, y) && rgb(image, x, y) == (colour & 0xffffff)) return true;
        }
    }
    return false;
}

// Bounding box of the pixels inside `area` that differ from `background`; empty if none.
inline QRect inkBox(const QImage& image, const QRect& area, QRgb background) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (rgb(image, x, y) != (background & 0xffffff)) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

}  // namespace vardeck::guitest
