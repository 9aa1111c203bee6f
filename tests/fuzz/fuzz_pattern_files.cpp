// Pattern files of both networks: any input is read without harm, and the solver's patterns
// are written back so that they read to the same text again. The program never writes teacher
// patterns.

#include "fuzz_support.h"
#include "neuro/pattern_set.h"

using namespace vardeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::RoundTrip files("pat");
    fuzz::writeFile(files.input, data, size);
    TeacherPatternSet teacher;
    fuzz::check(teacher.read(files.input) == 0, "teacher patterns: a readable file failed");
    // Four numbers and the blanks between them take at least 7 characters.
    fuzz::check(teacher.count() <= int(size / 7), "teacher patterns: more than the file holds");

    PatternSet solver;
    fuzz::check(solver.read(files.input) == 0, "solver patterns: a readable file failed");
    fuzz::check(solver.write(files.first) == 0, "solver patterns: cannot write");
    PatternSet again;
    fuzz::check(again.read(files.first) == 0, "solver patterns: cannot read what was written");
    fuzz::check(again.count() == solver.count(), "solver patterns: patterns lost on reload");
    fuzz::check(again.write(files.second) == 0, "solver patterns: cannot write again");
    fuzz::checkSameFile(files.first, files.second);
    return 0;
}
