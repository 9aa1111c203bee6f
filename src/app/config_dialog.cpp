#include "app/config_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <climits>

#include "app/dialog_layout.h"
#include "control/settings.h"

namespace vardeck {

int parseDelay(const QString& text) {
    const QString head = text.left(19);
    int i = 0;
    while (i < head.size() && (head[i] == u' ' || (head[i] >= u'\t' && head[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < head.size() && (head[i] == u'+' || head[i] == u'-')) {
        negative = head[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < head.size() && head[i] >= u'0' && head[i] <= u'9'; ++i) {
        value = value * 10 + (head[i].unicode() - u'0');
        // Past the 32-bit range every further digit only grows it; stop before 64 bits overflow.
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

ConfigDialog::ConfigDialog(Settings& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      settings_(settings) {
    setWindowTitle(QStringLiteral("Configuration"));
    setFont(dialogFont());
    setFixedSize(dialogX(146), dialogY(69));

    auto* label = new QLabel(QStringLiteral("Time step delay"), this);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The caption was sized for a slightly narrower font; it may reach up to the field.
    QRect labelRect = dialogRect(21, 9, 50, 11);
    labelRect.setWidth(std::max(labelRect.width(), label->sizeHint().width()));
    label->setGeometry(labelRect);

    edit_ = new QLineEdit(this);
    edit_->setGeometry(dialogRect(74, 6, 40, 14));
    edit_->setText(QString::asprintf("%d", settings_.timeDelay));
    edit_->installEventFilter(this);

    // The up-down control right of the field, its two arrows stacked.
    const QRect upDown = dialogRect(114, 6, 11, 14);
    const int upHeight = upDown.height() / 2;
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setGeometry(upDown.x(), upDown.y(), upDown.width(), upHeight);
    up_->setAutoRepeat(true);
    up_->setFocusPolicy(Qt::NoFocus);
    connect(up_, &QToolButton::clicked, this, [this] { stepDelay(1); });
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setGeometry(upDown.x(), upDown.y() + upHeight, upDown.width(),
                       upDown.height() - upHeight);
    down_->setAutoRepeat(true);
    down_->setFocusPolicy(Qt::NoFocus);
    connect(down_, &QToolButton::clicked, this, [this] { stepDelay(-1); });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(dialogRect(45, 48, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    edit_->setFocus();
}

void ConfigDialog::stepDelay(int delta) {
    const long long value = static_cast<long long>(parseDelay(edit_->text())) + delta;
    const long long bounded = value < 0 ? 0 : (value > INT_MAX ? INT_MAX : value);
    edit_->setText(QString::number(bounded));
}

bool ConfigDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The arrow keys work the up-down control.
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            stepDelay(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
        // Only digits can be typed; editing keys and shortcuts pass.
        const QString text = key->text();
        if (!text.isEmpty() && text[0].isPrint()) {
            for (const QChar c : text) {
                if (c < u'0' || c > u'9') return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ConfigDialog::done(int result) {
    // OK, Escape and the close box all end here, and all of them keep what was typed.
    if (!stored_) {
        stored_ = true;
        settings_.timeDelay = parseDelay(edit_->text());
    }
    QDialog::done(result);
}

}  // namespace vardeck
