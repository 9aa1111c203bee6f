// Press-sequence files: any input loads without harm, and what is saved of it loads back to the
// same recording and the same text.

#include "fuzz_support.h"
#include "model/building.h"
#include "record/press_recorder.h"

using namespace vardeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::RoundTrip files("but");
    fuzz::writeFile(files.input, data, size);
    Building building;
    PressRecorder recorder(building);
    recorder.load(files.input);
    fuzz::check(recorder.save(files.first), "the recording could not be saved");
    PressRecorder again(building);
    again.load(files.first);
    fuzz::check(again.entries().size() == recorder.entries().size(), "entries lost on reload");
    fuzz::check(again.save(files.second), "the reloaded recording could not be saved");
    fuzz::checkSameFile(files.first, files.second);
    return 0;
}
