// Pixel tests of the strip chart. The chart is laid over the rectangle of the main window's
// efficiency frame (143 x 88 dialog units at 123, 20) with the settings the chart panels use, so
// the numbers below are the ones the program shows.

#include "chart/chart_ctrl.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <QtTest>
#include <cmath>
#include <functional>
#include <vector>

#include "gui_test_registry.h"

using vardeck::ChartCtrl;
using vardeck::ChartRect;

namespace {

constexpr QRgb kGrey = qRgb(150, 150, 150);
constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kGreen = qRgb(0, 255, 0);
// A green line pixel over the grey background, as the OR composition shows it.
constexpr QRgb kLineOnGrey = qRgb(150, 255, 150);

int DluX(int x) {
    return static_cast<int>(std::lround(x * 6.0 / 4.0));
}
int DluY(int y) {
    return static_cast<int>(std::lround(y * 13.0 / 8.0));
}

QRect EfficiencyFrameRect() {
    return QRect(DluX(123), DluY(20), DluX(143), DluY(88));
}

// A chart with the efficiency panel's settings on `parent`, owned by it.
ChartCtrl* MakePanelChart(QWidget& parent, const QRect& rect = EfficiencyFrameRect()) {
    auto* chart = new ChartCtrl;
    if (!chart->Create(&parent, rect)) {
        delete chart;
        return nullptr;
    }
    chart->SetYRange(0.0, 1.0, 1);
    chart->SetYLabel(QString());
    chart->SetXLabel(QString());
    chart->SetBackColor(QColor(150, 150, 150));
    chart->SetAxisColor(QColor(255, 255, 255));
    chart->SetLineColor(QColor(0, 255, 0));
    return chart;
}

QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xff000000u;
}

// Bounding box of the pixels of colour `ink` inside `area` (inclusive edges); empty if none.
QRect InkBox(const QImage& image, const QRect& area, QRgb ink) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (Pixel(image, x, y) == ink) box = box.united(QRect(x, y, 1, 1));
        }
    }
    return box;
}

int CountPixels(const QImage& image, const QRect& area, QRgb color) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (Pixel(image, x, y) == color) ++count;
        }
    }
    return count;
}

QString Hex(QRgb color) {
    return QString::number(color & 0xffffffu, 16);
}

}  // namespace

class ChartCtrlTest : public QObject {
    Q_OBJECT

private slots:
    // --- creation and geometry ---
    void createsVisibleChildOverTheRectangle();
    void createNeedsAParentAndHappensOnce();
    void plotAreaFitsTheLimitLabels_data();
    void plotAreaFitsTheLimitLabels();
    void defaultsGiveMarginOf48();

    // --- background: frame, dotted rows, labels ---
    void frameIsOneAxisColouredPixelOutsideThePlot();
    void dottedRowsEveryFourPixels();
    void limitLabelsAtTheLeftEdgeAndCountsUnderTheAxis();
    void emptyLabelsDrawNothing();
    void textIsNotSmoothed();
    void defaultYLabelReadsUpwardLeftOfThePlot();

    // --- plotting ---
    void newestSegmentShowsTheOrColour();
    void eachValueScrollsThePlotFourPixelsLeft();
    void valueAboveTheRangeIsClippedAtTheTop();
    void valueBelowTheRangeIsClippedAtTheBottom();
    void valueAtTheLowerLimitLiesOnTheBottomRow();
    void rowOfAValueTruncatesTowardZero();
    void unusableValuesDoNotCrash();
    void addValueBeforeCreateOnlyStoresIt();

    // --- erasing ---
    void clearErasesThePlotButKeepsTheLastValue();
    void everySetterErasesThePlot();

    // --- window ---
    void paintShowsSunkenEdgeAroundTheComposedImage();
};

