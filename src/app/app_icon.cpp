#include "app/app_icon.h"

#include <QColor>
#include <QPainter>
#include <QPolygon>

namespace vardeck {

QPixmap appIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Drawn on a 32 x 32 grid and scaled, so every size shows the same picture.
    painter.scale(size / 32.0, size / 32.0);

    // The shaft with its floor lines.
    painter.setPen(QPen(QColor(0, 0, 0), 1.5));
    painter.setBrush(QColor(235, 235, 235));
    painter.drawRect(QRectF(7, 1.5, 13, 29));
    painter.setPen(QPen(QColor(100, 100, 100), 1));
    for (int y = 8; y < 31; y += 7) painter.drawLine(QPointF(7, y), QPointF(20, y));

    // The car with its doors closed, two floors up.
    painter.setPen(QPen(QColor(255, 0, 0), 2.5));
    painter.setBrush(QColor(255, 255, 255));
    painter.drawRect(QRectF(9, 16.5, 9, 9));
    painter.setPen(QPen(QColor(0, 0, 255), 1.2));
    painter.drawEllipse(QPointF(13.5, 21), 2, 2);

    // A lit up arrow beside the shaft.
    painter.setPen(QPen(QColor(255, 0, 0), 1.5));
    painter.setBrush(QColor(255, 200, 200));
    painter.drawPolygon(QPolygonF({QPointF(22.5, 13), QPointF(26.5, 6), QPointF(30.5, 13)}));
    return pixmap;
}

QIcon appIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) icon.addPixmap(appIconPixmap(size));
    return icon;
}

}  // namespace vardeck
