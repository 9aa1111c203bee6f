// The settings file: any input is read over the defaults without harm, and what is saved of it
// reads back to the same text.

#include "control/settings.h"
#include "fuzz_support.h"

using namespace vardeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string input = fuzz::workPath("input.cfg"),
                             first = fuzz::workPath("first.cfg"),
                             second = fuzz::workPath("second.cfg");
    fuzz::writeFile(input, data, size);
    Settings settings;
    settings.SetDefaults();
    fuzz::check(settings.LoadSettings(input) == 0, "a readable file failed");
    fuzz::check(settings.SaveSettings(first) == 0, "the settings could not be saved");
    Settings again;
    again.SetDefaults();
    fuzz::check(again.LoadSettings(first) == 0, "the saved settings could not be read");
    fuzz::check(again.SaveSettings(second) == 0, "the reloaded settings could not be saved");
    fuzz::checkSameFile(first, second);
    return 0;
}
