#pragma once

#include "chart/chart_ctrl.h"

class QLineEdit;

namespace vardeck {

// The efficiency chart of the main window: plots every efficiency sample the current control
// system takes and shows the newest one in a value box.
class EfficiencyChartPanel : public ChartCtrl {
    Q_OBJECT

public:
    // Lays the chart over `frame` of `parent` and sets `valueBox` to "0.0".
    void setup(QWidget* parent, const QRect& frame, QLineEdit* valueBox);
    // Plots the newest efficiency sample and shows it in the value box.
    void addSample(double value);
    // Erases the plotted line; edit 1020 keeps its text.
    void reset();

private:
    QLineEdit* valueBox_ = nullptr;
};

}  // namespace vardeck
