#include "study/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <iterator>

namespace vardeck::study {

namespace {

constexpr double kWidth = 860;
constexpr double kHeight = 480;
constexpr double kPlotLeft = 70;
constexpr double kPlotTop = 50;
constexpr double kPlotRight = kWidth - 190;  // the legend sits to the right of the plot
constexpr double kPlotBottom = kHeight - 60;
constexpr int kTargetTicks = 8;

// Colours that stay apart on screen and in print, in the order of the series.
constexpr const char* kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                    "#9467bd", "#8c564b", "#e377c2", "#17becf"};

std::vector<double> ticks(double lo, double hi, double step) {
    std::vector<double> values;
    for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9; k += 1) {
        const double v = k * step;
        values.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);  // no "-0"
    }
    return values;
}

// Number of bytes of the UTF-8 sequence starting at text[i], or 0 when it is not valid.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    std::size_t length = c < 0x80           ? 1
                         : (c >> 5) == 0x6  ? 2
                         : (c >> 4) == 0xe  ? 3
                         : (c >> 3) == 0x1e ? 4
                                            : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xc0) != 0x80) return 0;
    return length;
}

}  // namespace

void appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        const std::size_t at = out.size();
        out.resize(at + std::size_t(n) + 1);
        std::vsnprintf(out.data() + at, std::size_t(n) + 1, format, again);
        out.resize(at + std::size_t(n));
    }
    va_end(again);
}

double tickStep(double span, int ticks) {
    if (!(span > 0)) return 1;
    const double raw = span / ticks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double scaled = raw / magnitude;
    const double factor = scaled < 1.5 ? 1 : scaled < 3 ? 2 : scaled < 7 ? 5 : 10;
    return factor * magnitude;
}

int decimalsFor(double step) {
    return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

std::string escapeXml(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const std::size_t length = utf8Length(text, i);
        if (length == 0) {
            // A file name need not be UTF-8; the document must be.
            out += '?';
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text, i, length);
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (c == '\'') {
            out += "&apos;";
        } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            out += '?';  // not allowed in XML 1.0 at all
        } else {
            out += c;
        }
        i += length;
    }
    return out;
}

