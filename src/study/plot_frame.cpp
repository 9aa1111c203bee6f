#include "study/plot_frame.h"

#include <algorithm>
#include <cmath>

#include "study/svg_chart.h"

namespace vardeck::study {

PlotFrame::PlotFrame(const PlotBox& box, double xMin, double xMax, double yMin, double yMax,
                     int valueTicks)
    : box_(box), xMin_(xMin), xMax_(xMax > xMin ? xMax : xMin + 1) {
    if (!(yMax > yMin)) yMax = yMin + 1;
    yStep_ = tickStep(yMax - yMin, valueTicks);
    yMin_ = std::floor(yMin / yStep_ + 1e-9) * yStep_;
    yMax_ = std::ceil(yMax / yStep_ - 1e-9) * yStep_;
}

double PlotFrame::x(double value) const {
    return box_.left + (value - xMin_) / (xMax_ - xMin_) * (box_.right - box_.left);
}

double PlotFrame::y(double value) const {
    return box_.bottom - (value - yMin_) / (yMax_ - yMin_) * (box_.bottom - box_.top);
}

std::string PlotFrame::open(const std::string& name) const {
    std::string svg;
    appendf(svg,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
            "viewBox=\"0 0 %.0f %.0f\" role=\"img\" aria-label=\"%s\" "
            "font-family=\"Liberation Sans,Arial,Helvetica,sans-serif\" font-size=\"11\">\n"
            "<rect width=\"%.0f\" height=\"%.0f\" fill=\"#ffffff\"/>\n",
            box_.width, box_.height, box_.width, box_.height, escapeXml(name).c_str(), box_.width,
            box_.height);
    return svg;
}

void PlotFrame::draw(std::string& svg, const std::vector<AxisTick>& xTicks,
                     const std::string& title, const std::string& xLabel,
                     const std::string& yLabel) const {
    appendf(svg, "<text x=\"%.1f\" y=\"18\" font-size=\"13\" font-weight=\"bold\">%s</text>\n",
            box_.left, escapeXml(title).c_str());
    const int decimals = decimalsFor(yStep_);
    for (const AxisTick& tick : evenTicks(yMin_, yMax_, 0, yStep_))
        appendf(svg,
                "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.2f\" y2=\"%.2f\" stroke=\"#e2e8f0\"/>"
                "<text x=\"%.1f\" y=\"%.2f\" fill=\"#4a5568\" text-anchor=\"end\">%s</text>\n",
                box_.left, box_.right, y(tick.at), y(tick.at), box_.left - 6, y(tick.at) + 4,
                fixedText(tick.at, decimals).c_str());
    for (const AxisTick& tick : xTicks)
        appendf(svg,
                "<line x1=\"%.2f\" x2=\"%.2f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"#718096\"/>"
                "<text x=\"%.2f\" y=\"%.1f\" fill=\"#4a5568\" text-anchor=\"middle\">%s</text>\n",
                x(tick.at), x(tick.at), box_.bottom, box_.bottom + 4, x(tick.at), box_.bottom + 16,
                escapeXml(tick.label).c_str());
    appendf(svg,
            "<path d=\"M%.1f %.1fV%.1fH%.1f\" fill=\"none\" stroke=\"#718096\"/>\n"
            "<text x=\"%.1f\" y=\"%.1f\" fill=\"#2d3748\" text-anchor=\"middle\">%s</text>\n"
            "<text transform=\"translate(14 %.1f) rotate(-90)\" fill=\"#2d3748\" "
            "text-anchor=\"middle\">%s</text>\n",
            box_.left, box_.top, box_.bottom, box_.right, (box_.left + box_.right) / 2,
            box_.height - 8, escapeXml(xLabel).c_str(), (box_.top + box_.bottom) / 2,
            escapeXml(yLabel).c_str());
}

std::vector<AxisTick> evenTicks(double min, double max, int count, double smallestStep) {
    const double step = std::max(smallestStep, count > 0 ? tickStep(max - min, count) : 0.0);
    std::vector<AxisTick> ticks;
    if (!(step > 0)) return ticks;
    const int decimals = decimalsFor(step);
    for (double k = std::ceil(min / step - 1e-9); k * step <= max + step * 1e-9; k += 1) {
        const double v = std::fabs(k * step) < step * 1e-9 ? 0.0 : k * step;
        ticks.push_back({v, fixedText(v, decimals)});
    }
    return ticks;
}

}  // namespace vardeck::study
