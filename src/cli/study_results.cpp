#include "cli/study_results.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/arguments.h"
#include "cli/compare_row.h"
#include "cli/study_report.h"
#include "cli/study_warnings.h"
#include "cli/study_summary.h"
#include "cli/system_names.h"
#include "io/atomic_file.h"

namespace vardeck::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStudyFile = "study.txt";
constexpr const char* kRunsFile = "runs.csv";
constexpr const char* kCallsFile = "calls.csv";
constexpr const char* kSummaryFile = "summary.csv";
constexpr const char* kReportFile = "report.html";

// A shard's files are read whole; nothing a study writes comes near these sizes.
constexpr std::uintmax_t kStudyFileLimit = 1 << 20;
constexpr std::uintmax_t kTableFileLimit = std::uintmax_t(2) << 30;

std::string pathIn(const std::string& dir, const char* name) {
    return (fs::path(dir) / name).string();
}

std::string readBounded(const std::string& path, std::uintmax_t limit) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) throw StudyError{"'" + path + "' is missing"};
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > limit)
        throw StudyError{"'" + path + "' is larger than a study file can be"};
    std::ifstream in(path, std::ios::binary);
    std::string text(size, '\0');
    if (!in.read(text.data(), std::streamsize(size)))
        throw StudyError{"cannot read '" + path + "'"};
    return text;
}

std::vector<std::string> splitCells(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        cells.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) return cells;
        start = comma + 1;
    }
}

// The run that a line of runs.csv or calls.csv begins with.
std::size_t runOfLine(const StudyPlan& plan, const std::vector<std::string>& cells,
                      const std::string& where) {
    const auto bad = [&](const std::string& what) { return StudyError{where + ": " + what}; };
    if (cells.size() < 4) throw bad("too few columns");
    const auto profile = parseTrafficProfile(cells[0]);
    const auto demand = parseNumber(cells[1]);
    const auto seed = parseInteger(cells[2]);
    std::optional<std::size_t> index;
    if (profile && demand && seed && *seed >= 0 && *seed <= 4294967295LL) {
        try {
            index = plan.indexOf(*profile, *demand, static_cast<std::uint32_t>(*seed),
                                 parseSystemName(cells[3]));
        } catch (const UsageError&) {
        }
    }
    if (!index) throw bad("a run that is not in the study");
    return *index;
}

}  // namespace

std::string callsCsvHeader() {
    return "profile,demand,seed,system,floor,direction,press_step,answer_step,wait,"
           "destination_step\n";
}

std::string callsCsvLines(const StudyRun& run, const std::vector<CallRecord>& calls) {
    const std::string prefix = std::string(trafficProfileName(run.profile)) + "," +
                               shortestNumber(run.demand) + "," + std::to_string(run.seed) + "," +
                               systemName(run.system) + ",";
    const auto step = [](int s) { return s < 0 ? std::string() : std::to_string(s); };
    std::string text;
    for (const CallRecord& c : calls) {
        text += prefix + std::to_string(c.floor) + "," + (c.direction == kHallUp ? "up" : "down") +
                "," + std::to_string(c.pressStep) + "," + step(c.answerStep) + "," +
                (c.answerStep < 0 ? std::string() : std::to_string(c.answerStep - c.pressStep)) +
                "," + step(c.destinationStep) + "\n";
    }
    return text;
}

