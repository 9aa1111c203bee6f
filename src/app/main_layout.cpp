#include "app/main_layout.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "app/dialog_layout.h"

namespace vardeck {

namespace {

enum class Kind { Button, Group, Radio, Label, Frame, Edit };

// Groups and labels have no id: the window never needs them.
constexpr int kNoId = 0;

struct Control {
    Kind kind;
    int id;
    const char* text;
    // In dialog units.
    int x, y, width, height;
};

// In tab order; the texts as the window shows them.
constexpr Control kControls[] = {
    {Kind::Button, IdStep, "Step", 123, 256, 35, 14},
    {Kind::Button, IdStart, "Start", 160, 256, 36, 14},
    {Kind::Button, IdStop, "Stop", 197, 256, 35, 14},
    {Kind::Button, IdReset, "Reset", 234, 256, 35, 14},
    {Kind::Group, kNoId, "Control system", 123, 205, 145, 47},
    {Kind::Radio, IdSchedule, "Shedule control system", 131, 215, 89, 10},
    {Kind::Radio, IdNeuro, "Neuro control system", 131, 227, 82, 10},
    {Kind::Radio, IdAdaptive, "Adaptive control system", 131, 239, 91, 10},
    {Kind::Group, kNoId, "Neuro", 275, 142, 145, 127},
    {Kind::Group, kNoId, "Solver", 281, 152, 134, 29},
    {Kind::Button, IdSolverLearn, "Learn", 287, 163, 35, 14},
    {Kind::Button, IdSolverLoad, "Load", 330, 163, 35, 14},
    {Kind::Button, IdSolverSave, "Save", 373, 163, 35, 14},
    {Kind::Group, kNoId, "Teacher", 281, 184, 134, 31},
    {Kind::Button, IdTeacherLearn, "Learn", 288, 197, 35, 14},
    {Kind::Button, IdTeacherLoad, "Load", 330, 197, 35, 14},
    {Kind::Button, IdTeacherSave, "Save", 374, 197, 35, 14},
    {Kind::Label, kNoId, "Efficiency Criteria", 123, 9, 55, 8},
    {Kind::Frame, IdEfficiencyFrame, "", 123, 20, 143, 88},
    {Kind::Label, kNoId, "Solver learning", 278, 9, 48, 8},
    {Kind::Frame, IdLearningFrame, "", 277, 20, 143, 88},
    {Kind::Label, kNoId, "Критерий эффективности", 123, 112, 88, 8},
    {Kind::Edit, IdEfficiency, "", 123, 123, 144, 12},
    {Kind::Label, kNoId, "Дельта", 277, 112, 26, 8},
    {Kind::Edit, IdDelta, "", 277, 123, 94, 12},
    {Kind::Label, kNoId, "Эпоха", 379, 112, 21, 8},
    {Kind::Edit, IdEpoch, "", 379, 123, 40, 12},
    {Kind::Label, kNoId, "Массовый этаж", 123, 141, 55, 8},
    {Kind::Edit, IdPopulestFloor, "", 123, 154, 29, 12},
    {Kind::Label, kNoId, "КСУ", 185, 141, 16, 8},
    {Kind::Edit, IdKsu, "", 185, 154, 29, 12},
    {Kind::Label, kNoId, "Старый КСУ", 221, 141, 43, 8},
    {Kind::Edit, IdOldKsu, "", 221, 154, 29, 12},
    {Kind::Label, kNoId, "Image", 123, 175, 20, 8},
    {Kind::Edit, IdImage, "", 123, 187, 127, 12},
};

// Statics and group boxes let clicks through to the window, as the building strip's click
// mapping expects for every point that no control takes.
void passClicks(QWidget* widget) {
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QWidget* makeControl(QWidget* area, const Control& control) {
    const QString text = QString::fromUtf8(control.text);
    QRect rect = dialogRect(control.x, control.y, control.width, control.height);
    switch (control.kind) {
        case Kind::Button: {
            auto* widget = new QPushButton(text, area);
            // Otherwise the first button to get the focus would stay the default for good and
            // take every Enter.
            widget->setAutoDefault(false);
            widget->setGeometry(rect);
            return widget;
        }
        case Kind::Group: {
            auto* widget = new QGroupBox(text, area);
            // An etched frame whose top edge runs through the middle of the caption, so that the
            // controls laid out inside it keep clear of the caption.
            widget->setStyleSheet(QStringLiteral(
                "QGroupBox { border: 2px groove #d0d0d0; margin-top: 6px; }"
                "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                " left: 7px; padding: 0px 1px; }"));
            widget->setGeometry(rect);
            widget->lower();
            passClicks(widget);
            return widget;
        }
        case Kind::Radio: {
            auto* widget = new QRadioButton(text, area);
            widget->setGeometry(rect);
            return widget;
        }
        case Kind::Label: {
            auto* widget = new QLabel(text, area);
            widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // The captions were sized for a slightly narrower font; a caption that does not fit
            // extends to the right instead of losing its last letters.
            rect.setWidth(std::max(rect.width(), widget->sizeHint().width()));
            widget->setGeometry(rect);
            passClicks(widget);
            return widget;
        }
        case Kind::Frame: {
            auto* widget = new QFrame(area);
            widget->setGeometry(rect);
            passClicks(widget);
            return widget;
        }
        case Kind::Edit:
            return makeValueBox(area, rect);
    }
    return nullptr;
}

}  // namespace

QHash<int, QWidget*> layOutMainControls(QWidget* area) {
    QHash<int, QWidget*> items;
    for (const Control& control : kControls) {
        QWidget* widget = makeControl(area, control);
        if (control.id != kNoId) items.insert(control.id, widget);
    }
    return items;
}

}  // namespace vardeck
