#pragma once

#include "chart/chart_ctrl.h"

namespace vardeck {

class MainDialog;

// The efficiency chart of the main window, over frame 1017: plots every efficiency sample the
// current control system takes and shows the newest one in edit 1020.
class EfficiencyChartPanel : public ChartCtrl {
    Q_OBJECT

public:
    EfficiencyChartPanel() = default;
    ~EfficiencyChartPanel() override = default;

    // Lays the chart over frame 1017 of `dialog` and sets edit 1020 to "0.0".
    void Setup(MainDialog* dialog);
    // Plots the newest efficiency sample and shows it in edit 1020.
    void Update();
    // Erases the plotted line; edit 1020 keeps its text.
    void Reset();

private:
    MainDialog* dialog = nullptr;
};

}  // namespace vardeck
