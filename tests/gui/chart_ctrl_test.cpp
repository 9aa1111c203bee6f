// Pixel tests of the strip chart, laid over the main window's efficiency frame (215 x 143 pixels
// at 185, 33) with the settings the chart panels use: 0..1 with one decimal, a grey background,
// a white axis and a green line. The plot area is then x = 30 .. 199, y = 10 .. 112.

#include "chart/chart_ctrl.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <QtTest>

#include "gui_test_registry.h"
#include "gui_test_support.h"

using vardeck::ChartCtrl;
using vardeck::ChartRect;
using namespace vardeck::guitest;

namespace {

const QRect kFrameRect(185, 33, 215, 143);
// A green line pixel over the grey background, as the OR composition shows it.
const QRgb kLine = colour(150, 255, 150);

// A chart with the panels' settings on `parent`, owned by it.
ChartCtrl* makePanelChart(QWidget& parent) {
    auto* chart = new ChartCtrl;
    if (!chart->createIn(&parent, kFrameRect)) {
        delete chart;
        return nullptr;
    }
    chart->setYRange(0.0, 1.0, 1);
    chart->setYLabel(QString());
    chart->setXLabel(QString());
    chart->setBackColor(QColor(150, 150, 150));
    chart->setAxisColor(QColor(255, 255, 255));
    chart->setLineColor(QColor(0, 255, 0));
    return chart;
}

}  // namespace

class ChartCtrlTest : public QObject {
    Q_OBJECT

private slots:
    void marginFrameAndLimitLabels() {
        QWidget parent;
        ChartCtrl* chart = makePanelChart(parent);
        QVERIFY(chart != nullptr);
        // Inside the 3-pixel sunken edge: labels of one digit and one decimal take 30 pixels,
        // the defaults -10..10 with three decimals ("-10.000") 48.
        QCOMPARE(chart->plotRect(), (ChartRect{30, 10, 199, 112}));
        auto* defaults = new ChartCtrl;
        QVERIFY(defaults->createIn(&parent, kFrameRect));
        QCOMPARE(defaults->plotRect().left, 48);

        const QImage image = chart->composedImage();
        // The frame runs through the plot's left and top edges and one pixel beyond its right
        // and bottom edges.
        for (int x = 30; x <= 200; ++x) {
            QCOMPARE(rgb(image, x, 10), kWhite);
            QCOMPARE(rgb(image, x, 113), kWhite);
        }
        for (int y = 10; y <= 113; ++y) {
            QCOMPARE(rgb(image, 30, y), kWhite);
            QCOMPARE(rgb(image, 200, y), kWhite);
        }
        QCOMPARE(rgb(image, 29, 50), kGrey);
        QCOMPARE(rgb(image, 201, 50), kGrey);
        QCOMPARE(rgb(image, 199, 112), kGrey);

        // "1.0" right-aligned before column 26 with its cell top on row 10; "0.0" likewise with
        // its baseline on row 112. Three characters each.
        const QRect upper = inkBox(image, QRect(0, 0, 30, 36), kGrey);
        QVERIFY(upper.right() >= 21 && upper.right() <= 25 && upper.width() >= 10);
        QVERIFY(upper.top() >= 10 && upper.top() <= 13 && upper.width() <= 22);
        const QRect lower = inkBox(image, QRect(0, 88, 30, 49), kGrey);
        QVERIFY(lower.right() >= 21 && lower.right() <= 25 && lower.width() >= 10);
        QVERIFY(lower.bottom() >= 110 && lower.bottom() <= 112 && lower.width() <= 22);

        // Shown inside the sunken edge exactly as composed, the margin kept.
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCOMPARE(chart->plotRect().left, 30);
        const QImage shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.copy(3, 3, 209, 137), chart->composedImage());
    }

    void valuesScrollInFromTheRight() {
        QWidget parent;
        ChartCtrl* chart = makePanelChart(parent);
        QVERIFY(chart != nullptr);
        // y(0.5) = 112 - trunc(0.5 * 102) = 61. The newest segment runs from column 193 to 197,
        // its end pixel left out; column 194 is a dot of the dotted middle row, which stays white.
        chart->addValue(0.5);
        chart->addValue(0.5);
        const QImage before = chart->composedImage();
        for (int x : {193, 195, 196}) QCOMPARE(rgb(before, x, 61), kLine);
        QCOMPARE(rgb(before, 197, 61), kGrey);

        // The next value moves everything left of the new segment 4 columns further left.
        chart->addValue(0.2);
        const QImage after = chart->composedImage();
        for (int y = 11; y <= 112; ++y) {
            for (int x = 31; x <= 192; ++x) {
                if (rgb(after, x, y) != rgb(before, x + 4, y)) {
                    QFAIL(qPrintable(QString("pixel %1,%2 did not move 4 pixels").arg(x).arg(y)));
                }
            }
        }
        QCOMPARE(rgb(after, 193, 61), kLine);  // the new segment starts at the last value

        // A value far above the limit (y = -92) is cut off at the frame: the columns of its
        // segment stay grey above row 10 but the line reaches row 11.
        chart->addValue(2.0);
        const QImage clipped = chart->composedImage();
        QVERIFY(!hasColour(clipped, QRect(185, 0, 20, 10), kLine));
        QVERIFY(hasColour(clipped, QRect(193, 11, 5, 1), kLine));
    }

    void clearAndSettersEraseThePlot() {
        QWidget parent;
        ChartCtrl* chart = makePanelChart(parent);
        QVERIFY(chart != nullptr);
        const QImage empty = chart->composedImage();
        chart->addValue(0.5);
        chart->addValue(0.5);
        QVERIFY(chart->composedImage() != empty);
        chart->clear();
        QCOMPARE(chart->composedImage(), empty);
        // The next segment starts at the last value drawn before: flat on row 61.
        chart->addValue(0.5);
        QCOMPARE(rgb(chart->composedImage(), 193, 61), kLine);
        QVERIFY(!hasColour(chart->composedImage(), QRect(31, 62, 169, 51), kLine));

        chart->setYRange(0.0, 1.0, 1);
        QCOMPARE(chart->composedImage(), empty);
        chart->addValue(0.8);
        chart->setLineColor(QColor(0, 0, 255));
        QCOMPARE(chart->composedImage(), empty);
        // The new line colour is used from then on. The row is truncated, not rounded:
        // y(0.8) = 112 - trunc(81.6) = 31.
        chart->addValue(0.8);
        const QImage blue = chart->composedImage();
        QCOMPARE(rgb(blue, 193, 31), colour(150, 150, 255));
        QCOMPARE(rgb(blue, 193, 30), kGrey);
    }
};

VARDECK_GUI_TEST(ChartCtrlTest)

#include "chart_ctrl_test.moc"
