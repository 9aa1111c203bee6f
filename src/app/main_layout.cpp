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

QHash<int, QWidget*> layOutMainControls(QWidget* area) {
    QHash<int, QWidget*> items;
    // Statics and group boxes let clicks through to the window, as the building strip's click
    // mapping expects for every point that no control takes.
    auto passClicks = [](QWidget* widget) {
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    };
    auto button = [&](int id, const char* text, QRect rect) {
        auto* widget = new QPushButton(QString::fromUtf8(text), area);
        widget->setGeometry(rect);
        // Otherwise the first button to get the focus would stay the default for good and
        // take every Enter.
        widget->setAutoDefault(false);
        items.insert(id, widget);
    };
    auto group = [&](const char* text, QRect rect) {
        auto* widget = new QGroupBox(QString::fromUtf8(text), area);
        // An etched frame whose top edge runs through the middle of the caption, so that the
        // controls laid out inside it keep clear of the caption.
        widget->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 2px groove #d0d0d0; margin-top: 6px; }"
            "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
            " left: 7px; padding: 0px 1px; }"));
        widget->setGeometry(rect);
        widget->lower();
        passClicks(widget);
    };
    auto radio = [&](int id, const char* text, QRect rect) {
        auto* widget = new QRadioButton(QString::fromUtf8(text), area);
        widget->setGeometry(rect);
        items.insert(id, widget);
    };
    auto label = [&](const char* text, QRect rect) {
        auto* widget = new QLabel(QString::fromUtf8(text), area);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The captions were sized for a slightly narrower font; a caption that does not fit
        // extends to the right instead of losing its last letters.
        rect.setWidth(std::max(rect.width(), widget->sizeHint().width()));
        widget->setGeometry(rect);
        passClicks(widget);
    };
    auto frame = [&](int id, QRect rect) {
        auto* widget = new QFrame(area);
        widget->setGeometry(rect);
        passClicks(widget);
        items.insert(id, widget);
    };
    auto edit = [&](int id, QRect rect) {
        auto* widget = new QLineEdit(area);
        widget->setGeometry(rect);
        widget->setReadOnly(true);
        // Read-only boxes show the window's face colour, not the white of an editable field.
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        widget->setPalette(palette);
        items.insert(id, widget);
    };

    button(IdStep, "Step", dialogRect(123, 256, 35, 14));
    button(IdStart, "Start", dialogRect(160, 256, 36, 14));
    button(IdStop, "Stop", dialogRect(197, 256, 35, 14));
    button(IdReset, "Reset", dialogRect(234, 256, 35, 14));
    group("Control system", dialogRect(123, 205, 145, 47));
    radio(IdSchedule, "Shedule control system", dialogRect(131, 215, 89, 10));
    radio(IdNeuro, "Neuro control system", dialogRect(131, 227, 82, 10));
    radio(IdAdaptive, "Adaptive control system", dialogRect(131, 239, 91, 10));
    group("Neuro", dialogRect(275, 142, 145, 127));
    group("Solver", dialogRect(281, 152, 134, 29));
    button(IdSolverLearn, "Learn", dialogRect(287, 163, 35, 14));
    button(IdSolverLoad, "Load", dialogRect(330, 163, 35, 14));
    button(IdSolverSave, "Save", dialogRect(373, 163, 35, 14));
    group("Teacher", dialogRect(281, 184, 134, 31));
    button(IdTeacherLearn, "Learn", dialogRect(288, 197, 35, 14));
    button(IdTeacherLoad, "Load", dialogRect(330, 197, 35, 14));
    button(IdTeacherSave, "Save", dialogRect(374, 197, 35, 14));
    label("Efficiency Criteria", dialogRect(123, 9, 55, 8));
    frame(IdEfficiencyFrame, dialogRect(123, 20, 143, 88));
    label("Solver learning", dialogRect(278, 9, 48, 8));
    frame(IdLearningFrame, dialogRect(277, 20, 143, 88));
    label("Критерий эффективности", dialogRect(123, 112, 88, 8));
    edit(IdEfficiency, dialogRect(123, 123, 144, 12));
    label("Дельта", dialogRect(277, 112, 26, 8));
    edit(IdDelta, dialogRect(277, 123, 94, 12));
    label("Эпоха", dialogRect(379, 112, 21, 8));
    edit(IdEpoch, dialogRect(379, 123, 40, 12));
    label("Массовый этаж", dialogRect(123, 141, 55, 8));
    edit(IdPopulestFloor, dialogRect(123, 154, 29, 12));
    label("КСУ", dialogRect(185, 141, 16, 8));
    edit(IdKsu, dialogRect(185, 154, 29, 12));
    label("Старый КСУ", dialogRect(221, 141, 43, 8));
    edit(IdOldKsu, dialogRect(221, 154, 29, 12));
    label("Image", dialogRect(123, 175, 20, 8));
    edit(IdImage, dialogRect(123, 187, 127, 12));
    return items;
}

}  // namespace vardeck