void ChartCtrlTest::createsVisibleChildOverTheRectangle() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    QCOMPARE(chart->parentWidget(), &parent);
    QVERIFY(!chart->isWindow());
    QVERIFY(chart->isVisibleTo(&parent));
    QCOMPARE(EfficiencyFrameRect(), QRect(185, 33, 215, 143));
    QCOMPARE(chart->geometry(), EfficiencyFrameRect());

    // The sunken edge takes 3 pixels on each side.
    QCOMPARE(chart->clientRect(), (ChartRect{0, 0, 209, 137}));
    QCOMPARE(chart->plotRect(), (ChartRect{30, 10, 199, 112}));
    QCOMPARE(chart->scale(), 102.0);
    QCOMPARE(chart->composedImage().size(), QSize(209, 137));

    // Showing the parent must not undo the fitted margin.
    parent.resize(641, 452);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QCOMPARE(chart->plotRect(), (ChartRect{30, 10, 199, 112}));
}

void ChartCtrlTest::createNeedsAParentAndHappensOnce() {
    ChartCtrl orphan;
    QVERIFY(!orphan.Create(nullptr, EfficiencyFrameRect()));
    QVERIFY(orphan.composedImage().isNull());

    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    QVERIFY(!chart->Create(&parent, QRect(0, 0, 100, 100)));
    QCOMPARE(chart->geometry(), EfficiencyFrameRect());
}

void ChartCtrlTest::plotAreaFitsTheLimitLabels_data() {
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("left");
    QTest::newRow("efficiency 0..1") << 0.0 << 1.0 << 1 << 30;
    QTest::newRow("learning 0..0.4") << 0.0 << 0.4 << 1 << 30;
    QTest::newRow("defaults -10..10") << -10.0 << 10.0 << 3 << 48;
    QTest::newRow("thousands") << 0.0 << 1000.0 << 0 << 42;
    QTest::newRow("small limit counts its exponent") << 0.0 << 0.002 << 2 << 48;
    QTest::newRow("larger magnitude wins") << -123.4 << 5.0 << 2 << 48;
    QTest::newRow("9.99 has no extra digit") << 0.0 << 9.99 << 2 << 36;
}

void ChartCtrlTest::plotAreaFitsTheLimitLabels() {
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, decimals);
    QFETCH(int, left);
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    chart->SetYRange(lower, upper, decimals);
    QCOMPARE(chart->plotRect(), (ChartRect{left, 10, 199, 112}));
    QCOMPARE(chart->range(), upper - lower);
    QCOMPARE(chart->scale(), 102.0 / (upper - lower));
    // The frame follows the margin.
    const QImage image = chart->composedImage();
    QCOMPARE(Hex(Pixel(image, left, 50)), Hex(kWhite));
    QCOMPARE(Hex(Pixel(image, left + 1, 50)), Hex(kGrey));
}

void ChartCtrlTest::defaultsGiveMarginOf48() {
    QWidget parent;
    auto* chart = new ChartCtrl;
    QCOMPARE(chart->step(), 4);
    QCOMPARE(chart->decimals(), 3);
    QCOMPARE(chart->xLabel(), QStringLiteral("Samples"));
    QCOMPARE(chart->yLabel(), QStringLiteral("Y units"));
    QCOMPARE(chart->backColor(), QColor(0, 0, 0));
    QCOMPARE(chart->axisColor(), QColor(0, 255, 255));
    QCOMPARE(chart->lineColor(), QColor(255, 255, 255));
    QCOMPARE(chart->lowerLimit(), -10.0);
    QCOMPARE(chart->upperLimit(), 10.0);
    QCOMPARE(chart->range(), 20.0);
    QCOMPARE(chart->previousValue(), 0.0);
    QVERIFY(chart->Create(&parent, EfficiencyFrameRect()));
    QCOMPARE(chart->plotRect(), (ChartRect{48, 10, 199, 112}));
    QCOMPARE(chart->scale(), 102.0 / 20.0);
    const QImage image = chart->composedImage();
    QCOMPARE(Hex(Pixel(image, 48, 10)), Hex(qRgb(0, 255, 255)));
    QCOMPARE(Hex(Pixel(image, 100, 50)), Hex(qRgb(0, 0, 0)));
}

