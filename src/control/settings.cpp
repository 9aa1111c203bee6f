#include "control/settings.h"

#include <string_view>
#include <type_traits>

#include "io/input_file.h"
#include "io/text_scanner.h"

namespace vardeck {

namespace {

// One line read as the format "<label> %d\n" or "<label> %f\n" reads it, whatever the process
// locale: a blank of the label skips any run of white space, every other character must follow
// at once. On a mismatch the field keeps its value and the read position stays where the
// mismatch was, so the lines after it normally fail as well.
template <class T>
void scanLine(TextScanner& in, std::string_view label, T& field) {
    for (const char c : label) {
        if (c == ' ')
            in.skipSpace();
        else if (!in.literal(std::string_view(&c, 1)))
            return;
    }
    T value{};
    bool scanned = false;
    if constexpr (std::is_same_v<T, int>)
        scanned = in.scanInt(value);
    else
        scanned = in.scanFloat(value);
    if (!scanned) return;
    field = value;
    in.skipSpace();
}

void appendLine(std::string& text, std::string_view label, int value) {
    text += label;
    appendInt(text, value);
    text += '\n';
}

void appendLine(std::string& text, std::string_view label, float value, int decimals) {
    text += label;
    appendFixed(text, static_cast<double>(value), decimals);
    text += '\n';
}

}  // namespace

void Settings::setDefaults() {
    timeDelay = 600;
    stepToCountPopulestFloor = 100;
}

int Settings::loadSettings(const std::string& path) {
    std::string text;
    if (readWholeFile(path, kSettingsFileLimit, text) != FileReadResult::Ok) return 1;
    TextScanner in(text);
    scanLine(in, "time delay ", timeDelay);
    scanLine(in, "step to count populest floor ", stepToCountPopulestFloor);
    scanLine(in, "teacher ksu step ", teacherKsuStep);
    scanLine(in, "elem to check need to adapt ", elemToCheckNeedToAdapt);
    scanLine(in, "treshold to check need to adapt ", tresholdToCheckNeedToAdapt);
    scanLine(in, "efficiency criteria ", efficiencyCriteria);
    scanLine(in, "ksu ", ksu);
    scanLine(in, "ksu where changed ", ksuWhereChanged);
    scanLine(in, "efficiency criteria where changed ", efficiencyCriteriaWhereChanged);
    scanLine(in, "populest floor ", populestFloor);
    scanLine(in, "const populest ", constPopulest);
    return 0;
}

int Settings::saveSettings(const std::string& path) const {
    // Written with the network files' number code: a toolkit may have switched the process to a
    // locale with a decimal comma, which the reader would not take back.
    std::string text;
    appendLine(text, "time delay ", timeDelay);
    appendLine(text, "step to count populest floor ", stepToCountPopulestFloor);
    appendLine(text, "teacher ksu step ", teacherKsuStep, 2);
    appendLine(text, "elem to check need to adapt ", elemToCheckNeedToAdapt);
    appendLine(text, "treshold to check need to adapt ", tresholdToCheckNeedToAdapt, 2);
    appendLine(text, "efficiency criteria ", efficiencyCriteria, 6);
    appendLine(text, "ksu ", ksu, 2);
    appendLine(text, "ksu where changed ", ksuWhereChanged);
    appendLine(text, "efficiency criteria where changed ", efficiencyCriteriaWhereChanged);
    appendLine(text, "populest floor ", populestFloor);
    appendLine(text, "const populest ", constPopulest);
    return writeTextFile(path, text) ? 0 : 1;
}

}  // namespace vardeck
