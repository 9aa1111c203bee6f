#include "app/building_painter.h"

#include <QPainter>
#include <QRect>
#include <QString>

#include "chart/line_raster.h"
#include "model/building.h"
#include "model/floors.h"

namespace vardeck {

namespace {

const QColor kFloorMarkColor(100, 100, 100);
const QColor kNoCallsColor(150, 150, 150);
const QColor kShaftColor(0, 0, 0);
const QColor kDoorOpenColor(0, 255, 0);
const QColor kDoorClosedColor(255, 0, 0);
const QColor kCarButtonColor(0, 0, 255);
const QColor kHallArrowColor(255, 0, 0);
const QColor kTextColor(0, 0, 0);

constexpr int kCarPenWidth = 3;

// The floor marks: a line across shaft and arrows at both edges of these floors' rows.
constexpr int kMarkedFloors[] = {1, 8, 16, 21};
constexpr int kMarkLeft = 37;
constexpr int kMarkRight = 70;
// The floor numbers, and "Общ." beside the common floor.
constexpr int kNumberLeft = 10;
constexpr int kNumberRight = 30;
constexpr int kCommonLeft = 97;
constexpr int kCommonRight = 130;
// A floor that takes no calls, yet is greyed out only in the columns of the first group.
constexpr int kGreyedInFirstGroupOnly = 23;
// A lit car button: a circle this far right of the shaft's left edge and below the row's top.
constexpr int kButtonInset = 3;
constexpr int kButtonDrop = 4;
// A hall arrow: half its width, and its height above or below the row's middle.
constexpr int kArrowHalfWidth = 3;
constexpr int kArrowHeight = 4;

}  // namespace

BuildingPainter::BuildingPainter(QPainter& painter, int bottom, const QColor& windowColor)
    : painter_(painter), bottom_(bottom), windowColor_(windowColor) {}

void BuildingPainter::fill(int left, int top, int right, int bottom, const QColor& color) {
    if (right <= left || bottom <= top) return;
    painter_.fillRect(QRect(left, top, right - left, bottom - top), color);
}

void BuildingPainter::line(int x0, int y0, int x1, int y1, const QColor& color) {
    // The same pixels as the chart's lines; the painter clips to its device itself.
    rasterizeLine(x0, y0, x1, y1, PixelBounds{},
                  [this, &color](int x, int y) { pixel(x, y, color); });
}

void BuildingPainter::rectangle(int left, int top, int right, int bottom, int width,
                                const QColor& pen, const QColor& brush) {
    // The outline runs through x = left and x = right - 1, y = top and y = bottom - 1; a wider
    // pen spreads evenly to both sides of it.
    const int out = (width - 1) / 2;
    const int in = width - 1 - out;
    fill(left + 1 + in, top + 1 + in, right - 1 - in, bottom - 1 - in, brush);
    const int l = left - out;
    const int t = top - out;
    const int r = right + out;
    const int b = bottom + out;
    fill(l, t, r, top + 1 + in, pen);     // top
    fill(l, bottom - 1 - in, r, b, pen);  // bottom
    fill(l, t, left + 1 + in, b, pen);    // left
    fill(right - 1 - in, t, r, b, pen);   // right
}

void BuildingPainter::smallCircle(int x, int y, const QColor& pen, const QColor& brush) {
    // The window system's 6 x 6 ellipse: a square with its corner pixels left out.
    fill(x + 1, y + 1, x + 5, y + 5, brush);
    fill(x + 1, y, x + 5, y + 1, pen);
    fill(x + 1, y + 5, x + 5, y + 6, pen);
    fill(x, y + 1, x + 1, y + 5, pen);
    fill(x + 5, y + 1, x + 6, y + 5, pen);
}

void BuildingPainter::drawFloorText(int left, int top, int right, int bottom, const QString& text) {
    painter_.save();
    painter_.setPen(kTextColor);
    painter_.setBrush(Qt::NoBrush);
    painter_.setBackgroundMode(Qt::TransparentMode);
    const QRect box(left, top, right - left, bottom - top);
    painter_.setClipRect(box, Qt::IntersectClip);
    painter_.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter_.restore();
}

void BuildingPainter::draw(const Building& building) {
    const int b = bottom_;
    for (const int floor : kMarkedFloors) {
        line(kMarkLeft, rowBottom(b, floor), kMarkRight, rowBottom(b, floor), kFloorMarkColor);
        line(kMarkLeft, rowTop(b, floor), kMarkRight, rowTop(b, floor), kFloorMarkColor);
    }
    for (int i = 1; i <= kFloorCount; ++i) {
        drawFloorText(kNumberLeft, rowTop(b, i), kNumberRight, rowBottom(b, i), QString::number(i));
        if (i == kCommonFloor) {
            drawFloorText(kCommonLeft, rowTop(b, i), kCommonRight, rowBottom(b, i),
                          QStringLiteral("Общ."));
        }
    }
    drawCar(building.car);
    drawHallPanel(building.hallPanel);
}

void BuildingPainter::drawCar(const Car& car) {
    const int b = bottom_;
    const int left = shaftLeft(car.shaft);
    const int right = shaftRight(car.shaft);

    for (int f = 1; f <= kFloorCount; ++f) {
        if (takesCalls(f)) continue;
        if (f == kGreyedInFirstGroupOnly && car.shaft > strip::kColumnsPerGroup) continue;
        fill(left, rowTop(b, f), right, rowBottom(b, f), kNoCallsColor);
    }

    const int base = rowTop(b, 0);
    const int top = rowTop(b, car.floorCount);
    line(left, base, left, top, kShaftColor);
    line(right, base, right, top, kShaftColor);
    for (int i = 0; i <= car.floorCount; ++i)
        line(left, rowTop(b, i), right, rowTop(b, i), kShaftColor);

    rectangle(left, rowTop(b, car.floor), right, rowBottom(b, car.floor), kCarPenWidth,
              car.doorOpen == 1 ? kDoorOpenColor : kDoorClosedColor, windowColor_);

    for (int f = 1; f <= car.floorCount && f < static_cast<int>(car.buttons.size()); ++f) {
        if (car.buttons[f] != 0)
            smallCircle(left + kButtonInset, rowTop(b, f) + kButtonDrop, kCarButtonColor,
                        windowColor_);
    }
}

void BuildingPainter::drawHallPanel(const HallCallPanel& panel) {
    const int c = arrowColumn(panel.shaft);
    for (int f = 1; f <= panel.floorCount && f < static_cast<int>(panel.up.size()); ++f) {
        const int m = rowTop(bottom_, f) + strip::kRowHeight / 2;
        const int w = kArrowHalfWidth;
        // Closed outlines of four points: the last point closes the strip and is not drawn.
        for (const int tip :
             {panel.up[f] != 0 ? -kArrowHeight : 0, panel.down[f] != 0 ? kArrowHeight : 0}) {
            if (tip == 0) continue;
            line(c - w, m, c, m + tip, kHallArrowColor);
            line(c, m + tip, c + w, m, kHallArrowColor);
            line(c + w, m, c - w, m, kHallArrowColor);
        }
    }
}

}  // namespace vardeck
