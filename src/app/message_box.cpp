#include "app/message_box.h"

#include <QMessageBox>
#include <utility>

#include "app/dialog_layout.h"

namespace vardeck {

namespace {

MessageHook& messageHook() {
    static MessageHook hook;
    return hook;
}

}  // namespace

void showMessageBox(QWidget* parent, const QString& text) {
    if (messageHook()) {
        messageHook()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kAppTitle), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

void setMessageHook(MessageHook hook) {
    messageHook() = std::move(hook);
}

}  // namespace vardeck
