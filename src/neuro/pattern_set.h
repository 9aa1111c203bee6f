#pragma once

#include <string>
#include <vector>

namespace vardeck {

// One training pattern of the solver, already encoded for the network.
struct SolverPattern {
    float in[8] = {};
    float target[8] = {};
};

// The solver's patterns ("solver.pat"): a count line, then one line per pattern with seven
// integer state fields, the populest-floor offset and eight wanted output bits.
class PatternSet {
public:
    std::vector<SolverPattern> records;

    int count() const { return static_cast<int>(records.size()); }
    void clear() { records.clear(); }
    // 0 done, 1 the file cannot be opened (the set is then unchanged). Only complete patterns are
    // kept: a file that ends early or holds text that is no number yields the patterns before it.
    int read(const std::string& path);
    // 0 done, 1 the file cannot be created.
    int write(const std::string& path) const;
};

// One training pattern of the teacher: three input codes and the wanted decision code, each
// scaled by 2/15.
struct TeacherPattern {
    float in[3] = {};
    float target = 0.0f;
};

// The teacher's patterns ("teacher.pat"): a count line, then lines of four small integers.
class TeacherPatternSet {
public:
    std::vector<TeacherPattern> records;

    int count() const { return static_cast<int>(records.size()); }
    void clear() { records.clear(); }
    // As PatternSet::read.
    int read(const std::string& path);
};

}  // namespace vardeck
