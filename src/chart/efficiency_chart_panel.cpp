#include "chart/efficiency_chart_panel.h"

#include <QLineEdit>

namespace vardeck {

void EfficiencyChartPanel::Setup(QWidget* parent, const QRect& frame, QLineEdit* valueBox) {
    valueBox_ = valueBox;
    Create(parent, frame);
    // A click on the chart stays there; it is not a click on the building.
    setAttribute(Qt::WA_NoMousePropagation);
    SetYRange(0.0, 1.0, 1);
    SetYLabel(QString());
    SetXLabel(QString());
    SetBackColor(QColor(150, 150, 150));
    SetAxisColor(QColor(255, 255, 255));
    SetLineColor(QColor(0, 255, 0));
    valueBox_->setText(QStringLiteral("0.0"));
    valueBox_->repaint();
}

void EfficiencyChartPanel::addSample(double value) {
    AddValue(value);
    repaint();
    valueBox_->setText(QString::asprintf("%10.20f", value));
    valueBox_->setCursorPosition(0);
    valueBox_->repaint();
}

void EfficiencyChartPanel::Reset() {
    Clear();
    repaint();
}

}  // namespace vardeck
