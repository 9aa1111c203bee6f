#include "study/study_results.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unordered_map>

#include "io/input_file.h"
#include "model/floors.h"
#include "study/comma_list.h"
#include "study/compare_row.h"
#include "study/folder_update.h"
#include "study/number_text.h"
#include "study/period_table.h"
#include "study/run_row_check.h"
#include "study/study_report.h"
#include "study/study_summary.h"
#include "study/study_warnings.h"
#include "study/system_choice.h"

namespace vardeck::study {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStudyFile = "study.txt";
constexpr const char* kControllersLog = "controllers.log";
constexpr const char* kRunsFile = "runs.csv";
constexpr const char* kCallsFile = "calls.csv";
constexpr const char* kPeriodsFile = "periods.csv";
constexpr const char* kSummaryFile = "summary.csv";
constexpr const char* kReportFile = "report.html";

// A shard's files are read whole; nothing a study writes comes near these sizes.
constexpr FileSizeLimit kStudyFileLimit{std::size_t{1} << 20, "1 MB"};
constexpr FileSizeLimit kTableFileLimit{std::size_t{2} << 30, "2 GB"};

std::string pathIn(const std::string& dir, const char* name) {
    return (fs::path(dir) / name).string();
}

std::string readBounded(const std::string& path, const FileSizeLimit& limit) {
    InputFile file(path, limit);
    std::string text;
    if (!file.ok() || file.readAll(text) != FileReadResult::Ok)
        throw StudyError{"'" + path + "' " + file.problem()};
    return text;
}

// A table of a shard, past its header, which must be `header`.
std::istringstream openTable(const std::string& path, const std::string& header, const char* what) {
    std::istringstream table(readBounded(path, kTableFileLimit));
    std::string line;
    if (!std::getline(table, line) || line + "\n" != header)
        throw StudyError{path + ": not the " + what + " of a study"};
    return table;
}

// The run that a line of runs.csv or calls.csv begins with.
std::size_t runOfLine(const StudyPlan& plan, const std::vector<std::string>& cells,
                      const std::string& where) {
    const auto bad = [&](const std::string& what) { return StudyError{where + ": " + what}; };
    if (cells.size() < 4) throw bad("too few columns");
    const std::optional<StudyProfile> profile =
        cells[0].empty() ? std::nullopt : std::optional<StudyProfile>(StudyProfile{cells[0], {}});
    const auto demand = parseNumber(cells[1]);
    const auto seed = parseInteger(cells[2]);
    std::optional<std::size_t> index;
    if (profile && demand && seed && *seed >= 0 && *seed <= kMaxSeed) {
        if (const auto system = plan.systemNamed(cells[3]))
            index = plan.indexOf(*profile, *demand, static_cast<std::uint32_t>(*seed), *system);
    }
    if (!index) throw bad("a run that is not in the study");
    return *index;
}

// The cells of a line of calls.csv after its run: floor, direction, press_step, answer_step,
// wait (their difference) and destination_step, the steps empty for never.
std::string checkCallCells(const std::vector<std::string>& cells, long long kMaxStep) {
    long long floor = 0, press = 0, answer = -1, wait = -1, destination = -1;
    if (!isWholeNumber(cells[4], kFloorCount, &floor) || floor < 1)
        return "bad floor '" + cells[4] + "'";
    if (cells[5] != "up" && cells[5] != "down") return "bad direction '" + cells[5] + "'";
    if (!isWholeNumber(cells[6], kMaxStep, &press)) return "bad press_step '" + cells[6] + "'";
    if (!cells[7].empty() && (!isWholeNumber(cells[7], kMaxStep, &answer) || answer < press))
        return "bad answer_step '" + cells[7] + "'";
    if (!cells[8].empty() && !isWholeNumber(cells[8], kMaxStep, &wait))
        return "bad wait '" + cells[8] + "'";
    if (cells[7].empty() != cells[8].empty() || (answer >= 0 && wait != answer - press))
        return "a wait '" + cells[8] + "' that is not answer_step - press_step";
    if (!cells[9].empty() &&
        (!isWholeNumber(cells[9], kMaxStep, &destination) || destination < std::max(press, answer)))
        return "bad destination_step '" + cells[9] + "'";
    return {};
}

// What a run of the plan can produce.
RunBounds runBounds(const StudyPlan& plan, std::size_t index) {
    return {plan.steps + kStepsAfterTraffic, plan.callsFor(plan.run(index).demand)};
}

// Ascending numbers as ranges, "1-3, 7, 9-12", the first 30 of them and how many more.
std::string numberRanges(const std::vector<std::size_t>& numbers) {
    constexpr std::size_t kMostRanges = 30;
    std::string text;
    std::size_t ranges = 0, i = 0;
    for (; i < numbers.size() && ranges < kMostRanges; ++ranges) {
        std::size_t last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1) ++last;
        text += (text.empty() ? "" : ", ") + std::to_string(numbers[i]) +
                (last > i ? "-" + std::to_string(numbers[last]) : "");
        i = last + 1;
    }
    if (i < numbers.size()) text += " and " + std::to_string(numbers.size() - i) + " more";
    return text;
}

}  // namespace

