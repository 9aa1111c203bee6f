#include "chart/chart_ctrl.h"

#include <QFont>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "chart/line_raster.h"

namespace vardeck {

namespace {

// Colours of the sunken edge. Fixed rather than taken from the style so that the chart looks the
// same under every style and platform: the classic 3-D colours of the window system the chart
// imitates.
constexpr QRgb kEdgeShadow = qRgb(128, 128, 128);
constexpr QRgb kEdgeHighlight = qRgb(255, 255, 255);
constexpr QRgb kEdgeDarkShadow = qRgb(64, 64, 64);
constexpr QRgb kEdgeLight = qRgb(212, 208, 200);

// Cell height (ascent + descent) of the label font, in pixels.
constexpr int kLabelCellHeight = 14;

// Values whose row would lie further than this from the plot's bottom edge are drawn at this
// distance: far outside any widget, and small enough that the integer arithmetic stays defined.
constexpr double kFarOffset = 1.0e6;

// Fills x = left .. right-1, y = top .. bottom-1, clipped to the image.
void fillRect(QImage& image, int left, int top, int right, int bottom, QRgb color) {
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(right, image.width());
    const int y1 = std::min(bottom, image.height());
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(row + x0, row + std::max(x0, x1), color);
    }
}

void setPixel(QImage& image, int x, int y, QRgb color) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) {
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = color;
    }
}

// The chart's lines, clipped to the image.
void drawLine(QImage& image, int x0, int y0, int x1, int y1, QRgb color) {
    const PixelBounds bounds{0, 0, image.width(), image.height()};
    rasterizeLine(x0, y0, x1, y1, bounds, [&image, color](int x, int y) {
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = color;
    });
}

// Copies the width x height block at (sx, sy) to (dx, dy) within the same image. Only the part
// of the block that lies inside the image on both sides is copied; the rest of the destination
// is left as it was.
void copyBlock(QImage& image, int sx, int sy, int width, int height, int dx, int dy) {
    const QRect imageRect = image.rect();
    QRect source = QRect(sx, sy, width, height).intersected(imageRect);
    source =
        source.translated(dx - sx, dy - sy).intersected(imageRect).translated(sx - dx, sy - dy);
    if (source.isEmpty()) return;
    const QImage block = image.copy(source);
    const int targetX = source.x() + dx - sx;
    const int targetY = source.y() + dy - sy;
    for (int row = 0; row < block.height(); ++row) {
        const auto* from = reinterpret_cast<const QRgb*>(block.constScanLine(row));
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(targetY + row)) + targetX;
        std::copy(from, from + block.width(), to);
    }
}

// mag(v) = |trunc(log10 |v|)|, mag(0) = 0: the digits a limit adds to the left margin.
int magnitude(double value) {
    if (value == 0.0 || std::isnan(value)) return 0;
    // A finite double lies within 10^±324; the clamp only keeps infinities convertible.
    const double exponent = std::clamp(std::trunc(std::log10(std::fabs(value))), -400.0, 400.0);
    return std::abs(static_cast<int>(exponent));
}

// printf("%.*lf", decimals, value) in the C locale: the labels must not pick up the user's
// decimal comma.
QString formatFixed(double value, int decimals) {
    if (decimals < 0) decimals = 6;  // as printf treats a negative precision
    // Digits beyond the exact decimal expansion of a double are zeros; bound the work.
    decimals = std::min(decimals, 1100);
    std::string buffer(static_cast<std::size_t>(decimals) + 400, '\0');
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return {};
    return QString::fromLatin1(buffer.data(), static_cast<int>(result.ptr - buffer.data()));
}

// "Arial" light with a 14-pixel cell, without smoothing so that every text pixel is either the
// text colour or the background. Pixel sizes are whole numbers; the largest whose cell is not
// taller than 14 pixels is taken.
QFont labelFont(const QPaintDevice* device) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setWeight(QFont::Light);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setKerning(false);
    int chosen = 1;
    for (int size = 1; size <= 4 * kLabelCellHeight; ++size) {
        font.setPixelSize(size);
        const int height = QFontMetrics(font, device).height();
        if (height <= kLabelCellHeight) chosen = size;
        if (height >= kLabelCellHeight) break;
    }
    font.setPixelSize(chosen);
    return font;
}

// Text drawn opaque: its cell (advance width x ascent + descent) is filled with `back` first.
// (x, baseline) is the left end of the baseline in the painter's coordinates.
void drawOpaqueText(QPainter& painter, const QFontMetrics& metrics, int x, int baseline,
                    const QString& text, QRgb back) {
    if (text.isEmpty()) return;
    const int width = metrics.horizontalAdvance(text);
    painter.fillRect(QRect(x, baseline - metrics.ascent(), width, metrics.height()), QColor(back));
    painter.drawText(QPoint(x, baseline), text);
}

