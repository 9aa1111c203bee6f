// Press-sequence files: any input loads without harm, and what is saved of it loads back to the
// same recording and the same text.

#include "fuzz_support.h"
#include "model/building.h"
#include "record/press_recorder.h"

using namespace vardeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string input = fuzz::workPath("input.but"),
                             first = fuzz::workPath("first.but"),
                             second = fuzz::workPath("second.but");
    fuzz::writeFile(input, data, size);
    Building building;
    PressRecorder recorder(building);
    recorder.Load(input);
    fuzz::check(recorder.Save(first), "the recording could not be saved");
    PressRecorder again(building);
    again.Load(first);
    fuzz::check(again.entries.size() == recorder.entries.size(), "entries lost on reload");
    fuzz::check(again.Save(second), "the reloaded recording could not be saved");
    fuzz::checkSameFile(first, second);
    return 0;
}