void ChartCtrlTest::frameIsOneAxisColouredPixelOutsideThePlot() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    const QImage image = chart->composedImage();
    // The outline runs through columns 30 and 200 and rows 10 and 113: one beyond plotRect's
    // right and bottom edges, corners included.
    for (int x = 30; x <= 200; ++x) {
        QCOMPARE(Hex(Pixel(image, x, 10)), Hex(kWhite));
        QCOMPARE(Hex(Pixel(image, x, 113)), Hex(kWhite));
        QCOMPARE(Hex(Pixel(image, x, 9)), Hex(kGrey));
        QCOMPARE(Hex(Pixel(image, x, 114)), Hex(kGrey));
    }
    for (int x = 31; x <= 199; ++x) {
        QCOMPARE(Hex(Pixel(image, x, 11)), Hex(kGrey));
        QCOMPARE(Hex(Pixel(image, x, 112)), Hex(kGrey));
    }
    for (int y = 10; y <= 113; ++y) {
        QCOMPARE(Hex(Pixel(image, 30, y)), Hex(kWhite));
        QCOMPARE(Hex(Pixel(image, 200, y)), Hex(kWhite));
        QCOMPARE(Hex(Pixel(image, 29, y)), Hex(kGrey));
        QCOMPARE(Hex(Pixel(image, 201, y)), Hex(kGrey));
        QCOMPARE(Hex(Pixel(image, 199, y == 10 || y == 113 ? 50 : y)), Hex(kGrey));
    }
}

void ChartCtrlTest::dottedRowsEveryFourPixels() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    const QImage image = chart->composedImage();
    // mid = (10 + 112) / 2 = 61, quarter = 102 / 4 = 25.
    for (int y : {36, 61, 86}) {
        for (int x = 31; x <= 199; ++x) {
            const QRgb expected = (x - 30) % 4 == 0 ? kWhite : kGrey;
            QCOMPARE(Hex(Pixel(image, x, y)), Hex(expected));
        }
    }
    QCOMPARE(Hex(Pixel(image, 34, 36)), Hex(kWhite));
    QCOMPARE(Hex(Pixel(image, 198, 86)), Hex(kWhite));
    // No other row inside the frame has a dot.
    QCOMPARE(CountPixels(image, QRect(31, 11, 169, 102), kWhite), 3 * 42);

    // A plot 168 pixels wide (right edge 198) and 105 high: the dots stop short of the right
    // edge, and mid = (10 + 115) / 2 = 62, quarter = 105 / 4 = 26.
    ChartCtrl* other = MakePanelChart(parent, QRect(0, 0, 214, 146));
    QVERIFY(other != nullptr);
    QCOMPARE(other->plotRect(), (ChartRect{30, 10, 198, 115}));
    const QImage otherImage = other->composedImage();
    for (int y : {36, 62, 88}) {
        QCOMPARE(Hex(Pixel(otherImage, 194, y)), Hex(kWhite));
        QCOMPARE(Hex(Pixel(otherImage, 198, y)), Hex(kGrey));
    }
    QCOMPARE(CountPixels(otherImage, QRect(31, 11, 168, 105), kWhite), 3 * 41);
}

void ChartCtrlTest::limitLabelsAtTheLeftEdgeAndCountsUnderTheAxis() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    const QImage image = chart->composedImage();

    // "1.0": right-aligned to column 26 (its cell ends before it), cell top at row 10.
    const QRect upper = InkBox(image, QRect(0, 0, 30, 36), kWhite);
    QVERIFY2(!upper.isEmpty(), "no ink of the upper label");
    QVERIFY2(upper.right() >= 21 && upper.right() <= 25,
             qPrintable(QString::number(upper.right())));
    QVERIFY2(upper.top() >= 10 && upper.top() <= 13, qPrintable(QString::number(upper.top())));
    QVERIFY(upper.bottom() <= 23);
    QVERIFY(upper.width() >= 10 && upper.width() <= 22);  // three characters

    // "0.0": right-aligned to column 26, baseline on row 112.
    const QRect lower = InkBox(image, QRect(0, 88, 30, 49), kWhite);
    QVERIFY2(!lower.isEmpty(), "no ink of the lower label");
    QVERIFY2(lower.right() >= 21 && lower.right() <= 25,
             qPrintable(QString::number(lower.right())));
    QVERIFY2(lower.bottom() >= 110 && lower.bottom() <= 112,
             qPrintable(QString::number(lower.bottom())));
    QVERIFY(lower.top() >= 99);
    QVERIFY(lower.width() >= 10 && lower.width() <= 22);

    // "0" under the left end of the plot, cell top at row 116.
    const QRect zero = InkBox(image, QRect(30, 114, 40, 23), kWhite);
    QVERIFY2(!zero.isEmpty(), "no ink of the 0 under the axis");
    QVERIFY2(zero.left() >= 30 && zero.left() <= 32, qPrintable(QString::number(zero.left())));
    QVERIFY2(zero.top() >= 116 && zero.top() <= 119, qPrintable(QString::number(zero.top())));
    QVERIFY(zero.width() <= 8);  // one character

    // 169 / 4 = "42" right-aligned to column 199.
    const QRect count = InkBox(image, QRect(140, 114, 69, 23), kWhite);
    QVERIFY2(!count.isEmpty(), "no ink of the sample count");
    QVERIFY2(count.right() >= 195 && count.right() <= 198,
             qPrintable(QString::number(count.right())));
    QVERIFY2(count.top() >= 116 && count.top() <= 119, qPrintable(QString::number(count.top())));
    QVERIFY(count.width() >= 8 && count.width() <= 16);  // two characters
}

