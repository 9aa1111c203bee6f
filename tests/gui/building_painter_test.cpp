// The building strip, pixel by pixel.

#include "app/building_painter.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include "gui_test_registry.h"
#include "gui_test_support.h"
#include "model/building.h"

using vardeck::Building;
using vardeck::BuildingPainter;
using namespace vardeck::guitest;

namespace {

constexpr int kBottom = 452;
const QRgb kBackground = colour(240, 240, 240);

QImage paint(const Building& building) {
    QImage image(180, kBottom, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    BuildingPainter(painter, kBottom, QColor(255, 255, 255)).draw(building);
    return image;
}

int rowTop(int floor) {
    return BuildingPainter::rowTop(kBottom, floor);
}

}  // namespace

class BuildingPainterTest : public QObject {
    Q_OBJECT

private slots:
    void paintsTheStrip() {
        Building building;
        building.car.floor = 5;
        building.car.buttons[20] = 1;
        building.hallPanel.up[9] = 1;
        building.hallPanel.down[9] = 1;
        const QImage image = paint(building);
        // The numbers stand in x = 10 .. 29 of their rows, floor 1 at the bottom, 28 at the top.
        const QRect numbers = inkBox(image, QRect(0, 0, 37, kBottom), kBackground);
        QVERIFY(numbers.left() >= 10 && numbers.right() <= 29);
        QVERIFY(numbers.top() >= rowTop(28) && numbers.bottom() < rowTop(1) + 15);
        QVERIFY(!inkBox(image, QRect(10, rowTop(1), 20, 15), kBackground).isEmpty());
        // "Общ." right of the arrows, in the row of floor 13.
        const QRect common = inkBox(image, QRect(71, 0, 109, kBottom), kBackground);
        QVERIFY(!common.isEmpty() && QRect(97, rowTop(13), 33, 15).contains(common));
        // Floors 2 to 7 and 23 take no calls and are grey; floor 22 is not.
        QCOMPARE(rgb(image, 47, rowTop(4) + 5), kGrey);
        QCOMPARE(rgb(image, 47, rowTop(23) + 5), kGrey);
        QCOMPARE(rgb(image, 47, rowTop(22) + 5), kBackground);

        // The car box: a 3-pixel outline centred on x = 42 and 51, y = top and bottom - 1,
        // filled with the window colour.
        const int top = rowTop(5);
        QCOMPARE(rgb(image, 41, top - 1), kRed);
        QCOMPARE(rgb(image, 52, BuildingPainter::rowBottom(kBottom, 5)), kRed);
        QCOMPARE(rgb(image, 44, top + 2), kWhite);
        QVERIFY(rgb(image, 40, top + 5) != kRed);
        // The lit button of floor 20: a 6 x 6 circle, its corners left out.
        const int y = kBottom - 15 * 20 - 14;
        QCOMPARE(rgb(image, 46, y), colour(0, 0, 255));
        QVERIFY(rgb(image, 45, y) != colour(0, 0, 255));
        // The up and down arrows of floor 9: outlines with apexes 4 pixels above and below the
        // common base x = 56 .. 62.
        const int m = kBottom - 15 * 9 - 11;
        QCOMPARE(rgb(image, 59, m - 4), kRed);
        QCOMPARE(rgb(image, 59, m + 4), kRed);
        QCOMPARE(rgb(image, 56, m), kRed);
        QVERIFY(rgb(image, 59, m - 2) != kRed);
    }
};
VARDECK_GUI_TEST(BuildingPainterTest);

#include "building_painter_test.moc"