std::string checkOutputFolder(const std::string& dir) {
    std::error_code error;
    fs::create_directories(dir, error);
    if (!fs::is_directory(dir))
        return "cannot make the folder '" + dir + "'" + (error ? ": " + error.message() : "");
    std::string probe = pathIn(dir, ".study-probe-XXXXXX");
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return "cannot write in '" + dir + "': " + std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

std::string writeStudyResults(const std::string& dir, const StudyResults& results) {
    if (std::string problem = checkOutputFolder(dir); !problem.empty()) return problem;

    std::vector<std::pair<const char*, std::string>> files;
    std::string runs = runsCsvHeader();
    for (std::size_t i = 0; i < results.indices.size(); ++i)
        runs += runsCsvLine(results.plan.run(results.indices[i]), results.rows[i]);
    files.emplace_back(kRunsFile, std::move(runs));
    if (results.plan.calls) {
        std::string calls = callsCsvHeader();
        for (const std::string& lines : results.callLines) calls += lines;
        files.emplace_back(kCallsFile, std::move(calls));
    }
    if (results.complete()) {
        const auto summary = summarizeStudy(results.plan, results.rows);
        files.emplace_back(kSummaryFile, summaryCsv(results.plan, summary));
        files.emplace_back(kReportFile,
                           renderStudyReport(results.plan, summary,
                                             degenerateRunWarnings(results.plan, results.indices,
                                                                   results.rows)));
    }
    // Last, so that a folder whose study.txt is new holds the rest of that study too.
    files.emplace_back(kStudyFile, results.plan.describe(results.shard));

    for (const auto& [name, text] : files) {
        const std::string path = pathIn(dir, name);
        const bool written = writeFileAtomically(path, [&text](std::FILE* file) {
            return std::fwrite(text.data(), 1, text.size(), file) == text.size();
        });
        if (!written) return "cannot write '" + path + "'";
    }
    for (const char* name : {kCallsFile, kSummaryFile, kReportFile}) {
        bool kept = false;
        for (const auto& file : files) kept = kept || std::strcmp(file.first, name) == 0;
        std::error_code ignored;
        if (!kept) fs::remove(pathIn(dir, name), ignored);
    }
    return {};
}

StudyResults mergeStudyShards(const std::vector<std::string>& dirs) {
    StudyResults merged;
    std::string description;
    std::vector<bool> seen;
    std::vector<std::string> rows;
    std::vector<std::string> callLines;
    for (const std::string& dir : dirs) {
        const std::string studyPath = pathIn(dir, kStudyFile);
        std::optional<Shard> shard;
        StudyPlan plan;
        try {
            plan = StudyPlan::parse(readBounded(studyPath, kStudyFileLimit), &shard);
        } catch (const StudyError& error) {
            throw StudyError{studyPath + ": " + error.message};
        }
        if (description.empty()) {
            description = plan.describe(std::nullopt);
            merged.plan = plan;
            seen.assign(plan.runCount(), false);
            rows.resize(plan.runCount());
            callLines.resize(plan.runCount());
        } else if (plan.describe(std::nullopt) != description) {
            throw StudyError{"'" + dir + "' holds a shard of another study than '" + dirs[0] +
                             "' (their study.txt differ)"};
        }

        const std::string runsPath = pathIn(dir, kRunsFile);
        std::istringstream runs(readBounded(runsPath, kTableFileLimit));
        std::string line;
        if (!std::getline(runs, line) || line + "\n" != runsCsvHeader())
            throw StudyError{runsPath + ": not the runs of a study"};
        const std::size_t columns = 3 + compareColumns().size();
        for (long long number = 2; std::getline(runs, line); ++number) {
            const std::string where = runsPath + " line " + std::to_string(number);
            std::vector<std::string> cells = splitCells(line);
            if (cells.size() != columns) throw StudyError{where + ": wrong number of columns"};
            const std::size_t index = runOfLine(plan, cells, where);
            if (shard && !shard->holds(index))
                throw StudyError{where + ": a run that belongs to another shard"};
            if (seen[index]) throw StudyError{where + ": a run that is there twice"};
            seen[index] = true;
            std::size_t start = 0;
            for (int comma = 0; comma < 3; ++comma) start = line.find(',', start) + 1;
            rows[index] = line.substr(start);
        }

        if (plan.calls) {
            const std::string callsPath = pathIn(dir, kCallsFile);
            std::istringstream calls(readBounded(callsPath, kTableFileLimit));
            if (!std::getline(calls, line) || line + "\n" != callsCsvHeader())
                throw StudyError{callsPath + ": not the calls of a study"};
            for (long long number = 2; std::getline(calls, line); ++number) {
                const std::string where = callsPath + " line " + std::to_string(number);
                const std::size_t index = runOfLine(plan, splitCells(line), where);
                if (shard && !shard->holds(index))
                    throw StudyError{where + ": a call of a run of another shard"};
                callLines[index] += line + "\n";
            }
        }
    }
    std::size_t missing = 0;
    for (bool s : seen) missing += s ? 0 : 1;
    if (missing > 0) {
        const std::size_t first =
            std::size_t(std::find(seen.begin(), seen.end(), false) - seen.begin());
        const StudyRun run = merged.plan.run(first);
        throw StudyError{std::to_string(missing) + " of " + std::to_string(seen.size()) +
                         " runs are missing, the first " + trafficProfileName(run.profile) +
                         " demand " + shortestNumber(run.demand) + " seed " +
                         std::to_string(run.seed) + " " + systemName(run.system) +
                         " (is a shard missing?)"};
    }
    merged.indices.resize(seen.size());
    for (std::size_t i = 0; i < seen.size(); ++i) merged.indices[i] = i;
    merged.rows = std::move(rows);
    merged.callLines = std::move(callLines);
    return merged;
}

}  // namespace vardeck::cli