void ChartCtrlTest::emptyLabelsDrawNothing() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    const QImage image = chart->composedImage();
    // Left margin between the two limit labels: where the y label would be.
    QCOMPARE(CountPixels(image, QRect(0, 26, 29, 70), kWhite), 0);
    // Under the middle of the axis: where the x label would be.
    QCOMPARE(CountPixels(image, QRect(70, 114, 70, 23), kWhite), 0);

    chart->SetXLabel(QStringLiteral("Samples"));
    const QImage labelled = chart->composedImage();
    const QRect x = InkBox(labelled, QRect(60, 114, 90, 23), kWhite);
    QVERIFY(!x.isEmpty());
    // Centred under (30 + 199) / 2 = 114.
    QVERIFY2(std::abs((x.left() + x.right()) / 2 - 114) <= 2,
             qPrintable(QString("%1..%2").arg(x.left()).arg(x.right())));
}

void ChartCtrlTest::textIsNotSmoothed() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    chart->SetXLabel(QStringLiteral("Samples"));
    chart->SetYLabel(QStringLiteral("Delta"));
    const QImage image = chart->composedImage();
    const int total = image.width() * image.height();
    QCOMPARE(CountPixels(image, image.rect(), kGrey) + CountPixels(image, image.rect(), kWhite),
             total);
}

void ChartCtrlTest::defaultYLabelReadsUpwardLeftOfThePlot() {
    QWidget parent;
    auto* chart = new ChartCtrl;
    QVERIFY(chart->Create(&parent, EfficiencyFrameRect()));
    const QImage image = chart->composedImage();
    const QRgb cyan = qRgb(0, 255, 255);
    // Between the limit labels "10.000" and "-10.000".
    const QRect box = InkBox(image, QRect(0, 26, 47, 70), cyan);
    QVERIFY2(!box.isEmpty(), "no ink of the y label");
    // Baseline through column (0 + 48) / 2 = 24: "Y units" has no descenders, so the ink ends
    // just left of it; centred on row (10 + 112) / 2 = 61.
    QVERIFY2(box.right() >= 21 && box.right() <= 23, qPrintable(QString::number(box.right())));
    QVERIFY2(std::abs((box.top() + box.bottom()) / 2 - 61) <= 2,
             qPrintable(QString("%1..%2").arg(box.top()).arg(box.bottom())));
    QVERIFY(box.height() > 2 * box.width());

    // Reading upward puts the capital Y at the bottom: its arms reach further left (cap height)
    // than the lower-case s at the top (x-height).
    auto leftmostInk = [&](int top, int bottom) {
        const QRect part = InkBox(image, QRect(0, top, 47, bottom - top + 1), cyan);
        return part.isEmpty() ? 1000 : part.left();
    };
    QVERIFY(leftmostInk(box.bottom() - 5, box.bottom()) < leftmostInk(box.top(), box.top() + 5));
}

