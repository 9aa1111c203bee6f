#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QWidget>

class QPaintEvent;
class QResizeEvent;

namespace vardeck {

// A rectangle held the way the drawing code uses it: four edges, not a size. What `right` and
// `bottom` mean depends on the operation that takes them (a fill excludes them, the chart's frame
// is drawn one pixel beyond them), so they are kept as plain numbers instead of a QRect, whose
// right() and bottom() are inclusive and would shift every computation by one.
struct ChartRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend bool operator==(const ChartRect&, const ChartRect&) = default;
};

// A strip chart: every new value moves the plotted line `step` pixels to the left and adds one
// short segment at the right edge. The history lives only in the plot image, so changing any
// property or calling clear() erases it.
//
// The widget is laid over a rectangle of its parent and shows a 3-pixel sunken edge; everything
// inside it (the client area) is drawn from two images made once at creation: the background
// (frame, dotted rows, labels) and the plot (the line), combined by OR on every paint.
class ChartCtrl : public QWidget {
    Q_OBJECT

public:
    // Width of the sunken edge on each side of the widget.
    static constexpr int kBorder = 3;

    ChartCtrl();
    ~ChartCtrl() override;

    ChartCtrl(const ChartCtrl&) = delete;
    ChartCtrl& operator=(const ChartCtrl&) = delete;

    // Makes the chart a visible child of `parent` covering `rect` (parent coordinates, sunken edge
    // included), sizes it and draws the background. Returns false, drawing nothing, when there is
    // no parent or the chart was already created.
    virtual bool createIn(QWidget* parent, const QRect& rect);

    // Each setter stores its value and redraws the background, which erases the plotted line.
    void setYRange(double lower, double upper, int decimals);
    void setXLabel(const QString& text);
    void setYLabel(const QString& text);
    void setAxisColor(const QColor& color);
    void setLineColor(const QColor& color);
    void setBackColor(const QColor& color);

    // Plots `value` as the newest segment. Before createIn() the value is only stored.
    void addValue(double value);
    // Erases the plotted line; the limits, labels and the last value stay.
    void clear();

    // The plot area in client coordinates (the client area starts kBorder pixels inside the
    // widget).
    ChartRect plotRect() const { return plotRect_; }
    // The client area exactly as a paint shows it: background with the plot ORed over it.
    // A null image before createIn().
    QImage composedImage() const;

protected:
    // Redraws frame, dotted rows and labels into the background image and erases the plot image,
    // making both images on first use.
    void redrawBackground();
    // Moves the plot `step` pixels left and draws the segment from the previous to the current
    // value at the right edge.
    void scrollPlot();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onSize();
    int rowOf(double value) const;
    void drawLabels();

    int step_ = 4;
    int decimals_ = 3;
    QString xLabel_ = QStringLiteral("Samples");
    QString yLabel_ = QStringLiteral("Y units");
    QRgb backColor_ = qRgb(0, 0, 0);
    QRgb axisColor_ = qRgb(0, 255, 255);
    QRgb lineColor_ = qRgb(255, 255, 255);
    double currentValue_ = 0.0;
    double previousValue_ = 0.0;
    int segmentEndOffset_ = 2;
    int segmentStartOffset_ = 6;
    int clientHeight_ = 0;
    int clientWidth_ = 0;
    int plotHeight_ = 0;
    int plotWidth_ = 0;
    double lowerLimit_ = -10.0;
    double upperLimit_ = 10.0;
    double range_ = 20.0;
    double scale_ = 0.0;
    ChartRect clientRect_;
    ChartRect plotRect_;
    QImage backgroundImage_;
    QImage plotImage_;
    // Set by createIn(); the window system sends no size changes to a chart that does not exist yet.
    bool created_ = false;
    // Set when the two images have been made (a client area of zero size gives null images, so
    // isNull() cannot tell).
    bool imagesMade_ = false;
};

}  // namespace vardeck
