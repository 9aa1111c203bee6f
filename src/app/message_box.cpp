#include "app/message_box.h"

#include <QMessageBox>
#include <utility>

#include "app/dialog_layout.h"

namespace vardeck {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
    if (Hook()) {
        Hook()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kAppTitle), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

void SetMessageHook(MessageHook hook) {
    Hook() = std::move(hook);
}

}  // namespace vardeck
