#pragma once

#include <string>

namespace vardeck {

// Answers --help and --version on stdout and returns the exit code, or -1 when neither was
// asked for. Runs before the application object, so it works without a display.
int answerInfoOptions(int argc, char** argv);

// With --workdir [DIR] among the arguments: sets DIR (or, without DIR, the user's own folder) up
// from the installed defaults in `defaults` and makes it the current directory. Returns why that
// failed, or an empty text; without the option it changes nothing. Needs no application object,
// so a bad folder is told about before Qt looks for a display. DIR is taken as the bytes given:
// a name that is not valid text in the user's encoding stays the same name.
std::string enterWorkFolder(int argc, const char* const* argv, const std::string& defaults);

// Tells the user why the program cannot start: on stderr, and in a message box as well when a
// display that the user sees is there. Returns the exit status, 1.
int reportStartFailure(int argc, char** argv, const std::string& text);

// Whether Qt's platform `platform` (the value of -platform or QT_QPA_PLATFORM: a ';'-separated
// list that Qt tries in order, each name with optional ':' arguments; empty for Qt's default)
// would put windows on a display that a user sees, given the environment's DISPLAY and
// WAYLAND_DISPLAY (null when unset). A box shown anywhere else would wait for an answer forever.
bool hasUserDisplay(const std::string& platform, const char* x11Display,
                    const char* waylandDisplay);

// The installed defaults: ../share/vardeck/data beside the folder of the running program, found
// through /proc, or else through `argv0` and PATH.
std::string installedDataFolder(const char* argv0);

}  // namespace vardeck
