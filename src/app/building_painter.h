#pragma once

#include <QColor>

#include "model/strip_layout.h"

class QPainter;

namespace vardeck {

class Building;
class Car;
class HallCallPanel;

// Paints the building strip of the main window: floor marks and numbers, the shaft with the car
// and its lit buttons, and the lit hall arrows. Coordinates are client pixels of the main window
// with y growing downward; every floor row is measured up from `bottom`, the bottom edge of the
// client area.
//
// The pictures follow the line and rectangle rules of the window system the program was drawn
// for, which QPainter does not share: a line from P to Q covers P but not Q, and a rectangle from
// (l, t) to (r, b) covers x = l .. r-1 and y = t .. b-1, outline included. Everything is
// therefore set pixel by pixel through 1-pixel fills, so no pen width, antialiasing or
// rasterisation rule of the painter can shift a pixel.
class BuildingPainter {
public:
    // `windowColor` fills the car box and the button circles.
    BuildingPainter(QPainter& painter, int bottom, const QColor& windowColor);

    // Floor marks and numbers, then the car, then the hall arrows.
    void draw(const Building& building);
    void drawCar(const Car& car);
    void drawHallPanel(const HallCallPanel& panel);

    // Edges of a shaft column. Hall panel `shaft` draws its arrows beside column 2 * shaft - 1.
    static int shaftLeft(int shaft) {
        using namespace strip;
        const int left = kColumnOrigin + kColumnPitch * shaft;
        return shaft <= kColumnsPerGroup ? left : left + kGroupGap;
    }
    static int shaftRight(int shaft) { return shaftLeft(shaft) + kShaftWidth; }
    static int arrowColumn(int shaft) { return shaftLeft(2 * shaft - 1) + kArrowOffset; }
    // Top (included) and bottom (excluded) of a floor's row; floor 0's top is floor 1's bottom.
    static int rowTop(int bottom, int floor) {
        return bottom - strip::kRowHeight * floor - strip::kBaseline;
    }
    static int rowBottom(int bottom, int floor) {
        return rowTop(bottom, floor) + strip::kRowHeight;
    }

private:
    static constexpr int kShaftWidth = 10;
    // The middle of the hall arrows, right of their column's left edge.
    static constexpr int kArrowOffset = 17;

    // x = left .. right-1, y = top .. bottom-1.
    void fill(int left, int top, int right, int bottom, const QColor& color);
    void pixel(int x, int y, const QColor& color) { fill(x, y, x + 1, y + 1, color); }
    // From (x0, y0) to (x1, y1), end pixel excluded.
    void line(int x0, int y0, int x1, int y1, const QColor& color);
    // The outline of a rectangle drawn with a pen `width` pixels wide that is centred on the
    // 1-pixel outline, and its inside filled with `brush`.
    void rectangle(int left, int top, int right, int bottom, int width, const QColor& pen,
                   const QColor& brush);
    // A 6 x 6 circle with its top-left corner at (x, y).
    void smallCircle(int x, int y, const QColor& pen, const QColor& brush);
    void drawFloorText(int left, int top, int right, int bottom, const QString& text);

    QPainter& painter_;
    int bottom_;
    QColor windowColor_;
};

}  // namespace vardeck
