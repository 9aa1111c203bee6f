#pragma once

#include <QString>
#include <QStringList>

namespace vardeck {

// Answers --help and --version on stdout and returns the exit code, or -1 when neither was
// asked for. Runs before the application object, so it works without a display.
int answerInfoOptions(int argc, char** argv);

// With --workdir [DIR] among `arguments`: sets DIR (or, without DIR, the user's own folder) up
// from the installed defaults in `defaults` and makes it the current directory. Returns false
// after telling the user why in a message box and on stderr; without the option it changes
// nothing and returns true.
bool enterWorkFolder(const QStringList& arguments, const QString& defaults);

// The installed defaults: ../share/vardeck/data beside the program's own folder.
QString installedDataFolder();

}  // namespace vardeck