std::string renderSvgChart(const SvgChart& chart) {
    double xMin = chart.xMin, xMax = chart.xMax;
    if (!(xMax > xMin)) xMax = xMin + 1;
    double yMin = chart.yMin, yMax = chart.yMax;
    for (const SvgSeries& s : chart.series)
        for (const SvgPoint& p : s.points) {
            yMin = std::min(yMin, p.y);
            yMax = std::max(yMax, p.y);
        }
    if (!(yMax > yMin)) yMax = yMin + 1;
    const double xStep = std::max(1.0, tickStep(xMax - xMin, kTargetTicks));
    const double yStep = tickStep(yMax - yMin, kTargetTicks);
    // The value axis ends on whole ticks.
    yMin = std::floor(yMin / yStep + 1e-9) * yStep;
    yMax = std::ceil(yMax / yStep - 1e-9) * yStep;

    const auto px = [&](double x) {
        return kPlotLeft + (x - xMin) / (xMax - xMin) * (kPlotRight - kPlotLeft);
    };
    const auto py = [&](double y) {
        return kPlotBottom - (y - yMin) / (yMax - yMin) * (kPlotBottom - kPlotTop);
    };

    std::string svg;
    appendf(svg,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
            "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"12\">\n",
            kWidth, kHeight, kWidth, kHeight);
    svg += "<title>" + escapeXml(chart.title) + "</title>\n";
    appendf(svg, "<rect x=\"0\" y=\"0\" width=\"%.0f\" height=\"%.0f\" fill=\"white\"/>\n", kWidth,
            kHeight);
    appendf(svg, "<text x=\"%.1f\" y=\"28\" text-anchor=\"middle\" font-size=\"15\">",
            (kPlotLeft + kPlotRight) / 2);
    svg += escapeXml(chart.title) + "</text>\n";

    // Grid and ticks.
    svg += "<g stroke=\"#dddddd\" stroke-width=\"1\">\n";
    for (double y : ticks(yMin, yMax, yStep))
        appendf(svg, "<line x1=\"%.1f\" y1=\"%.2f\" x2=\"%.1f\" y2=\"%.2f\"/>\n", kPlotLeft, py(y),
                kPlotRight, py(y));
    svg += "</g>\n<g stroke=\"black\" stroke-width=\"1\">\n";
    for (double x : ticks(xMin, xMax, xStep))
        appendf(svg, "<line x1=\"%.2f\" y1=\"%.1f\" x2=\"%.2f\" y2=\"%.1f\"/>\n", px(x),
                kPlotBottom, px(x), kPlotBottom + 5);
    for (double y : ticks(yMin, yMax, yStep))
        appendf(svg, "<line x1=\"%.1f\" y1=\"%.2f\" x2=\"%.1f\" y2=\"%.2f\"/>\n", kPlotLeft - 5,
                py(y), kPlotLeft, py(y));
    svg += "</g>\n<g text-anchor=\"middle\">\n";
    for (double x : ticks(xMin, xMax, xStep))
        appendf(svg, "<text x=\"%.2f\" y=\"%.1f\">%.*f</text>\n", px(x), kPlotBottom + 18,
                decimalsFor(xStep), x);
    svg += "</g>\n<g text-anchor=\"end\">\n";
    for (double y : ticks(yMin, yMax, yStep))
        appendf(svg, "<text x=\"%.1f\" y=\"%.2f\">%.*f</text>\n", kPlotLeft - 8, py(y) + 4,
                decimalsFor(yStep), y);
    svg += "</g>\n";

    // Axes and their labels.
    appendf(svg,
            "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
            "stroke=\"black\"/>\n",
            kPlotLeft, kPlotTop, kPlotRight - kPlotLeft, kPlotBottom - kPlotTop);
    appendf(svg, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">",
            (kPlotLeft + kPlotRight) / 2, kHeight - 18);
    svg += escapeXml(chart.xLabel) + "</text>\n";
    appendf(svg,
            "<text x=\"18\" y=\"%.1f\" text-anchor=\"middle\" transform=\"rotate(-90 18 %.1f)\">",
            (kPlotTop + kPlotBottom) / 2, (kPlotTop + kPlotBottom) / 2);
    svg += escapeXml(chart.yLabel) + "</text>\n";

    // The series (the ranges take in every point), then the legend.
    for (std::size_t i = 0; i < chart.series.size(); ++i) {
        const SvgSeries& s = chart.series[i];
        const char* colour = kPalette[i % std::size(kPalette)];
        appendf(svg, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\" points=\"",
                colour);
        for (std::size_t k = 0; k < s.points.size(); ++k)
            appendf(svg, "%s%.2f,%.2f", k ? " " : "", px(s.points[k].x), py(s.points[k].y));
        appendf(svg, "\"/>\n<g fill=\"%s\">\n", colour);
        for (const SvgPoint& p : s.points)
            appendf(svg, "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"2.5\"/>\n", px(p.x), py(p.y));
        svg += "</g>\n";

        const double y = kPlotTop + 10 + 36 * double(i);
        appendf(svg,
                "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
                "stroke-width=\"2\"/>\n<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"%s\"/>\n",
                kPlotRight + 15, y, kPlotRight + 45, y, colour, kPlotRight + 30, y, colour);
        appendf(svg, "<text x=\"%.1f\" y=\"%.1f\">", kPlotRight + 52, y + 4);
        svg += escapeXml(s.name) + "</text>\n";
        if (!s.note.empty()) {
            appendf(svg, "<text x=\"%.1f\" y=\"%.1f\" font-size=\"10\" fill=\"#555555\">",
                    kPlotRight + 52, y + 18);
            svg += escapeXml(s.note) + "</text>\n";
        }
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace vardeck::study
