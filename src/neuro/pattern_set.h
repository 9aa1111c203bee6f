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
    // Takes only a whole pattern file: a count line of digits, then exactly that many lines of
    // one pattern each (blank lines aside). 0 done; 1 the file cannot be read; 2 it is no
    // pattern file, and `problem` says why. The set changes only on 0.
    int readStrictly(const std::string& path, std::string& problem);
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
    // As PatternSet::read and PatternSet::readStrictly.
    int read(const std::string& path);
    int readStrictly(const std::string& path, std::string& problem);
};

}  // namespace vardeck
