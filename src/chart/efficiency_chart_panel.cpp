#include "chart/efficiency_chart_panel.h"

#include <QLineEdit>

namespace vardeck {

void EfficiencyChartPanel::setup(QWidget* parent, const QRect& frame, QLineEdit* valueBox) {
    valueBox_ = valueBox;
    createIn(parent, frame);
    // A click on the chart stays there; it is not a click on the building.
    setAttribute(Qt::WA_NoMousePropagation);
    setYRange(0.0, 1.0, 1);
    setYLabel(QString());
    setXLabel(QString());
    setBackColor(QColor(150, 150, 150));
    setAxisColor(QColor(255, 255, 255));
    setLineColor(QColor(0, 255, 0));
    valueBox_->setText(QStringLiteral("0.0"));
    valueBox_->repaint();
}

void EfficiencyChartPanel::addSample(double value) {
    addValue(value);
    repaint();
    valueBox_->setText(QString::asprintf("%10.20f", value));
    valueBox_->setCursorPosition(0);
    valueBox_->repaint();
}

void EfficiencyChartPanel::reset() {
    clear();
    repaint();
}

}  // namespace vardeck