void ChartCtrlTest::newestSegmentShowsTheOrColour() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    // y(0.5) = 112 - trunc(0.5 * 102) = 61, the middle dotted row. The first value's segment
    // rises from y(0.0) = 112 and ends just below row 61; the second is flat on row 61, columns
    // right - 6 .. right - 3 = 193 .. 196.
    chart->AddValue(0.5);
    chart->AddValue(0.5);
    QCOMPARE(chart->previousValue(), 0.5);
    const QImage image = chart->composedImage();
    for (int x = 31; x <= 199; ++x) {
        QRgb expected = kGrey;
        if ((x - 30) % 4 == 0) {
            expected = kWhite;  // a dot stays white under the line
        } else if (x >= 193 && x <= 196) {
            expected = kLineOnGrey;
        }
        QCOMPARE(Hex(Pixel(image, x, 61)), Hex(expected));
    }
    // The rising segment, moved 4 pixels left: one pixel in every row from 112 up to 62.
    for (int y = 62; y <= 112; ++y) {
        QVERIFY2(CountPixels(image, QRect(185, y, 10, 1), kLineOnGrey) == 1,
                 qPrintable(QString::number(y)));
    }
    QCOMPARE(Hex(Pixel(image, 189, 112)), Hex(kLineOnGrey));
    // Nothing right of the segment's end pixel or in the erased strip.
    for (int y = 11; y <= 112; ++y) {
        QVERIFY(Pixel(image, 197, y) != kLineOnGrey);
        QVERIFY(Pixel(image, 198, y) != kLineOnGrey);
        QVERIFY(Pixel(image, 199, y) != kLineOnGrey);
    }
}

void ChartCtrlTest::eachValueScrollsThePlotFourPixelsLeft() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    for (double value : {0.5, 0.5, 0.3, 0.9, 0.1}) chart->AddValue(value);
    const QImage before = chart->composedImage();
    chart->AddValue(0.2);
    const QImage after = chart->composedImage();
    // Everything left of the new segment is the old plot, 4 columns further left.
    for (int y = 11; y <= 112; ++y) {
        for (int x = 31; x <= 192; ++x) {
            if (Pixel(after, x, y) != Pixel(before, x + 4, y)) {
                QFAIL(qPrintable(QString("pixel %1,%2 did not move 4 pixels").arg(x).arg(y)));
            }
        }
    }
    // The new segment runs from y(0.1) = 102 to y(0.2) = 112 - trunc(20.4) = 92, end excluded;
    // column 193 also holds the end of the previous segment, so only its start pixel is checked.
    const QPoint segment[] = {{193, 102}, {193, 101}, {194, 100}, {194, 99}, {195, 98},
                              {195, 97},  {195, 96},  {196, 95},  {196, 94}, {197, 93}};
    for (const QPoint& p : segment) QCOMPARE(Hex(Pixel(after, p.x(), p.y())), Hex(kLineOnGrey));
    QCOMPARE(CountPixels(after, QRect(194, 11, 6, 102), kLineOnGrey), 8);

    // After 43 more values of 0.0 the old plot has scrolled out; the flat segments on row 112
    // join up without gaps.
    for (int i = 0; i < 43; ++i) chart->AddValue(0.0);
    const QImage scrolledOut = chart->composedImage();
    QCOMPARE(CountPixels(scrolledOut, QRect(31, 11, 169, 101), kLineOnGrey), 0);
    QCOMPARE(CountPixels(scrolledOut, QRect(31, 112, 166, 1), kLineOnGrey), 166);
    QCOMPARE(Hex(Pixel(scrolledOut, 197, 112)), Hex(kGrey));
}

void ChartCtrlTest::valueAboveTheRangeIsClippedAtTheTop() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    chart->AddValue(0.5);
    chart->AddValue(2.0);  // y = 112 - 204 = -92, far above the frame
    const QImage image = chart->composedImage();
    // The segment's columns are free from the top of the client area down to the frame row.
    for (int y = 0; y <= 9; ++y) {
        for (int x = 190; x <= 200; ++x) QCOMPARE(Hex(Pixel(image, x, y)), Hex(kGrey));
    }
    for (int x = 30; x <= 200; ++x) QCOMPARE(Hex(Pixel(image, x, 10)), Hex(kWhite));
    // The part inside the frame stays: one pixel in each row from 61 up to 11 (row 36 is
    // dotted, where the line may hide under a dot).
    QCOMPARE(Hex(Pixel(image, 193, 61)), Hex(kLineOnGrey));
    for (int y = 11; y <= 60; ++y) {
        if (y == 36) continue;
        QVERIFY2(CountPixels(image, QRect(193, y, 5, 1), kLineOnGrey) == 1,
                 qPrintable(QString::number(y)));
    }
}

