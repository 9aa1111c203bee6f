// The settings file: any input is read over the defaults without harm, and what is saved of it
// reads back to the same text.

#include "control/settings.h"
#include "fuzz_support.h"

using namespace vardeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::RoundTrip files("cfg");
    fuzz::writeFile(files.input, data, size);
    Settings settings;
    settings.setDefaults();
    fuzz::check(settings.loadSettings(files.input) == 0, "a readable file failed");
    fuzz::check(settings.saveSettings(files.first) == 0, "the settings could not be saved");
    Settings again;
    again.setDefaults();
    fuzz::check(again.loadSettings(files.first) == 0, "the saved settings could not be read");
    fuzz::check(again.saveSettings(files.second) == 0, "the reloaded settings could not be saved");
    fuzz::checkSameFile(files.first, files.second);
    return 0;
}
