#pragma once

class QCoreApplication;
class QLocale;

namespace vardeck {

// Qt's own texts (file dialogs, the overwrite question, message-box buttons) in the language of
// `locale`, as far as Qt ships a translation for it; the window's own texts stay as they are.
// Returns whether a translation was installed.
bool installQtTranslations(QCoreApplication& app, const QLocale& locale);

}  // namespace vardeck