void ChartCtrlTest::valueBelowTheRangeIsClippedAtTheBottom() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    chart->AddValue(0.0);
    chart->AddValue(-1.0);  // y = 112 + 102 = 214, below the client area
    const QImage image = chart->composedImage();
    QCOMPARE(CountPixels(image, QRect(0, 113, 209, 24), kLineOnGrey), 0);
    for (int x = 30; x <= 200; ++x) QCOMPARE(Hex(Pixel(image, x, 113)), Hex(kWhite));
    // Starts on row 112 inside the frame.
    QCOMPARE(Hex(Pixel(image, 193, 112)), Hex(kLineOnGrey));
}

void ChartCtrlTest::valueAtTheLowerLimitLiesOnTheBottomRow() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    chart->AddValue(0.0);
    const QImage image = chart->composedImage();
    for (int x = 190; x <= 199; ++x) {
        const bool onSegment = x >= 193 && x <= 196;
        QCOMPARE(Hex(Pixel(image, x, 112)), Hex(onSegment ? kLineOnGrey : kGrey));
        QCOMPARE(Hex(Pixel(image, x, 111)), Hex(kGrey));
    }
    QCOMPARE(Hex(Pixel(image, 193, 113)), Hex(kWhite));
}

void ChartCtrlTest::rowOfAValueTruncatesTowardZero() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    // 0.3 * 102 = 30.6 gives row 112 - 30 = 82, not 81.
    chart->AddValue(0.3);
    chart->AddValue(0.3);
    QImage image = chart->composedImage();
    QCOMPARE(Hex(Pixel(image, 193, 82)), Hex(kLineOnGrey));
    QCOMPARE(Hex(Pixel(image, 196, 82)), Hex(kLineOnGrey));
    QCOMPARE(CountPixels(image, QRect(193, 81, 5, 1), kLineOnGrey), 0);

    // -0.006 * 102 = -0.612 truncates to 0: still row 112, not the clipped row 113.
    ChartCtrl* below = MakePanelChart(parent);
    QVERIFY(below != nullptr);
    below->AddValue(-0.006);
    below->AddValue(-0.006);
    image = below->composedImage();
    QCOMPARE(Hex(Pixel(image, 193, 112)), Hex(kLineOnGrey));
    QCOMPARE(Hex(Pixel(image, 196, 112)), Hex(kLineOnGrey));
}

void ChartCtrlTest::unusableValuesDoNotCrash() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    for (double value : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 0.5}) {
        chart->AddValue(value);
    }
    const QImage image = chart->composedImage();
    QCOMPARE(CountPixels(image, QRect(0, 0, 209, 10), kLineOnGrey), 0);
    QCOMPARE(CountPixels(image, QRect(0, 114, 209, 23), kLineOnGrey), 0);
}

void ChartCtrlTest::addValueBeforeCreateOnlyStoresIt() {
    QWidget parent;
    auto* chart = new ChartCtrl;
    chart->AddValue(0.7);
    QCOMPARE(chart->currentValue(), 0.7);
    QCOMPARE(chart->previousValue(), 0.0);
    QVERIFY(chart->composedImage().isNull());
    QVERIFY(chart->Create(&parent, EfficiencyFrameRect()));
    chart->SetYRange(0.0, 1.0, 1);
    chart->SetBackColor(QColor(150, 150, 150));
    chart->SetAxisColor(QColor(255, 255, 255));
    chart->SetLineColor(QColor(0, 255, 0));
    chart->AddValue(0.0);
    // The first segment starts from 0.0, not from the value given before Create.
    const QImage image = chart->composedImage();
    QCOMPARE(Hex(Pixel(image, 193, 112)), Hex(kLineOnGrey));
    QCOMPARE(CountPixels(image, QRect(31, 11, 169, 101), kLineOnGrey), 0);
}

