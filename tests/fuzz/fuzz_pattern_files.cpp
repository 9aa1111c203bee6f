// Pattern files of both networks: any input is read without harm, and the solver's patterns
// are written back so that they read to the same text again. The program never writes teacher
// patterns.

#include <cmath>

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
    // The offset is kept as (offset + 1.5) / 6 in a float: beyond a million floors its text has
    // more digits than that float holds, so such a file need not come back to the same text.
    for (const SolverPattern& p : solver.records)
        if (!(std::fabs(p.in[7]) < 1e6f / 6)) return 0;
    fuzz::checkSameFile(files.first, files.second);
    return 0;
}
