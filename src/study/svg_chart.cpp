#include "study/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "study/plot_frame.h"

namespace vardeck::study {

namespace {

// The legend sits to the right of the plot.
constexpr PlotBox kChartBox{860, 480, 70, 50, 860 - 190, 480 - 60};
constexpr int kTargetTicks = 8;

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

namespace {

void drawSeries(std::string& svg, const PlotFrame& frame, const SvgSeries& s, const char* colour) {
    appendf(svg, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\" points=\"", colour);
    for (std::size_t k = 0; k < s.points.size(); ++k)
        appendf(svg, "%s%.2f,%.2f", k ? " " : "", frame.x(s.points[k].x), frame.y(s.points[k].y));
    appendf(svg, "\"/>\n<g fill=\"%s\">\n", colour);
    for (const SvgPoint& p : s.points)
        appendf(svg, "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"2.5\"/>\n", frame.x(p.x), frame.y(p.y));
    svg += "</g>\n";
}

// The legend to the right of the plot: a line and a marker in the series' colour, its name and
// its note.
void drawLegendEntry(std::string& svg, const PlotBox& box, std::size_t i, const SvgSeries& s,
                     const char* colour) {
    const double y = box.top + 10 + 56 * double(i);
    appendf(svg,
            "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
            "stroke-width=\"2\"/>\n<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"%s\"/>\n",
            box.right + 15, y, box.right + 45, y, colour, box.right + 30, y, colour);
    appendf(svg, "<text x=\"%.1f\" y=\"%.1f\" font-size=\"12\">%s</text>\n", box.right + 52, y + 4,
            escapeXml(s.name).c_str());
    // The note's lines under the name.
    double line = y + 18;
    for (std::size_t start = 0; start < s.note.size(); line += 12) {
        const std::size_t end = std::min(s.note.find('\n', start), s.note.size());
        appendf(svg, "<text x=\"%.1f\" y=\"%.1f\" font-size=\"10\" fill=\"#555555\">%s</text>\n",
                box.right + 52, line, escapeXml(s.note.substr(start, end - start)).c_str());
        start = end + 1;
    }
}

}  // namespace

std::string renderSvgChart(const SvgChart& chart) {
    double yMin = chart.yMin, yMax = chart.yMax;
    for (const SvgSeries& s : chart.series)
        for (const SvgPoint& p : s.points) {
            yMin = std::min(yMin, p.y);
            yMax = std::max(yMax, p.y);
        }
    const PlotFrame frame(kChartBox, chart.xMin, chart.xMax, yMin, yMax, kTargetTicks);
    const double xMax = chart.xMax > chart.xMin ? chart.xMax : chart.xMin + 1;

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + frame.open(chart.title);
    svg += "<title>" + escapeXml(chart.title) + "</title>\n";
    frame.draw(svg, evenTicks(chart.xMin, xMax, kTargetTicks, 1), chart.title, chart.xLabel,
               chart.yLabel);
    for (std::size_t i = 0; i < chart.series.size(); ++i) {
        const char* colour = chart.series[i].colour.c_str();
        drawSeries(svg, frame, chart.series[i], colour);
        drawLegendEntry(svg, kChartBox, i, chart.series[i], colour);
    }
    return svg + "</svg>\n";
}

}  // namespace vardeck::study
