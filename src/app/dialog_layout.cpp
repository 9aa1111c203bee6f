#include "app/dialog_layout.h"

namespace vardeck {

QFont dialogFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace vardeck
