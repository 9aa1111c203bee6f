#include "chart/chart_style.h"

#include <QColor>
#include <QString>

#include "chart/chart_ctrl.h"

namespace vardeck {

void applyChartStyle(ChartCtrl& chart, double top) {
    chart.setYRange(0.0, top, 1);
    chart.setYLabel(QString());
    chart.setXLabel(QString());
    chart.setBackColor(QColor(150, 150, 150));
    chart.setAxisColor(QColor(255, 255, 255));
    chart.setLineColor(QColor(0, 255, 0));
}

}  // namespace vardeck
