#pragma once

#include <string>
#include <vector>

namespace vardeck::study {

// Where a plot sits in its picture: the picture's size and the edges of the plotting area.
struct PlotBox {
    double width = 0, height = 0;
    double left = 0, top = 0, right = 0, bottom = 0;
};

// A mark on the x axis: where it stands on the x scale and what it reads.
struct AxisTick {
    double at = 0;
    std::string label;
};

// The frame of a plot, shared by every picture the program draws: the scales of both axes, the
// grid and value ticks, the x ticks, the axes, the title and the axis labels. The value axis is
// widened to whole ticks; the x axis is kept as given. Styles are written on the elements, so
// a picture looks the same alone and inside a page.
class PlotFrame {
public:
    PlotFrame(const PlotBox& box, double xMin, double xMax, double yMin, double yMax,
              int valueTicks);

    double x(double value) const;
    double y(double value) const;
    const PlotBox& box() const { return box_; }

    // The picture's opening tag, named for screen readers, and a white background.
    std::string open(const std::string& name) const;
    void draw(std::string& svg, const std::vector<AxisTick>& xTicks, const std::string& title,
              const std::string& xLabel, const std::string& yLabel) const;

private:
    PlotBox box_;
    double xMin_, xMax_;
    double yMin_ = 0, yMax_ = 1, yStep_ = 1;
};

// Ticks at the multiples of a 1-2-5 step that cut min..max into about `count` parts.
std::vector<AxisTick> evenTicks(double min, double max, int count, double smallestStep = 0);

}  // namespace vardeck::study
