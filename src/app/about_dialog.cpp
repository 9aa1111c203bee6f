#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/app_icon.h"
#include "app/dialog_layout.h"

namespace vardeck {

AboutDialog::AboutDialog(QWidget* parent)
    // A caption without a close box.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("About Vardeck"));
    setFont(dialogFont());
    setFixedSize(dialogX(154), dialogY(69));

    // An icon control takes the size of its 32 x 32 icon.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(appIconPixmap(32));
    icon->setGeometry(dialogX(19), dialogY(7), 32, 32);

    // The trailing blank is part of the program's text.
    auto* text = new QLabel(QStringLiteral("Модель самообучаемой системы управления "), this);
    text->setObjectName(QStringLiteral("text"));
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setWordWrap(true);
    // The text was sized for a slightly narrower font; its last line may need a little more
    // height than the layout gives it.
    QRect textRect = dialogRect(57, 7, 78, 23);
    textRect.setHeight(std::max(textRect.height(), text->heightForWidth(textRect.width())));
    text->setGeometry(textRect);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(dialogRect(56, 48, 36, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vardeck
