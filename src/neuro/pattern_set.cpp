#include "neuro/pattern_set.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "io/input_file.h"
#include "io/text_scanner.h"
#include "neuro/solver_state.h"
#include "neuro/teacher_state.h"

namespace vardeck {

namespace {

// floor(value + 0.5) as an int, without undefined behaviour for values no int can hold.
int roundedToInt(double value) {
    const double rounded = std::floor(value + 0.5);
    if (std::isnan(rounded)) return 0;
    if (rounded <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    if (rounded >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(rounded);
}

// Reads the count line and then records while they are announced and complete. A count larger
// than the lines that follow costs nothing: the records grow as lines are read.
template <class Record, class ScanRecord>
int readRecords(const std::string& path, std::vector<Record>& records, ScanRecord scanRecord) {
    std::string text;
    switch (readWholeFile(path, kPatternFileLimit, text)) {
        case FileReadResult::Ok:
            break;
        case FileReadResult::CannotOpen:
        case FileReadResult::NotAFile:
            return 1;
        case FileReadResult::TooLarge:
            records.clear();
            return 0;
    }
    std::vector<Record> fresh;
    TextScanner in(text);
    std::uint32_t announced = 0;
    if (in.scanUnsigned(announced)) {
        in.skipSpace();
        try {
            Record record;
            while (fresh.size() < announced && scanRecord(in, record)) {
                in.skipSpace();
                fresh.push_back(record);
            }
        } catch (const std::bad_alloc&) {
            // Out of memory on a huge file: the patterns that fitted are still whole.
        } catch (const std::length_error&) {
        }
    }
    records = std::move(fresh);
    return 0;
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

template <class Record, class ScanRecord>
int readRecordsStrictly(const std::string& path, std::vector<Record>& records,
                        ScanRecord scanRecord, std::string& problem) {
    std::string text;
    InputFile file(path, kPatternFileLimit);
    switch (file.readAll(text)) {
        case FileReadResult::Ok:
            break;
        case FileReadResult::CannotOpen:
            problem = file.problem();
            return 1;
        case FileReadResult::NotAFile:
        case FileReadResult::TooLarge:
            problem = file.problem();
            return 2;
    }
    TextScanner in(text);
    std::string_view line;
    in.readLine(line);
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    std::uint32_t announced = 0;
    TextScanner countLine(line);
    if (line.empty() || line.find_first_not_of("0123456789") != std::string_view::npos ||
        !countLine.scanUnsigned(announced)) {
        problem = "does not begin with a pattern count";
        return 2;
    }
    if (announced == 0) {
        problem = "holds no patterns";
        return 2;
    }
    std::vector<Record> fresh;
    try {
        for (int number = 2; in.readLine(line); ++number) {
            if (isBlank(line)) continue;
            TextScanner fields(line);
            Record record;
            const bool whole = scanRecord(fields, record) && (fields.skipSpace(), fields.atEnd());
            if (!whole || fresh.size() == announced) {
                problem = whole ? "holds more patterns than its count, " + std::to_string(announced)
                                : "has no pattern on line " + std::to_string(number);
                return 2;
            }
            fresh.push_back(record);
        }
    } catch (const std::bad_alloc&) {
        problem = "holds more patterns than memory does";
        return 2;
    }
    if (fresh.size() != announced) {
        problem = "announces " + std::to_string(announced) + " patterns but holds " +
                  std::to_string(fresh.size());
        return 2;
    }
    records = std::move(fresh);
    return 0;
}

bool scanSolverPattern(TextScanner& in, SolverPattern& pattern) {
    int fields[7];
    for (int& field : fields) {
        if (!in.scanInt(field)) return false;
    }
    float offset = 0.0f;
    if (!in.scanFloat(offset)) return false;
    int bits[8];
    for (int& bit : bits) {
        if (!in.scanInt(bit)) return false;
    }
    for (int j = 0; j < 7; ++j) pattern.in[j] = encodeStateValue(fields[j]);
    pattern.in[7] = encodePopulestOffset(offset);
    for (int j = 0; j < 8; ++j) pattern.target[j] = bits[j] != 0 ? 0.4f : 0.0f;
    return true;
}

bool scanTeacherPattern(TextScanner& in, TeacherPattern& pattern) {
    int codes[4];
    for (int& code : codes) {
        if (!in.scanInt(code)) return false;
    }
    for (int j = 0; j < 3; ++j) pattern.in[j] = encodeTeacherCode(codes[j]);
    pattern.target = encodeTeacherCode(codes[3]);
    return true;
}

}  // namespace

int PatternSet::read(const std::string& path) {
    return readRecords(path, records, scanSolverPattern);
}

int PatternSet::readStrictly(const std::string& path, std::string& problem) {
    return readRecordsStrictly(path, records, scanSolverPattern, problem);
}

int PatternSet::write(const std::string& path) const {
    std::string text;
    appendInt(text, static_cast<long long>(records.size()));
    text += '\n';
    for (const SolverPattern& pattern : records) {
        for (int j = 0; j < 7; ++j) {
            appendInt(text, roundedToInt(pattern.in[j] * 20.0f));
            text += ' ';
        }
        // The offset back from its encoding: in[7] * 6 in float, then - 1.5 in double. An offset
        // just below zero rounds to "-0.0", which would read back as plain zero and be written
        // "+0.0" next time: zero is always written "+0.0".
        std::string offset;
        appendFixed(offset, static_cast<double>(pattern.in[7] * 6.0f) - 1.5, 1, true);
        text += offset == "-0.0" ? "+0.0" : offset;
        text += "    ";
        for (int j = 0; j < 8; ++j) {
            text += decodeOutputBit(pattern.target[j]) ? '1' : '0';
            text += j < 7 ? ' ' : '\n';
        }
    }
    return writeTextFile(path, text) ? 0 : 1;
}

int TeacherPatternSet::read(const std::string& path) {
    return readRecords(path, records, scanTeacherPattern);
}

int TeacherPatternSet::readStrictly(const std::string& path, std::string& problem) {
    return readRecordsStrictly(path, records, scanTeacherPattern, problem);
}

}  // namespace vardeck