// One ring of a sunken edge, `inset` pixels inside the widget: top and left in `topLeft`, bottom
// and right in `bottomRight`, the latter drawn last so that they own the two shared corners.
void drawEdgeRing(QPainter& painter, int width, int height, int inset, QRgb topLeft,
                  QRgb bottomRight) {
    const int left = inset;
    const int top = inset;
    const int right = width - 1 - inset;
    const int bottom = height - 1 - inset;
    if (right < left || bottom < top) return;
    painter.fillRect(QRect(QPoint(left, top), QPoint(right, top)), QColor(topLeft));
    painter.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), QColor(topLeft));
    painter.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), QColor(bottomRight));
    painter.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), QColor(bottomRight));
}

}  // namespace

ChartCtrl::ChartCtrl() {
    // The paint covers the whole widget, so nothing needs to be erased before it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

ChartCtrl::~ChartCtrl() = default;

bool ChartCtrl::createIn(QWidget* parent, const QRect& rect) {
    if (parent == nullptr || created_) return false;
    setParent(parent);
    setGeometry(rect);
    // The images keep the size they are made with; a chart that grew would show stale edges.
    setFixedSize(rect.size());
    created_ = true;
    onSize();
    show();
    redrawBackground();
    return true;
}

void ChartCtrl::onSize() {
    clientRect_ =
        ChartRect{0, 0, std::max(0, width() - 2 * kBorder), std::max(0, height() - 2 * kBorder)};
    clientHeight_ = clientRect_.bottom - clientRect_.top;
    clientWidth_ = clientRect_.right - clientRect_.left;
    // The left edge is provisional: redrawBackground() fits it to the limit labels.
    plotRect_ = ChartRect{20, 10, clientRect_.right - 10, clientRect_.bottom - 25};
    plotHeight_ = plotRect_.bottom - plotRect_.top;
    plotWidth_ = plotRect_.right - plotRect_.left;
    scale_ = plotHeight_ / range_;
}

void ChartCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Qt also delivers a resize when a widget is first shown; only a real change of the client
    // size counts, as the fitted left margin would otherwise fall back to its provisional value.
    if (!created_) return;
    const int newWidth = std::max(0, event->size().width() - 2 * kBorder);
    const int newHeight = std::max(0, event->size().height() - 2 * kBorder);
    if (newWidth != clientWidth_ || newHeight != clientHeight_) onSize();
}

void ChartCtrl::setYRange(double lower, double upper, int decimals) {
    lowerLimit_ = lower;
    upperLimit_ = upper;
    decimals_ = decimals;
    range_ = upper - lower;
    scale_ = plotHeight_ / range_;
    redrawBackground();
}

void ChartCtrl::setXLabel(const QString& text) {
    xLabel_ = text;
    redrawBackground();
}

void ChartCtrl::setYLabel(const QString& text) {
    yLabel_ = text;
    redrawBackground();
}

void ChartCtrl::setAxisColor(const QColor& color) {
    axisColor_ = color.rgb();
    redrawBackground();
}

void ChartCtrl::setLineColor(const QColor& color) {
    lineColor_ = color.rgb();
    redrawBackground();
}

void ChartCtrl::setBackColor(const QColor& color) {
    backColor_ = color.rgb();
    redrawBackground();
}

void ChartCtrl::addValue(double value) {
    currentValue_ = value;
    scrollPlot();
    update();
}

void ChartCtrl::clear() {
    redrawBackground();
}

void ChartCtrl::redrawBackground() {
    if (!created_) return;
    if (!imagesMade_) backgroundImage_ = QImage(clientWidth_, clientHeight_, QImage::Format_RGB32);
    fillRect(backgroundImage_, clientRect_.left, clientRect_.top, clientRect_.right,
             clientRect_.bottom, backColor_);

    // Room for the longer limit label left of the plot.
    const long long digits = std::max(magnitude(upperLimit_), magnitude(lowerLimit_));
    const long long margin = 6 * (digits + static_cast<long long>(decimals_) + 4);
    plotRect_.left =
        static_cast<int>(std::clamp(clientRect_.left + margin, static_cast<long long>(INT_MIN / 2),
                                    static_cast<long long>(INT_MAX / 2)));
    plotWidth_ = plotRect_.right - plotRect_.left;

    // Frame one pixel beyond plotRect's right and bottom, drawn as four lines that each leave out
    // their end pixel (which the next line starts on).
    const ChartRect& p = plotRect_;
    drawLine(backgroundImage_, p.left, p.top, p.right + 1, p.top, axisColor_);
    drawLine(backgroundImage_, p.right + 1, p.top, p.right + 1, p.bottom + 1, axisColor_);
    drawLine(backgroundImage_, p.right + 1, p.bottom + 1, p.left, p.bottom + 1, axisColor_);
    drawLine(backgroundImage_, p.left, p.bottom + 1, p.left, p.top, axisColor_);

    const int mid = (p.top + p.bottom) / 2;
    const int quarter = plotHeight_ / 4;
    for (int x = p.left; x < p.right; x += 4) {
        setPixel(backgroundImage_, x, mid - quarter, axisColor_);
        setPixel(backgroundImage_, x, mid, axisColor_);
        setPixel(backgroundImage_, x, mid + quarter, axisColor_);
    }

    drawLabels();

    if (!imagesMade_) plotImage_ = QImage(clientWidth_, clientHeight_, QImage::Format_RGB32);
    fillRect(plotImage_, clientRect_.left, clientRect_.top, clientRect_.right, clientRect_.bottom,
             backColor_);
    imagesMade_ = true;
    update();
}