void ChartCtrlTest::clearErasesThePlotButKeepsTheLastValue() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    const QImage empty = chart->composedImage();
    chart->AddValue(0.5);
    chart->AddValue(0.5);
    QVERIFY(chart->composedImage() != empty);
    chart->Clear();
    QCOMPARE(chart->composedImage(), empty);
    // The next segment starts at the last value drawn before the Clear: flat on row 61.
    chart->AddValue(0.5);
    const QImage image = chart->composedImage();
    QCOMPARE(Hex(Pixel(image, 193, 61)), Hex(kLineOnGrey));
    QCOMPARE(Hex(Pixel(image, 195, 61)), Hex(kLineOnGrey));
    QCOMPARE(CountPixels(image, QRect(31, 62, 169, 51), kLineOnGrey), 0);
}

void ChartCtrlTest::everySetterErasesThePlot() {
    QWidget parent;
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    const QImage empty = chart->composedImage();
    const std::vector<std::function<void()>> setters = {
        [&] { chart->SetYRange(0.0, 1.0, 1); },
        [&] { chart->SetXLabel(QString()); },
        [&] { chart->SetYLabel(QString()); },
        [&] { chart->SetAxisColor(QColor(255, 255, 255)); },
        [&] { chart->SetLineColor(QColor(0, 255, 0)); },
        [&] { chart->SetBackColor(QColor(150, 150, 150)); },
    };
    for (std::size_t i = 0; i < setters.size(); ++i) {
        chart->AddValue(0.3);
        chart->AddValue(0.6);
        QVERIFY(chart->composedImage() != empty);
        setters[i]();
        QVERIFY2(chart->composedImage() == empty, qPrintable(QString("setter %1").arg(i)));
    }
    // A new line colour is used from then on.
    chart->SetLineColor(QColor(0, 0, 255));
    chart->AddValue(0.6);
    QCOMPARE(Hex(Pixel(chart->composedImage(), 193, 51)), Hex(qRgb(150, 150, 255)));
}

void ChartCtrlTest::paintShowsSunkenEdgeAroundTheComposedImage() {
    QWidget parent;
    parent.resize(641, 452);
    ChartCtrl* chart = MakePanelChart(parent);
    QVERIFY(chart != nullptr);
    chart->AddValue(0.5);
    chart->AddValue(0.25);
    const QImage shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(215, 143));
    const int w = shown.width();
    const int h = shown.height();
    const QRgb shadow = qRgb(128, 128, 128);
    const QRgb highlight = qRgb(255, 255, 255);
    const QRgb darkShadow = qRgb(64, 64, 64);
    const QRgb light = qRgb(212, 208, 200);
    for (int inset : {0, 1}) {
        QCOMPARE(Hex(Pixel(shown, inset, h / 2)), Hex(shadow));
        QCOMPARE(Hex(Pixel(shown, w / 2, inset)), Hex(shadow));
        QCOMPARE(Hex(Pixel(shown, w - 1 - inset, h / 2)), Hex(highlight));
        QCOMPARE(Hex(Pixel(shown, w / 2, h - 1 - inset)), Hex(highlight));
        QCOMPARE(Hex(Pixel(shown, inset, inset)), Hex(shadow));
        QCOMPARE(Hex(Pixel(shown, w - 1 - inset, inset)), Hex(highlight));
        QCOMPARE(Hex(Pixel(shown, inset, h - 1 - inset)), Hex(highlight));
    }
    QCOMPARE(Hex(Pixel(shown, 2, h / 2)), Hex(darkShadow));
    QCOMPARE(Hex(Pixel(shown, w / 2, 2)), Hex(darkShadow));
    QCOMPARE(Hex(Pixel(shown, w - 3, h / 2)), Hex(light));
    QCOMPARE(Hex(Pixel(shown, w / 2, h - 3)), Hex(light));
    // Inside the edge the widget shows exactly the composed image.
    QCOMPARE(shown.copy(3, 3, w - 6, h - 6), chart->composedImage());
}

VARDECK_GUI_TEST(ChartCtrlTest)

#include "chart_ctrl_test.moc"
