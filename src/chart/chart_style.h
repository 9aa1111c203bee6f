#pragma once

namespace vardeck {

class ChartCtrl;

// The top of the training charts, which plot the largest output error of a network.
inline constexpr double kTrainingErrorTop = 0.4;

// The look of the program's charts: values from 0 to `top` with one decimal, no labels, a green
// line and white axes on grey.
void applyChartStyle(ChartCtrl& chart, double top);

}  // namespace vardeck
