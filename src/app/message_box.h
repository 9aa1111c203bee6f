#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vardeck {

// Shows `text` in a modal box with an exclamation icon, an OK button and the program's title,
// and returns when the user has closed it.
void showMessageBox(QWidget* parent, const QString& text);

// Replaces the box by `hook` until another hook is set; an empty function restores the box.
// The window tests answer the boxes this way instead of waiting for a user.
using MessageHook = std::function<void(QWidget* parent, const QString& text)>;
void setMessageHook(MessageHook hook);

}  // namespace vardeck
