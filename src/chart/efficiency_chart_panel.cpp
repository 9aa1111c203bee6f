#include "chart/efficiency_chart_panel.h"

#include <QLineEdit>

#include "app/main_dialog.h"
#include "control/command_code.h"

namespace vardeck {

void EfficiencyChartPanel::Setup(MainDialog* mainDialog) {
    dialog = mainDialog;
    Create(dialog->client(), dialog->item(IdEfficiencyFrame)->geometry());
    // A click on the chart stays there; it is not a click on the building.
    setAttribute(Qt::WA_NoMousePropagation);
    SetYRange(0.0, 1.0, 1);
    SetYLabel(QString());
    SetXLabel(QString());
    SetBackColor(QColor(150, 150, 150));
    SetAxisColor(QColor(255, 255, 255));
    SetLineColor(QColor(0, 255, 0));
    auto* edit = static_cast<QLineEdit*>(dialog->item(IdEfficiency));
    edit->setText(QStringLiteral("0.0"));
    edit->repaint();
}

void EfficiencyChartPanel::Update() {
    double value = 0.0;
    dialog->simulation().current().command(CmdGetLastEfficiency, &value);
    AddValue(value);
    repaint();
    auto* edit = static_cast<QLineEdit*>(dialog->item(IdEfficiency));
    edit->setText(QString::asprintf("%10.20f", value));
    edit->setCursorPosition(0);
    edit->repaint();
}

void EfficiencyChartPanel::Reset() {
    Clear();
    repaint();
}

}  // namespace vardeck