void ChartCtrl::drawLabels() {
    if (backgroundImage_.isNull()) return;
    QPainter painter(&backgroundImage_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    const QFont font = labelFont(&backgroundImage_);
    painter.setFont(font);
    painter.setPen(QColor(axisColor_));
    const QFontMetrics metrics(font, &backgroundImage_);
    const int ascent = metrics.ascent();
    const ChartRect& p = plotRect_;
    auto advance = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };

    // Right-aligned, top at (left - 4, top).
    const QString upper = formatFixed(upperLimit_, decimals_);
    drawOpaqueText(painter, metrics, p.left - 4 - advance(upper), p.top + ascent, upper,
                   backColor_);
    // Right-aligned, baseline at (left - 4, bottom).
    const QString lower = formatFixed(lowerLimit_, decimals_);
    drawOpaqueText(painter, metrics, p.left - 4 - advance(lower), p.bottom, lower, backColor_);
    // Under the axis: "0" at the left end, the number of values across the plot at the right
    // end, the x label centred between.
    const int underAxis = p.bottom + 4 + ascent;
    drawOpaqueText(painter, metrics, p.left, underAxis, QStringLiteral("0"), backColor_);
    const QString count = QString::number(plotWidth_ / step_);
    drawOpaqueText(painter, metrics, p.right - advance(count), underAxis, count, backColor_);
    drawOpaqueText(painter, metrics, (p.left + p.right) / 2 - advance(xLabel_) / 2, underAxis,
                   xLabel_, backColor_);

    // The y label reads from bottom to top, centred along its direction with its baseline
    // through the middle of the left margin.
    if (!yLabel_.isEmpty()) {
        painter.save();
        painter.translate((clientRect_.left + p.left) / 2, (p.top + p.bottom) / 2);
        painter.rotate(-90.0);
        drawOpaqueText(painter, metrics, -advance(yLabel_) / 2, 0, yLabel_, backColor_);
        painter.restore();
    }
}

int ChartCtrl::rowOf(double value) const {
    double offset = (value - lowerLimit_) * scale_;
    // Not-a-number has no row; it is put above the plot, where it gets clipped.
    if (std::isnan(offset)) offset = kFarOffset;
    offset = std::clamp(offset, -kFarOffset, kFarOffset);
    return plotRect_.bottom - static_cast<int>(offset);  // truncates toward zero
}

void ChartCtrl::scrollPlot() {
    if (!imagesMade_) return;
    const ChartRect& p = plotRect_;
    copyBlock(plotImage_, p.left + step_, p.top + 1, plotWidth_, plotHeight_, p.left, p.top + 1);
    fillRect(plotImage_, p.right - step_, p.top, p.right, p.bottom, backColor_);

    const int previousRow = rowOf(previousValue_);
    const int currentRow = rowOf(currentValue_);
    drawLine(plotImage_, p.right - segmentStartOffset_, previousRow, p.right - segmentEndOffset_,
             currentRow, lineColor_);

    // Whatever of the new segment lies outside the frame is erased again, from the top of the
    // client area down to the frame's top row and from below the frame's bottom row down.
    const int clipLeft = p.right - segmentStartOffset_;
    const int clipRight = p.right - segmentEndOffset_ + 1;
    if (previousRow <= p.top || currentRow <= p.top) {
        fillRect(plotImage_, clipLeft, clientRect_.top, clipRight, p.top + 1, backColor_);
    }
    if (previousRow >= p.bottom || currentRow >= p.bottom) {
        fillRect(plotImage_, clipLeft, p.bottom + 1, clipRight, clientRect_.bottom + 1, backColor_);
    }
    previousValue_ = currentValue_;
}

QImage ChartCtrl::composedImage() const {
    if (!imagesMade_) return {};
    QImage composed(clientWidth_, clientHeight_, QImage::Format_RGB32);
    if (composed.isNull()) return composed;
    composed.fill(qRgb(0, 0, 0));
    QPainter painter(&composed);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, backgroundImage_);
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.drawImage(0, 0, plotImage_);
    return composed;
}

void ChartCtrl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Sunken edge: a 1-pixel static edge outside a 2-pixel client edge.
    drawEdgeRing(painter, width(), height(), 0, kEdgeShadow, kEdgeHighlight);
    drawEdgeRing(painter, width(), height(), 1, kEdgeShadow, kEdgeHighlight);
    drawEdgeRing(painter, width(), height(), 2, kEdgeDarkShadow, kEdgeLight);
    const QImage composed = composedImage();
    if (!composed.isNull()) painter.drawImage(kBorder, kBorder, composed);
}

}  // namespace vardeck
