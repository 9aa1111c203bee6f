#pragma once

#include <string>
#include <vector>

#include "study/formatted_text.h"

namespace vardeck::study {

struct SvgPoint {
    double x = 0;
    double y = 0;
};

struct SvgSeries {
    std::string name;
    std::string note;  // smaller lines under the name in the legend, split at '\n'; may be empty
    std::string colour;
    std::vector<SvgPoint> points;
};

struct SvgChart {
    std::string title;
    std::string xLabel;
    std::string yLabel;
    double xMin = 0, xMax = 1;  // the x range is kept as given
    double yMin = 0, yMax = 1;  // the y range grows to take in every point
    std::vector<SvgSeries> series;
};

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `ticks` parts, and the
// decimals that its multiples need.
double tickStep(double span, int ticks);
int decimalsFor(double step);

// Text made safe for XML character data and attribute values.
std::string escapeXml(const std::string& text);

// A line chart as a standalone SVG document: axes with ticks and labels, a title, one polyline
// with markers per series in its colour, and a legend.
std::string renderSvgChart(const SvgChart& chart);

}  // namespace vardeck::study
