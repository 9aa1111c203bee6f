#include "app/building_painter.h"

#include <QPainter>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cstdlib>

#include "model/building.h"

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

// num / den rounded to the nearest integer, halves toward the smaller value (den > 0): the
// ceiling of (2 num - den) / 2 den.
int roundHalfDown(int num, int den) {
    const int a = 2 * num - den;
    const int b = 2 * den;
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

}  // namespace

BuildingPainter::BuildingPainter(QPainter& painter, int bottom, const QColor& windowColor)
    : painter_(painter), bottom_(bottom), windowColor_(windowColor) {}

void BuildingPainter::fill(int left, int top, int right, int bottom, const QColor& color) {
    if (right <= left || bottom <= top) return;
    painter_.fillRect(QRect(left, top, right - left, bottom - top), color);
}

void BuildingPainter::line(int x0, int y0, int x1, int y1, const QColor& color) {
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    if (dx == 0 && dy == 0) return;
    // Straight lines as one fill each.
    if (dy == 0) {
        fill(std::min(x0, x1 + 1), y0, std::max(x0 + 1, x1), y0 + 1, color);
        return;
    }
    if (dx == 0) {
        fill(x0, std::min(y0, y1 + 1), x0 + 1, std::max(y0 + 1, y1), color);
        return;
    }
    // One pixel per step along the longer axis; where the ideal line passes exactly between two
    // pixels the one with the smaller coordinate is taken, as the chart does.
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int k = 0; k < steps; ++k) {
        if (std::abs(dx) >= std::abs(dy)) {
            const int sx = dx > 0 ? 1 : -1;
            pixel(x0 + sx * k, y0 + roundHalfDown(dy * k, steps), color);
        } else {
            const int sy = dy > 0 ? 1 : -1;
            pixel(x0 + roundHalfDown(dx * k, steps), y0 + sy * k, color);
        }
    }
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
    // The lower and upper edges of the rows of floors 1, 8, 16 and 21, across shaft and arrows.
    for (const int y : {b - 18, b - 33, b - 123, b - 138, b - 243, b - 258, b - 318, b - 333}) {
        line(37, y, 70, y, kFloorMarkColor);
    }
    for (int i = 1; i <= 28; ++i) {
        drawFloorText(10, rowTop(b, i), 30, rowBottom(b, i), QString::number(i));
        if (i == 13) drawFloorText(97, b - 213, 130, b - 198, QStringLiteral("Общ."));
    }
    drawCar(building.car);
    drawHallPanel(building.hallPanel);
}

void BuildingPainter::drawCar(const Car& car) {
    const int b = bottom_;
    const int left = shaftLeft(car.shaft);
    const int right = shaftRight(car.shaft);

    // Floors 2 to 7, 11 and 12, 14 and 15 and (in the first four columns) 23 take no calls.
    fill(left, b - 123, right, b - 33, kNoCallsColor);
    fill(left, b - 198, right, b - 168, kNoCallsColor);
    fill(left, b - 243, right, b - 213, kNoCallsColor);
    if (car.shaft <= 4) fill(left, b - 363, right, b - 348, kNoCallsColor);

    const int top = b - 15 * car.floorCount - 18;
    line(left, b - 18, left, top, kShaftColor);
    line(right, b - 18, right, top, kShaftColor);
    for (int i = 0; i <= car.floorCount; ++i) {
        line(left, b - 15 * i - 18, right, b - 15 * i - 18, kShaftColor);
    }

    rectangle(left, rowTop(b, car.floor), right, rowBottom(b, car.floor), kCarPenWidth,
              car.doorOpen == 1 ? kDoorOpenColor : kDoorClosedColor, windowColor_);

    for (int f = 1; f <= car.floorCount && f < static_cast<int>(car.buttons.size()); ++f) {
        if (car.buttons[f] != 0)
            smallCircle(left + 3, b - 15 * f - 14, kCarButtonColor, windowColor_);
    }
}

void BuildingPainter::drawHallPanel(const HallCallPanel& panel) {
    const int c = arrowColumn(panel.shaft);
    for (int f = 1; f <= panel.floorCount && f < static_cast<int>(panel.up.size()); ++f) {
        const int m = bottom_ - 15 * f - 11;
        // Closed outlines of four points: the last point closes the strip and is not drawn.
        if (panel.up[f] != 0) {
            line(c - 3, m, c, m - 4, kHallArrowColor);
            line(c, m - 4, c + 3, m, kHallArrowColor);
            line(c + 3, m, c - 3, m, kHallArrowColor);
        }
        if (panel.down[f] != 0) {
            line(c - 3, m, c, m + 4, kHallArrowColor);
            line(c, m + 4, c + 3, m, kHallArrowColor);
            line(c + 3, m, c - 3, m, kHallArrowColor);
        }
    }
}

}  // namespace vardeck
