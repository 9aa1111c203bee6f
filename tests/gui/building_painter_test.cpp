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
using vardeck::guitest::Colour;
using vardeck::guitest::Rgb;

namespace {

constexpr int kBottom = 452;
const QRgb kBackground = Colour(240, 240, 240);
const QRgb kWhite = Colour(255, 255, 255);
const QRgb kRed = Colour(255, 0, 0);
const QRgb kGreen = Colour(0, 255, 0);
const QRgb kBlue = Colour(0, 0, 255);
const QRgb kBlack = Colour(0, 0, 0);
const QRgb kGrey = Colour(150, 150, 150);
const QRgb kMark = Colour(100, 100, 100);

QImage Paint(const Building& building) {
    QImage image(180, kBottom, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    BuildingPainter(painter, kBottom, QColor(255, 255, 255)).Draw(building);
    return image;
}

}  // namespace

class BuildingPainterTest : public QObject {
    Q_OBJECT

private slots:
    void shaftFloorsAndMarks() {
        Building building;
        building.car.floor = 10;  // out of the way of the lowest lines
        const QImage image = Paint(building);
        // Shaft walls run from the bottom line of floor 1 up to, not including, y = bottom - 438.
        QCOMPARE(Rgb(image, 42, kBottom - 18), kBlack);
        QCOMPARE(Rgb(image, 52, kBottom - 437), kBlack);
        // The top floor line covers x = 42 .. 51; neither it nor the right wall reaches the
        // corner (52, bottom - 438).
        QCOMPARE(Rgb(image, 42, kBottom - 438), kBlack);
        QVERIFY(Rgb(image, 52, kBottom - 438) != kBlack);
        QVERIFY(Rgb(image, 42, kBottom - 439) != kBlack);
        // Floor lines cover x = 42 .. 51 and the right wall x = 52.
        QCOMPARE(Rgb(image, 51, kBottom - 15 * 12 - 18), kBlack);
        // Floors 2 to 7 take no calls: grey between the floor lines, also on the wall columns.
        QCOMPARE(Rgb(image, 47, kBottom - 60), kGrey);
        QCOMPARE(Rgb(image, 47, kBottom - 34), kGrey);
        QCOMPARE(Rgb(image, 47, kBottom - 32), kBackground);
        // Floor 23 is grey, floor 22 is not.
        QCOMPARE(Rgb(image, 47, BuildingPainter::RowTop(kBottom, 23) + 5), kGrey);
        QCOMPARE(Rgb(image, 47, BuildingPainter::RowTop(kBottom, 22) + 5), kBackground);
        // Floor marks run from x = 37 to 69 at the edges of floor 8's row, drawn under the shaft.
        QCOMPARE(Rgb(image, 37, kBottom - 123), kMark);
        QCOMPARE(Rgb(image, 69, kBottom - 138), kMark);
        QCOMPARE(Rgb(image, 70, kBottom - 138), kBackground);
        QCOMPARE(Rgb(image, 36, kBottom - 138), kBackground);
        QCOMPARE(Rgb(image, 42, kBottom - 138), kBlack);
    }

    void carBoxFollowsFloorAndDoors() {
        Building building;
        building.car.floor = 5;
        const int top = BuildingPainter::RowTop(kBottom, 5);
        const int bottom = BuildingPainter::RowBottom(kBottom, 5);
        QImage image = Paint(building);
        // A 3-pixel outline centred on x = 42 and 51, y = top and bottom - 1.
        for (const auto& [x, y] :
             {std::pair{41, top - 1}, std::pair{43, top + 1}, std::pair{52, bottom},
              std::pair{50, bottom - 2}, std::pair{41, bottom}, std::pair{52, top - 1}}) {
            QCOMPARE(Rgb(image, x, y), kRed);
        }
        QCOMPARE(Rgb(image, 44, top + 2), kWhite);
        QCOMPARE(Rgb(image, 49, bottom - 3), kWhite);
        QVERIFY(Rgb(image, 40, top + 5) != kRed);
        QVERIFY(Rgb(image, 53, top + 5) != kRed);
        QVERIFY(Rgb(image, 47, top - 2) != kRed);
        QVERIFY(Rgb(image, 47, bottom + 1) != kRed);
        // Not on floor 1 any more.
        QVERIFY(!vardeck::guitest::HasColour(image, QRect(40, kBottom - 34, 14, 18), kRed));

        building.car.doorOpen = 1;
        image = Paint(building);
        QCOMPARE(Rgb(image, 41, top - 1), kGreen);
        QCOMPARE(Rgb(image, 52, bottom), kGreen);
        QVERIFY(!vardeck::guitest::HasColour(image, image.rect(), kRed));
    }

    void litCarButtonIsASmallCircle() {
        Building building;
        building.car.buttons[20] = 1;
        const QImage image = Paint(building);
        const int y = kBottom - 15 * 20 - 14;
        QCOMPARE(Rgb(image, 46, y), kBlue);
        QCOMPARE(Rgb(image, 45, y + 1), kBlue);
        QCOMPARE(Rgb(image, 50, y + 4), kBlue);
        QCOMPARE(Rgb(image, 49, y + 5), kBlue);
        QCOMPARE(Rgb(image, 47, y + 2), kWhite);
        QVERIFY(Rgb(image, 45, y) != kBlue);  // corners left out
        QVERIFY(Rgb(image, 51, y + 2) != kBlue);
        // No other floor shows a button.
        QVERIFY(!vardeck::guitest::HasColour(image, QRect(42, 0, 11, y - 1), kBlue));
        QVERIFY(!vardeck::guitest::HasColour(image, QRect(42, y + 7, 11, kBottom - y - 7), kBlue));
    }

    void upAndDownArrowsShareTheirBase() {
        Building building;
        building.hallPanel.up[9] = 1;
        building.hallPanel.down[9] = 1;
        const QImage image = Paint(building);
        const int m = kBottom - 15 * 9 - 11;
        for (int x = 56; x <= 62; ++x) QCOMPARE(Rgb(image, x, m), kRed);
        QVERIFY(Rgb(image, 55, m) != kRed);
        QVERIFY(Rgb(image, 63, m) != kRed);
        QCOMPARE(Rgb(image, 59, m - 4), kRed);  // apex of the up arrow
        QCOMPARE(Rgb(image, 59, m + 4), kRed);  // apex of the down arrow
        QVERIFY(Rgb(image, 59, m - 5) != kRed);
        QVERIFY(Rgb(image, 59, m + 5) != kRed);
        QVERIFY(Rgb(image, 59, m - 2) != kRed);  // outlines, not filled
        QVERIFY(Rgb(image, 59, m + 2) != kRed);

        building.hallPanel.down[9] = 0;
        const QImage upOnly = Paint(building);
        QCOMPARE(Rgb(upOnly, 59, m - 4), kRed);
        QVERIFY(!vardeck::guitest::HasColour(upOnly, QRect(55, m + 1, 9, 5), kRed));
    }
};
VARDECK_GUI_TEST(BuildingPainterTest);

#include "building_painter_test.moc"
