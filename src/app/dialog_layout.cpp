#include "app/dialog_layout.h"

#include <QLineEdit>
#include <QPalette>

namespace vardeck {

QLineEdit* makeValueBox(QWidget* parent, const QRect& rect) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(rect);
    box->setReadOnly(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box->setPalette(palette);
    return box;
}

QFont dialogFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace vardeck
