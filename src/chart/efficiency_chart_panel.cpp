#include "chart/efficiency_chart_panel.h"

#include <QLineEdit>

#include "chart/chart_style.h"

namespace vardeck {

void EfficiencyChartPanel::setup(QWidget* parent, const QRect& frame, QLineEdit* valueBox) {
    valueBox_ = valueBox;
    createIn(parent, frame);
    // A click on the chart stays there; it is not a click on the building.
    setAttribute(Qt::WA_NoMousePropagation);
    // The efficiency is a share, 0 to 1.
    applyChartStyle(*this, 1.0);
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