std::string callsCsvHeader() {
    return "profile,demand,seed,system,floor,direction,press_step,answer_step,wait,"
           "destination_step\n";
}

std::string callsCsvLines(const StudyRun& run, const std::vector<CallRecord>& calls) {
    const std::string prefix = run.profile.name + "," + shortestNumber(run.demand) + "," +
                               std::to_string(run.seed) + "," + run.system.name() + ",";
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

const std::vector<std::string>& studyFileNames() {
    static const std::vector<std::string> names = {kRunsFile,    kCallsFile,  kPeriodsFile,
                                                   kSummaryFile, kReportFile, kControllersLog,
                                                   kStudyFile};
    return names;
}

std::string checkOutputFolder(const std::string& dir) {
    return FolderUpdate(dir, studyFileNames()).check();
}

std::vector<std::pair<std::string, std::string>> studyFiles(const StudyResults& results) {
    std::vector<std::pair<std::string, std::string>> files;
    std::string runs = runsCsvHeader();
    for (std::size_t i = 0; i < results.indices.size(); ++i)
        runs += runsCsvLine(results.plan.run(results.indices[i]), results.rows[i]);
    files.emplace_back(kRunsFile, std::move(runs));
    if (results.plan.calls) {
        std::string calls = callsCsvHeader();
        for (const std::string& lines : results.callLines) calls += lines;
        files.emplace_back(kCallsFile, std::move(calls));
    }
    if (results.plan.hasDayProfile()) {
        std::string periods = periodsCsvHeader();
        for (const std::string& lines : results.periodLines) periods += lines;
        files.emplace_back(kPeriodsFile, std::move(periods));
    }
    if (results.complete()) {
        const auto summary = summarizeStudy(results.plan, results.rows);
        files.emplace_back(kSummaryFile, summaryCsv(results.plan, summary));
        files.emplace_back(
            kReportFile,
            renderStudyReport(results.plan, summary,
                              degenerateRunWarnings(results.plan, results.indices, results.rows),
                              periodTables(results.plan, summary, results.periodLines)));
    }
    if (results.controllersLog) files.emplace_back(kControllersLog, *results.controllersLog);
    StudyPlan described = results.plan;
    if (described.program.empty()) described.program = programFingerprint();
    described.host = hostName();
    files.emplace_back(kStudyFile, described.describe(results.shard));
    return files;
}

std::string writeStudyFiles(const std::string& dir,
                            const std::vector<std::pair<std::string, std::string>>& files,
                            const std::atomic<bool>* stop) {
    return FolderUpdate(dir, studyFileNames()).commit(files, stop);
}

namespace {

// How two shards' controllers of one name differ, in words; empty when they agree.
std::string controllerDifference(const StudyPlan& first, const StudyPlan& other) {
    for (const auto& a : first.controllers)
        for (const auto& b : other.controllers) {
            if (a.name != b.name) continue;
            if (a.command != b.command)
                return "the controller '" + a.name + "' as two commands, " + quotedLine(a.command) +
                       " and " + quotedLine(b.command);
            if (a.fingerprint != b.fingerprint)
                return "the controller '" + a.name + "' with files of its command that differ (" +
                       a.fingerprint + " and " + b.fingerprint + ")";
        }
    return {};
}

// Puts the shards together one folder at a time, checking each against the first.
class ShardMerge {
public:
    explicit ShardMerge(const std::vector<std::string>& dirs) : dirs_(dirs) {}

    void add(std::size_t d) {
        const std::string& dir = dirs_[d];
        const StudyPlan plan = readPlan(dir);
        folders_.push_back({shard_, plan.host});
        try {
            const std::vector<HeldRun> held = readRuns(dir, static_cast<std::uint32_t>(d + 1));
            if (plan.calls) readCalls(dir, held);
            if (plan.hasDayProfile()) readPeriods(dir, held);
        } catch (const StudyError& error) {
            throw StudyError{error.message + origin(d)};
        }
    }

    StudyResults result() {
        checkComplete();
        merged_.indices.resize(holder_.size());
        for (std::size_t i = 0; i < holder_.size(); ++i) merged_.indices[i] = i;
        merged_.rows = std::move(rows_);
        merged_.callLines = std::move(callLines_);
        merged_.periodLines = std::move(periodLines_);
        return std::move(merged_);
    }

private:
    // A run of one folder, with its line in runs.csv and the calls it says it made.
    struct HeldRun {
        std::size_t index;
        long long line;
        long long calls;
        long long answered;
        long long pax;
    };

    StudyPlan readPlan(const std::string& dir) {
        const std::string studyPath = pathIn(dir, kStudyFile);
        StudyPlan plan;
        shard_.reset();
        try {
            plan = StudyPlan::parse(readBounded(studyPath, kStudyFileLimit), &shard_);
        } catch (const StudyError& error) {
            if (error.message.rfind("'" + studyPath + "'", 0) == 0) throw;
            const std::string line = error.line ? " line " + std::to_string(error.line) : "";
            throw StudyError{studyPath + line + ": " + error.message};
        }
        // Where a shard ran is told, not compared; the merge is written here.
        StudyPlan bare = plan;
        bare.host.clear();
        if (description_.empty()) {
            description_ = bare.describe(std::nullopt);
            merged_.plan = bare;
            holder_.assign(plan.runCount(), 0);
            rows_.resize(plan.runCount());
            callLines_.resize(plan.runCount());
            periodLines_.resize(plan.runCount());
        } else if (plan.program != merged_.plan.program) {
            throw StudyError{"'" + dirs_[0] + "'" + origin(0) + " and '" + dir + "'" +
                             (plan.host.empty() ? "" : " (run on " + plan.host + ")") +
                             " were made by different builds of vardeck-cli (program " +
                             merged_.plan.program + " and " + plan.program + ")"};
        } else if (const std::string difference = controllerDifference(merged_.plan, plan);
                   !difference.empty()) {
            throw StudyError{"'" + dirs_[0] + "' and '" + dir + "' ran " + difference};
        } else if (bare.describe(std::nullopt) != description_) {
            throw StudyError{"'" + dir + "' holds a shard of another study than '" + dirs_[0] +
                             "' (their study.txt differ)"};
        }
        return plan;
    }

    std::vector<HeldRun> readRuns(const std::string& dir, std::uint32_t dirNumber) {
        const std::vector<std::string>& columns = compareColumns();
        const std::size_t callsColumn = compareColumnIndex("calls");
        const std::size_t answeredColumn = compareColumnIndex("answered");
        const std::size_t paxColumn = compareColumnIndex("pax");
        std::vector<HeldRun> held;
        const std::string runsPath = pathIn(dir, kRunsFile);
        std::istringstream runs = openTable(runsPath, runsCsvHeader(), "runs");
        std::string line;
        for (long long number = 2; std::getline(runs, line); ++number) {
            const std::string where = runsPath + " line " + std::to_string(number);
            std::vector<std::string> cells = splitCommas(line);
            if (cells.size() != 3 + columns.size())
                throw StudyError{where + ": wrong number of columns"};
            const std::size_t index = runOfLine(merged_.plan, cells, where);
            if (shard_ && !shard_->holds(index))
                throw StudyError{where + ": a run that belongs to another shard"};
            if (holder_[index] != 0) throw StudyError{where + ": a run that is there twice"};
            const std::vector<std::string> row(cells.begin() + 3, cells.end());
            if (const std::string problem = checkCompareRow(row, runBounds(merged_.plan, index));
                !problem.empty())
                throw StudyError{where + ": " + problem};
            holder_[index] = dirNumber;
            long long calls = 0, answered = 0, pax = 0;
            isWholeNumber(row[callsColumn], std::numeric_limits<long long>::max(), &calls);
            isWholeNumber(row[answeredColumn], std::numeric_limits<long long>::max(), &answered);
            isWholeNumber(row[paxColumn], std::numeric_limits<long long>::max(), &pax);
            held.push_back({index, number, calls, answered, pax});
            std::size_t start = 0;
            for (int comma = 0; comma < 3; ++comma) start = line.find(',', start) + 1;
            rows_[index] = line.substr(start);
        }
        return held;
    }

    void readCalls(const std::string& dir, const std::vector<HeldRun>& held) {
        const std::string callsPath = pathIn(dir, kCallsFile);
        std::istringstream calls = openTable(callsPath, callsCsvHeader(), "calls");
        std::string line;
        std::vector<std::pair<long long, long long>> counts(held.size());
        std::unordered_map<std::size_t, std::size_t> position;
        position.reserve(held.size());
        for (std::size_t h = 0; h < held.size(); ++h) position.emplace(held[h].index, h);
        for (long long number = 2; std::getline(calls, line); ++number) {
            const std::string where = callsPath + " line " + std::to_string(number);
            const std::vector<std::string> cells = splitCommas(line);
            if (cells.size() != 10) throw StudyError{where + ": wrong number of columns"};
            const std::size_t index = runOfLine(merged_.plan, cells, where);
            const auto found = position.find(index);
            if (found == position.end())
                throw StudyError{where + ": a call of a run that " + kRunsFile +
                                 " of this folder lacks"};
            if (const std::string problem =
                    checkCallCells(cells, runBounds(merged_.plan, index).maxSteps);
                !problem.empty())
                throw StudyError{where + ": " + problem};
            ++counts[found->second].first;
            counts[found->second].second += cells[7].empty() ? 0 : 1;
            callLines_[index] += line + "\n";
        }
        for (std::size_t h = 0; h < held.size(); ++h) {
            if (counts[h].first == held[h].calls && counts[h].second == held[h].answered) continue;
            throw StudyError{callsPath + ": " + std::to_string(counts[h].first) + " calls (" +
                             std::to_string(counts[h].second) + " answered) of the run on line " +
                             std::to_string(held[h].line) + " of " + pathIn(dir, kRunsFile) +
                             ", which says " + std::to_string(held[h].calls) + " (" +
                             std::to_string(held[h].answered) + ")"};
        }
    }

    // periods.csv: each run of a day profile, its periods in order.
    void readPeriods(const std::string& dir, const std::vector<HeldRun>& held) {
        const std::string periodsPath = pathIn(dir, kPeriodsFile);
        std::istringstream periods = openTable(periodsPath, periodsCsvHeader(), "periods");
        std::string line;
        std::unordered_map<std::size_t, std::vector<std::vector<std::string>>> cells;
        std::unordered_map<std::size_t, std::size_t> position;
        for (std::size_t h = 0; h < held.size(); ++h) position.emplace(held[h].index, h);
        for (long long number = 2; std::getline(periods, line); ++number) {
            const std::string where = periodsPath + " line " + std::to_string(number);
            std::vector<std::string> row = splitCommas(line);
            if (row.size() != 8) throw StudyError{where + ": wrong number of columns"};
            const std::size_t index = runOfLine(merged_.plan, row, where);
            if (!position.count(index))
                throw StudyError{where + ": a period of a run that " + kRunsFile +
                                 " of this folder lacks"};
            cells[index].emplace_back(row.begin() + 4, row.end());
            periodLines_[index] += line + "\n";
        }
        for (const HeldRun& h : held) {
            const auto found = cells.find(h.index);
            const std::string problem = checkPeriodLines(
                merged_.plan.run(h.index),
                found == cells.end() ? std::vector<std::vector<std::string>>{} : found->second,
                h.pax);
            if (!problem.empty())
                throw StudyError{periodsPath + ": the run on line " + std::to_string(h.line) +
                                 " of " + pathIn(dir, kRunsFile) + ": " + problem};
        }
    }

    // " (shard K/N, run on HOST)" after what is said about the files of folder `d`.
    std::string origin(std::size_t d) const {
        const Folder& folder = folders_[d];
        std::string text;
        if (folder.shard)
            text = "shard " + std::to_string(folder.shard->number) + "/" +
                   std::to_string(folder.shard->count);
        if (!folder.host.empty())
            text += std::string(text.empty() ? "" : ", ") + "run on " + folder.host;
        return text.empty() ? "" : " (" + text + ")";
    }

    // Every run that no folder holds, told at once: the shards that no folder holds, then the
    // runs missing from the folders given.
    void checkComplete() const {
        std::vector<std::size_t> missing;
        for (std::size_t i = 0; i < holder_.size(); ++i)
            if (holder_[i] == 0) missing.push_back(i);
        if (missing.empty()) return;
        std::vector<std::string> parts;
        // The shards, when every folder is a shard of one split.
        const std::size_t count = folders_.front().shard ? folders_.front().shard->count : 0;
        std::vector<std::size_t> folderOfShard(count, 0);
        for (std::size_t d = 0; d < folders_.size() && count > 0; ++d) {
            if (!folders_[d].shard || folders_[d].shard->count != count) {
                folderOfShard.clear();
                break;
            }
            folderOfShard[folders_[d].shard->number - 1] = d + 1;
        }
        if (!folderOfShard.empty()) {
            std::vector<std::size_t> absent;
            for (std::size_t k = 0; k < count; ++k)
                if (folderOfShard[k] == 0) absent.push_back(k + 1);
            if (!absent.empty())
                parts.push_back("no folder holds shard" +
                                std::string(absent.size() > 1 ? "s " : " ") + numberRanges(absent) +
                                " of " + std::to_string(count));
            std::erase_if(missing, [&](std::size_t i) { return folderOfShard[i % count] == 0; });
        }
        if (!missing.empty()) {
            std::vector<std::size_t> numbers;
            for (std::size_t i : missing) numbers.push_back(i + 1);
            const StudyRun run = merged_.plan.run(missing.front());
            std::string part = "runs " + numberRanges(numbers) +
                               " in the study's order are not in the folders, the first " +
                               run.profile.name + " demand " + shortestNumber(run.demand) +
                               " seed " + std::to_string(run.seed) + " " + run.system.name();
            if (!folderOfShard.empty()) {
                const std::size_t d = folderOfShard[missing.front() % count] - 1;
                part += ", which '" + dirs_[d] + "'" + origin(d) + " lacks";
            }
            parts.push_back(part);
        }
        std::string text;
        for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
        const std::size_t lost =
            std::size_t(std::count(holder_.begin(), holder_.end(), std::uint32_t{0}));
        throw StudyError{std::to_string(lost) + " of " + std::to_string(holder_.size()) +
                         " runs are missing: " + text};
    }

    struct Folder {
        std::optional<Shard> shard;
        std::string host;
    };

    const std::vector<std::string>& dirs_;
    StudyResults merged_;
    std::string description_;
    std::optional<Shard> shard_;
    std::vector<Folder> folders_;
    // For each run the number (from 1) of the folder that holds it, 0 while none does.
    std::vector<std::uint32_t> holder_;
    std::vector<std::string> rows_;
    std::vector<std::string> callLines_;
    std::vector<std::string> periodLines_;
};

}  // namespace

StudyResults mergeStudyShards(const std::vector<std::string>& dirs) {
    ShardMerge merge(dirs);
    for (std::size_t d = 0; d < dirs.size(); ++d) merge.add(d);
    return merge.result();
}

}  // namespace vardeck::study
