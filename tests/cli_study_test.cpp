// The study command: runs that are exactly `compare` on `generate`'s traffic, files that do not
// depend on threads or shards, merges that refuse what does not belong together, and a report
// that any browser can open.

#include <expat.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <numeric>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "network_images.h"
#include "study/compare_row.h"
#include "study/study_plan.h"
#include "study/study_runner.h"
#include "study/study_summary.h"
#include "study/system_palette.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::CsvRow;
using test::csvTable;
using test::filesIn;
using test::number;
using test::readFile;
using test::runCli;

namespace fs = std::filesystem;

// Two profiles, a demand that gives 2.5 calls (rounded to 3) and one of 20, three seeds.
const std::string kSmall =
    "study --profiles lunch,up-peak --demands 20,2.5 --seeds 3 --steps 1000 --first-seed 7 ";

// What a strict XML parser finds in the report: plots, table rows, and anything that runs or
// loads.
struct ReportParts {
    std::string error;  // empty when the whole page parsed
    int svg = 0, rows = 0, scripts = 0, links = 0;
};

ReportParts parseReport(const std::string& html) {
    ReportParts seen;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &seen);
    XML_SetStartElementHandler(parser, [](void* data, const XML_Char* name, const XML_Char** at) {
        ReportParts& s = *static_cast<ReportParts*>(data);
        const std::string element = name;
        s.svg += element == "svg";
        s.rows += element == "tr";
        s.scripts += element == "script" || element == "iframe" || element == "img";
        for (int i = 0; at[i]; i += 2) {
            const std::string attribute = at[i];
            s.links += attribute == "src" || attribute == "href" || attribute.rfind("on", 0) == 0;
        }
    });
    if (XML_Parse(parser, html.data(), int(html.size()), 1) != XML_STATUS_OK)
        seen.error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                     std::to_string(XML_GetCurrentLineNumber(parser));
    XML_ParserFree(parser);
    return seen;
}

class StudyTest : public ::testing::Test {
protected:
    void SetUp() override { test::copyShippedData(); }
    // The three shards of the small study with its calls, in folders prefix1 to prefix3.
    static void makeShards(const std::string& options, const std::string& prefix) {
        for (const char* shard : {"1", "2", "3"})
            ASSERT_EQ(runCli(kSmall + "--calls " + options + " --shard " + shard + "/3 -o " +
                             prefix + shard)
                          .code,
                      0);
    }
    test::TempDir dir;
};

TEST_F(StudyTest, EachRunIsCompareOnTheFileThatGenerateWrites) {
    const std::set<std::string> before = filesIn(".");
    const test::CliResult r = runCli(kSmall + "--calls -o out");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(filesIn("."), [&] {
        auto names = before;
        names.insert("out");
        return names;
    }()) << "nothing but the output folder is written";

    const std::string runs = readFile("out/runs.csv");
    const std::vector<CsvRow> rows = csvTable(runs);
    ASSERT_EQ(rows.size(), 2u * 2 * 3 * 3);
    // Profile as given, then demand ascending, seed ascending and system as given.
    EXPECT_EQ(
        rows[0].at("profile") + rows[0].at("demand") + rows[0].at("seed") + rows[0].at("system"),
        "lunch2.57schedule");
    EXPECT_EQ(rows[17].at("demand") + rows[17].at("seed") + rows[17].at("system"), "209adaptive");
    EXPECT_EQ(rows[18].at("profile"), "up-peak");

    struct Run {
        const char* profile;
        const char* demand;
        int calls;
        int seed;
    };
    for (const Run run : {Run{"lunch", "2.5", 3, 9}, Run{"up-peak", "20", 20, 8}}) {
        SCOPED_TRACE(run.profile);
        const std::string generate = "generate --profile " + std::string(run.profile) +
                                     " --steps 1000 --calls " + std::to_string(run.calls) +
                                     " --seed " + std::to_string(run.seed) +
                                     " --no-destination-share 0.3 -o traffic.but";
        ASSERT_EQ(runCli(generate).code, 0);
        const test::CliResult compare = runCli("compare --csv --play traffic.but");
        ASSERT_EQ(compare.code, 0) << compare.err;
        std::istringstream lines(compare.out);
        std::string line;
        std::getline(lines, line);  // the header
        while (std::getline(lines, line)) {
            const std::string expected = std::string(run.profile) + "," + run.demand + "," +
                                         std::to_string(run.seed) + "," + line + "\n";
            EXPECT_NE(runs.find(expected), std::string::npos) << expected;
        }
    }

    // Every run's calls add up to its row: their number and their mean wait.
    std::map<std::string, std::vector<double>> waits;
    for (const CsvRow& call : csvTable(readFile("out/calls.csv"))) {
        const std::string run =
            call.at("profile") + call.at("demand") + call.at("seed") + call.at("system");
        auto& list = waits[run];
        if (!call.at("wait").empty()) list.push_back(number(call, "wait"));
        EXPECT_EQ(number(call, "answer_step") - number(call, "press_step"),
                  call.at("wait").empty() ? NAN : number(call, "wait"));
        if (!call.at("destination_step").empty()) {
            EXPECT_GT(number(call, "destination_step"), number(call, "answer_step"));
        }
    }
    for (const CsvRow& row : rows) {
        const auto& list =
            waits[row.at("profile") + row.at("demand") + row.at("seed") + row.at("system")];
        EXPECT_EQ(double(list.size()), number(row, "answered"));
        double sum = 0;
        for (double w : list) sum += w;
        EXPECT_NEAR(sum / double(list.size()), number(row, "wait_mean"), 1e-6);
    }
}

TEST_F(StudyTest, FilesAreTheSameForAnyJobsAndFromMergedShards) {
    ASSERT_EQ(runCli(kSmall + "--calls --jobs 1 -o one").code, 0);
    makeShards("--jobs 2", "shard");
    EXPECT_EQ(filesIn("shard1"), (std::set<std::string>{"calls.csv", "runs.csv", "study.txt"}));
    EXPECT_EQ(csvTable(readFile("shard2/runs.csv")).size(), 12u);
    const test::CliResult merged = runCli("study --merge shard3 shard1 shard2 -o merged");
    ASSERT_EQ(merged.code, 0) << merged.err;
    for (const char* file : {"runs.csv", "summary.csv", "report.html", "calls.csv", "study.txt"}) {
        SCOPED_TRACE(file);
        const std::string expected = readFile(std::string("one/") + file);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(readFile(std::string("merged/") + file), expected);
    }
}

TEST_F(StudyTest, ThreadsRunSimulationsSideBySideWithTheRowsOfOne) {
    // Each run owns its simulation and networks; any state shared between them would show as
    // rows that depend on which thread ran what (and as a race under ThreadSanitizer).
    study::StudyPlan plan;
    plan.profiles = {study::TrafficProfile::DownPeak};
    plan.demands = {30};
    plan.seeds = 4;
    plan.steps = 600;
    plan.systems = {SystemKind::Adaptive, SystemKind::Neuro, SystemKind::Schedule};
    std::vector<std::size_t> all(plan.runCount());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    const std::atomic<bool> stop{false};
    study::StudyRunner alone(plan, all, 1);
    study::StudyRunner together(plan, all, 3);
    ASSERT_TRUE(alone.run(stop));
    ASSERT_TRUE(together.run(stop));
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(together.outcomes()[i].row, alone.outcomes()[i].row) << i;
        EXPECT_EQ(together.outcomes()[i].row, study::runStudyRun(plan, plan.run(i)).row) << i;
    }
}

TEST(StudyRunnerTest, RunsPlayAllTheirStepsAndAThreadThatCannotStartIsReported) {
    // A run plays its whole traffic, however long: none is cut at the step cap of `compare`.
    study::StudyPlan plan;
    plan.profiles = {study::TrafficProfile::Lunch};
    plan.demands = {0.1};
    plan.steps = int(study::kDefaultStepCap) + 100'000;
    plan.systems = {SystemKind::Schedule};
    const auto values = study::compareRowValues(study::runStudyRun(plan, plan.run(0)).row);
    EXPECT_GT(*values[study::compareColumnIndex("steps")], double(study::kDefaultStepCap));
    EXPECT_EQ(*values[study::compareColumnIndex("pax")], plan.callsFor(0.1)) << "every caller";

    // A thread that cannot be started ends the runs with an error once the started ones are
    // joined, never with an abort. (A sanitizer's shadow memory needs the address space.)
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    plan.steps = 300;
    plan.seeds = 100;
    std::vector<std::size_t> all(plan.runCount());
    std::iota(all.begin(), all.end(), std::size_t{0});
    const pid_t child = ::fork();
    if (child == 0) {
        long pages = 0;  // room for the stacks of a few threads, not of 64
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t room = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (40 << 20);
        const rlimit limit{room, room};
        ::setrlimit(RLIMIT_AS, &limit);
        try {
            study::StudyRunner(plan, all, 64).run(std::atomic<bool>{false});
        } catch (const std::runtime_error& error) {
            ::_exit(std::string(error.what()).rfind("cannot start a thread", 0) == 0 ? 3 : 4);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
#endif
}

// A copy of a shard's folder with one cell of a file replaced (an empty column name deletes
// the line).
void damage(const std::string& from, const std::string& to, const std::string& file, int line,
            const std::string& column, const std::string& value) {
    fs::create_directory(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::istringstream text(readFile(from + "/" + file));
    std::string damaged, header, row;
    std::getline(text, header);
    damaged = header + "\n";
    for (int number = 2; std::getline(text, row); ++number) {
        if (number == line) {
            if (column.empty()) continue;
            std::vector<std::string> cells;
            std::istringstream split(row + ",");
            for (std::string cell; std::getline(split, cell, ',');) cells.push_back(cell);
            std::istringstream names(header);
            std::size_t i = 0;
            for (std::string name; std::getline(names, name, ',') && name != column;) ++i;
            cells.at(i) = value;
            row.clear();
            for (const std::string& cell : cells) row += (row.empty() ? "" : ",") + cell;
        }
        damaged += row + "\n";
    }
    test::writeFile(to + "/" + file, damaged);
}

TEST_F(StudyTest, MergeRefusesShardsThatDoNotMakeOneStudy) {
    makeShards("", "s");
    ASSERT_EQ(runCli(kSmall + "--calls --shard 3/3 --no-destination-share 0.5 -o other").code, 0);
    ASSERT_EQ(runCli(kSmall + "--calls --shard 3/3 --long-wait 90 -o longer").code, 0);
    fs::create_directory("damaged");
    fs::copy("s3", "damaged");
    {
        std::string runs = readFile("s3/runs.csv");
        runs.insert(runs.size() - 20, ",");
        test::writeFile("damaged/runs.csv", runs);
    }
    // Line 2 of s3's runs.csv is lunch, demand 2.5, seed 7 under adaptive: three calls, all
    // answered.
    struct Damage {
        const char* file;
        int line;
        const char* column;
        const char* value;
    };
    const std::string huge = "17" + std::string(307, '0');
    const Damage damages[] = {{"runs.csv", 2, "wait_mean", "nan"},
                              {"runs.csv", 2, "wait_mean", huge.c_str()},
                              {"runs.csv", 2, "wait_max", "1201"},
                              {"runs.csv", 2, "steps", "1201"},
                              {"runs.csv", 2, "pax", "4"},
                              {"runs.csv", 2, "pax_long_share", "1.5"},
                              {"runs.csv", 3, "wait_mean", ""},
                              {"runs.csv", 2, "floors", "abc"},
                              {"runs.csv", 2, "floors", ""},
                              {"runs.csv", 2, "floors", "-3"},
                              {"runs.csv", 4, "floors", "3.5"},
                              {"runs.csv", 2, "wait_sq_mean", "-1.000000"},
                              {"runs.csv", 2, "still_waiting", " 1"},
                              {"runs.csv", 2, "system", "lift"},
                              {"runs.csv", 2, "seed", "x"},
                              {"calls.csv", 2, "", ""},
                              {"calls.csv", 3, "wait", "1000000"},
                              {"calls.csv", 2, "floor", "29"},
                              {"calls.csv", 2, "direction", "sideways"},
                              {"calls.csv", 2, "press_step", "1e3"},
                              {"calls.csv", 2, "answer_step", ""}};
    // Shard 3 again, by another build that says the same version.
    fs::copy_file(VARDECK_CLI, "other-build");
    std::ofstream("other-build", std::ios::app) << "x";
    ASSERT_EQ(std::system(("./other-build " + kSmall + "--calls --shard 3/3 -o rebuilt").c_str()),
              0);
    const std::string host = study::hostName();
    std::vector<std::pair<std::string, std::string>> cases = {
        {"s1 s2", "missing: no folder holds shard 3 of 3"},
        {"s2", "missing: no folder holds shards 1, 3 of 3"},
        {"s1 s2 rebuilt", "'s1' (shard 1/3, run on " + host + ") and 'rebuilt' (run on " + host +
                              ") were made by different builds"},
        {"s1 s2 s3 s2", "twice"},
        {"s1 s2 other", "another study"},
        {"s1 s2 longer", "another study"},
        {"s1 s2 absent", "absent/study.txt"},
        {"s1 s2 damaged", "columns"},
        {"s1 s1", "twice"}};
    const std::string nan = "s1 s2 d" + std::to_string(cases.size());
    for (const Damage& d : damages) {
        const std::string copy = "d" + std::to_string(cases.size());
        damage("s3", copy, d.file, d.line, d.column, d.value);
        cases.emplace_back("s1 s2 " + copy, copy + "/" + d.file);
        if (*d.column) cases.back().second += " line " + std::to_string(d.line);
    }
    // A study.txt that plans far too many runs is refused before anything is allocated.
    fs::create_directory("hostile");
    fs::copy("s1", "hostile", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    {
        std::string text = readFile("s1/study.txt");
        std::string demands = "demands 1";
        for (int d = 2; d <= 100; ++d) demands += "," + std::to_string(d);
        text.replace(text.find("demands 2.5,20"), 14, demands);
        text.replace(text.find("seeds 3"), 7, "seeds 1000000");
        test::writeFile("hostile/study.txt", text);
    }
    cases.emplace_back("hostile s2 s3", "more than 10000000 runs");
    cases.emplace_back(nan, "line 2: bad wait_mean 'nan' (shard 3/3, run on " + host + ")");
    // study.txt is checked as the command line is, naming the line at fault.
    const char* const plans[][3] = {{"baseline schedule", "baseline adaptive-ahead", "baseline"},
                                    {"baseline schedule", "baseline neuro,schedule", "baseline"},
                                    {"first-seed 7", "first-seed 4294967294", "first-seed"},
                                    {"steps 1000", "steps 100", "demands"}};  // 2.5 gives no call
    for (const auto& [line, changed, fault] : plans) {
        const std::string copy = "p" + std::to_string(cases.size());
        fs::create_directory(copy);
        fs::copy("s1", copy, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        std::string text = readFile("s1/study.txt");
        const auto at = long(text.find(std::string("\n") + fault + " "));
        const std::string number =
            std::to_string(std::count(text.begin(), text.begin() + at, '\n') + 2);
        test::writeFile(copy + "/study.txt", text.replace(text.find(line), strlen(line), changed));
        cases.emplace_back(copy + " s2 s3", copy + "/study.txt line " + number);
    }

    for (const auto& [dirs, message] : cases) {
        const test::CliResult r = runCli(std::string("study --merge ") + dirs + " -o merged");
        EXPECT_EQ(r.code, 2) << dirs << ": " << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << dirs << ": " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_FALSE(fs::exists("merged")) << dirs;
    }
    EXPECT_EQ(runCli("study --merge s1 s2 s3 -o merged").code, 0) << "the sound shards merge";
}

// Day profiles, built in and a user's file: each run is compare on generate's file, the waits
// per period add up to the run's passengers and show in the report, and the files are the same
// for any jobs and from merged shards, whose periods the merge checks.
TEST_F(StudyTest, DayStudiesKeepTheirPeriodsThroughJobsAndShards) {
    test::writeFile("office.day", "up-peak 0.3 3\nlunch 0.4 1\ndown-peak 0.3 2\n");
    const std::string day =
        "study --profiles day,office.day --demands 2.5,20 --seeds 3 "
        "--steps 1000 --systems schedule,neuro,neuro@0.40 ";
    ASSERT_EQ(runCli(day + "--jobs 1 -o one").code, 0);
    ASSERT_EQ(runCli(day + "--jobs 2 -o two").code, 0);
    for (const char* shard : {"1", "2", "3"})
        ASSERT_EQ(runCli(day + "--shard " + shard + "/3 -o s" + shard).code, 0);
    test::writeFile("office.day", "lunch 1 1\n");  // shards keep the day as it was read
    ASSERT_EQ(runCli("study --merge s1 s2 s3 -o merged").code, 0);
    for (const char* file : {"runs.csv", "periods.csv", "summary.csv", "report.html"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(readFile(std::string("two/") + file), readFile(std::string("one/") + file));
        EXPECT_EQ(readFile(std::string("merged/") + file), readFile(std::string("one/") + file));
    }

    const std::vector<CsvRow> runs = csvTable(readFile("one/runs.csv"));
    std::map<std::string, std::pair<int, double>> periods;  // count and passengers by run
    for (const CsvRow& p : csvTable(readFile("one/periods.csv"))) {
        auto& run = periods[p.at("profile") + p.at("demand") + p.at("seed") + p.at("system")];
        EXPECT_EQ(number(p, "period"), ++run.first);
        run.second += number(p, "pax");
    }
    ASSERT_EQ(runs.size(), 2u * 2 * 3 * 3);
    for (const CsvRow& row : runs) {
        const auto& run =
            periods[row.at("profile") + row.at("demand") + row.at("seed") + row.at("system")];
        EXPECT_EQ(run.first, row.at("profile") == "day" ? 5 : 3);
        EXPECT_EQ(run.second, number(row, "pax"));
    }
    const std::string generate =
        "generate --profile office.day --steps 1000 --calls 20 --seed 2 "
        "--no-destination-share 0.3 -o traffic.but";
    test::writeFile("office.day", "up-peak 0.3 3\nlunch 0.4 1\ndown-peak 0.3 2\n");
    ASSERT_EQ(runCli(generate).code, 0);
    const test::CliResult compare = runCli("compare --csv --systems neuro --play traffic.but");
    const std::string row = compare.out.substr(compare.out.find('\n') + 1);
    EXPECT_NE(readFile("one/runs.csv").find("office.day,20,2," + row), std::string::npos);

    const std::string report = readFile("one/report.html");
    EXPECT_EQ(parseReport(report).error, "");
    for (const char* text :
         {"Waits per period", "morning up-peak", "evening down-peak", "1 up-peak", "3 down-peak"})
        EXPECT_NE(report.find(text), std::string::npos) << text;

    damage("s2", "lost", "periods.csv", 3, "", "");
    damage("s2", "more", "periods.csv", 2, "pax", "999");
    for (const char* dirs : {"s1 lost s3", "s1 more s3"}) {
        const test::CliResult r = runCli(std::string("study --merge ") + dirs + " -o bad");
        EXPECT_EQ(r.code, 2) << dirs;
        EXPECT_NE(r.err.find("periods.csv"), std::string::npos) << r.err;
    }
}

TEST_F(StudyTest, SummaryPairsTheSeedsAndTheReportIsWellFormed) {
    ASSERT_EQ(runCli(kSmall + "--long-wait 20 -o out").code, 0);
    const std::vector<CsvRow> runs = csvTable(readFile("out/runs.csv"));
    const std::vector<CsvRow> summary = csvTable(readFile("out/summary.csv"));
    ASSERT_EQ(summary.size(), 2u * 2 * 3);
    for (const CsvRow& cell : summary) {
        SCOPED_TRACE(cell.at("profile") + " " + cell.at("demand") + " " + cell.at("system"));
        std::vector<double> own, differences;
        for (const CsvRow& run : runs) {
            if (run.at("profile") != cell.at("profile") || run.at("demand") != cell.at("demand"))
                continue;
            if (run.at("system") == cell.at("system")) own.push_back(number(run, "wait_mean"));
            if (run.at("system") == "schedule") differences.push_back(-number(run, "wait_mean"));
        }
        ASSERT_EQ(own.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) differences[i] += own[i];
        EXPECT_NEAR(number(cell, "wait_mean"), (own[0] + own[1] + own[2]) / 3, 1e-6);
        EXPECT_EQ(cell.at("wait_mean_runs"), "3");
        EXPECT_LE(number(cell, "wait_mean_ci_low"), number(cell, "wait_mean"));
        if (!cell.at("pax_long_share_ci_low").empty()) {
            EXPECT_GE(number(cell, "pax_long_share_ci_low"), 0) << "a share stays within 0..1";
            EXPECT_LE(number(cell, "pax_long_share_ci_high"), 1);
        }
        if (cell.at("system") == "schedule") {
            EXPECT_EQ(cell.at("wait_mean_diff"), "");
            continue;
        }
        EXPECT_NEAR(number(cell, "wait_mean_diff"),
                    (differences[0] + differences[1] + differences[2]) / 3, 1e-6);
        if (cell.at("wait_mean_diff_p").empty()) {
            // No spread over the seeds: nothing to test, so never significant.
            EXPECT_EQ(cell.at("wait_mean_diff_ci_low"), cell.at("wait_mean_diff_ci_high"));
            EXPECT_EQ(cell.at("wait_mean_diff_p_holm"), "");
            EXPECT_EQ(cell.at("wait_mean_diff_significant"), "");
            continue;
        }
        EXPECT_EQ(cell.at("wait_mean_diff_significant"),
                  number(cell, "wait_mean_diff_p_holm") < 0.05 ? "1" : "0");
    }

    // Per profile four measures, each beside its differences; eleven tables of a row per
    // profile and demand; nothing that runs or loads.
    const std::string html = readFile("out/report.html");
    const ReportParts seen = parseReport(html);
    EXPECT_EQ(seen.error, "");
    EXPECT_EQ(seen.svg, 2 * 8);
    EXPECT_EQ(seen.rows, 11 /* parameters */ + 11 * (1 + 4));
    EXPECT_EQ(seen.scripts, 0);
    EXPECT_EQ(seen.links, 0);
    EXPECT_NE(html.find("vardeck-cli 1.0"), std::string::npos);
}

// Thirteen demands, two of them close, and five systems: no two dots of different demands
// touch, none leaves the plot, and every system has one colour of its own, in the report and
// in compare's plot alike.
TEST_F(StudyTest, TheReportDrawsEveryDotApartAndEverySystemInOneColour) {
    const std::string systems = "schedule,neuro,adaptive,neuro-ahead,adaptive-ahead";
    ASSERT_EQ(runCli("study --profiles up-peak --demands 2.5,2.6,5,7.5,10,15,20,25,30,40,50,60,80 "
                     "--seeds 12 --steps 1000 --systems " +
                     systems + " -o out")
                  .code,
              0);
    const std::string html = readFile("out/report.html");
    EXPECT_NE(html.find("p &lt; 0.001, adj. &lt; 0.001"), std::string::npos);
    EXPECT_EQ(html.find("=&lt;"), std::string::npos);

    const std::regex axis("<path d=\"M([0-9.]+) [0-9.]+V[0-9.]+H([0-9.]+)\"");
    const std::regex dot(
        "<circle cx=\"([0-9.]+)\" cy=\"[0-9.]+\" r=\"([0-9.]+)\" fill=\"[^\"]+\" "
        "stroke=\"([^\"]+)\"[^>]*><title>([a-z-]+)( - [a-z]+)?, demand ([0-9.]+)");
    std::map<std::string, std::set<std::string>> colours;
    int differencePlots = 0;
    for (std::size_t at = html.find("<svg"); at != std::string::npos;) {
        const std::size_t end = html.find("</svg>", at);
        const std::string svg = html.substr(at, end - at);
        at = html.find("<svg", end);
        std::smatch frame;
        ASSERT_TRUE(std::regex_search(svg, frame, axis));
        struct Dot {
            double x, r;
            std::string demand;
        };
        std::vector<Dot> dots;
        for (std::sregex_iterator m(svg.begin(), svg.end(), dot), done; m != done; ++m) {
            colours[(*m)[4]].insert((*m)[3]);
            if ((*m)[5].matched) dots.push_back({std::stod((*m)[1]), std::stod((*m)[2]), (*m)[6]});
        }
        if (dots.empty()) continue;
        ++differencePlots;
        EXPECT_EQ(dots.size(), 4u * 13);
        for (const Dot& a : dots) {
            EXPECT_GT(a.x - a.r, std::stod(frame[1])) << "clear of the value axis";
            EXPECT_LT(a.x + a.r, std::stod(frame[2]));
            for (const Dot& b : dots) {
                if (a.demand == b.demand) continue;
                EXPECT_GE(std::fabs(a.x - b.x), a.r + b.r) << a.demand << " " << b.demand;
            }
        }
    }
    EXPECT_EQ(differencePlots, 4);

    ASSERT_EQ(runCli("generate --profile up-peak --steps 300 --calls 5 -o t.but").code, 0);
    ASSERT_EQ(runCli("compare --play t.but --plot c.svg --systems "
                     "adaptive-ahead,neuro-ahead,adaptive,neuro,schedule")
                  .code,
              0);
    const std::string chart = readFile("c.svg");
    const std::regex line("<polyline fill=\"none\" stroke=\"([^\"]+)\"");
    std::vector<std::string> lines;
    for (std::sregex_iterator m(chart.begin(), chart.end(), line), done; m != done; ++m)
        lines.push_back((*m)[1]);
    const std::vector<std::string> order = {"adaptive-ahead", "neuro-ahead", "adaptive", "neuro",
                                            "schedule"};
    ASSERT_EQ(lines.size(), order.size());
    std::set<std::string> distinct;
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(colours[order[i]], std::set<std::string>{lines[i]}) << order[i];
        distinct.insert(lines[i]);
    }
    EXPECT_EQ(distinct.size(), order.size());
}

// Any list of systems gets colours of its own; a built-in system keeps its colour in any list.
TEST(SystemColoursTest, EverySystemOfAnyListHasAColourOfItsOwn) {
    std::vector<std::string> names = {"mine", "neuro@0.40", "schedule"};
    for (int i = 0; i < 12; ++i) names.push_back("controller-" + std::to_string(i));
    names.push_back("adaptive");
    const std::vector<std::string> colours = study::systemColours(names);
    EXPECT_EQ(std::set<std::string>(colours.begin(), colours.end()).size(), names.size());
    EXPECT_EQ(colours[2], study::systemColours({"schedule"})[0]);
    EXPECT_EQ(colours.back(), study::systemColours({"adaptive", "neuro"})[0]);
}

// A system without its networks is refused before any run; one whose network never moves the
// car is run, and warned of on stderr and at the top of the page.
TEST_F(StudyTest, SystemsThatCannotServeAreRefusedOrWarnedOf) {
    fs::remove("solver.img.060");
    test::CliResult r = runCli(kSmall + "-o out");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err,
              "vardeck-cli study: solver.img.060 cannot be read: No such file or directory\n");
    EXPECT_FALSE(fs::exists("out"));
    ASSERT_EQ(::mkfifo("solver.img.060", 0644), 0);
    r = runCli(kSmall + "-o out");
    EXPECT_EQ(r.code, 2) << "a pipe is refused, not waited on";
    EXPECT_NE(r.err.find("solver.img.060"), std::string::npos);
    fs::remove("solver.img.060");
    ASSERT_EQ(runCli(kSmall + "--systems schedule,neuro -o out").code, 0)
        << "neuro needs none of those";
    // The look-ahead systems read images of their own.
    for (const std::string image : {"solver-ahead.img.060", "solver-ahead.img"}) {
        fs::rename(image, "away");
        r = runCli(kSmall + "--systems schedule," + (image.size() > 16 ? "adaptive" : "neuro") +
                   "-ahead -o ahead");
        EXPECT_EQ(r.err,
                  "vardeck-cli study: " + image + " cannot be read: No such file or directory\n");
    }

    test::writeFile("solver.img", test::idleSolverImage());
    r = runCli(kSmall + "--systems schedule,neuro -o idle");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: neuro: answered no hall call in 12 of 12 runs"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("warning: neuro: left passengers unserved"), std::string::npos);
    EXPECT_EQ(r.err.find("warning: schedule"), std::string::npos);
    EXPECT_NE(readFile("idle/report.html").find("class=\"warning\""), std::string::npos);
    EXPECT_EQ(readFile("out/report.html").find("class=\"warning\""), std::string::npos);
}

TEST_F(StudyTest, AFolderThatCannotBeWrittenExitsWithOneInOneLine) {
    test::writeFile("blocker", "a file where a folder should be");
    fs::create_symlink("loop", "loop");
    std::vector<std::string> outputs = {"blocker/out", "loop/out", std::string(300, 'a')};
    if (::geteuid() != 0) {  // the superuser searches any folder
        fs::create_directory("locked");
        fs::permissions("locked", fs::perms::none);
        outputs.push_back("locked/out");
    }
    for (const std::string& output : outputs) {
        const test::CliResult r = runCli(kSmall + "-o " + output);
        EXPECT_EQ(r.code, 1) << output;
        EXPECT_NE(r.err.find("vardeck-cli study: cannot make the folder '" + output),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    std::error_code ignored;
    fs::permissions("locked", fs::perms::owner_all, ignored);
}

TEST_F(StudyTest, AFailedWriteLeavesTheOldStudyWhole) {
    ASSERT_EQ(runCli(kSmall + "--calls -o out").code, 0);
    const auto snapshot = [] { return test::snapshot("out"); };
    const auto before = snapshot();
    // A full disk, as a limit on the size of the files written (the newer study's files are
    // larger, the older one's smaller).
    const std::string command = "sh -c \"ulimit -f 16; trap '' XFSZ; exec '" +
                                std::string(VARDECK_CLI) + "' " + kSmall +
                                "--seeds 20 -o out\" 2>full.txt";
    const int status = std::system(command.c_str());
    const test::CliResult full{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "",
                               readFile("full.txt")};
    EXPECT_EQ(full.code, 1) << full.err;
    EXPECT_NE(full.err.find("cannot write 'out/"), std::string::npos) << full.err;
    EXPECT_EQ(snapshot(), before);
    std::string fresh = command;
    EXPECT_EQ(std::system(fresh.replace(fresh.find("-o out"), 6, "-o new/sub").c_str()), 256);
    EXPECT_FALSE(fs::exists("new")) << "a folder is made only with its files";
    // A file that a study does not write, or a folder in the way of report.html: the folder
    // is not replaced, lest they go with it.
    test::writeFile("out/notes.txt", "the user's");
    EXPECT_EQ(runCli(kSmall + "-o out").code, 1);
    fs::remove("out/notes.txt");
    fs::remove("out/report.html");
    fs::create_directories("out/report.html/inside");
    const auto blocked = snapshot();
    const test::CliResult r = runCli(kSmall + "--seeds 4 -o out");
    EXPECT_EQ(r.err.find("vardeck-cli study: cannot replace"), 0u) << "before any run: " << r.err;
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("out/report.html"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(), blocked);
}

TEST_F(StudyTest, InterruptStopsTheStudyWithinASecondWithoutWritingFiles) {
    // Far more runs than a second allows, and traffic so dense that generating and running
    // one takes seconds; the signal comes while they run.
    const std::pair<const char*, const char*> cases[] = {
        {"--seeds 2000", "INT"},
        {"--profiles lunch --demands 300000 --systems schedule", "INT"},
        {"--profiles up-peak --demands 300000 --systems schedule", "TERM"}};
    for (const auto& [options, signal] : cases) {
        SCOPED_TRACE(std::string(options) + " " + signal);
        const std::string command = std::string("timeout --preserve-status -s ") + signal + " 1 '" +
                                    VARDECK_CLI + "' study " + options + " -o big/new 2>err.txt";
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int number = signal[0] == 'I' ? SIGINT : SIGTERM;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + number) << status;
        EXPECT_LT(seconds, 1 + 1.5) << "a generous bound on the second it may take";
        EXPECT_NE(readFile("err.txt").find("interrupted"), std::string::npos);
        EXPECT_FALSE(fs::exists("big")) << "nothing is made before the files are complete";
    }
}

TEST_F(StudyTest, TheFingerprintReadsOnlyRegularFilesAndStopsWhenAsked) {
    const std::string shipped = study::studyDataFingerprint();
    // A network image of 64 MiB and more, a pipe without a writer and a link to an endless
    // device all end.
    {
        std::ofstream big("solver.img.big", std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 65; ++i) big << block;
    }
    ASSERT_EQ(::mkfifo("solver.img.fifo", 0600), 0);
    fs::create_symlink("/dev/zero", "solver.img.zero");
    const std::string odd = study::studyDataFingerprint();
    EXPECT_EQ(odd.size(), 16u);
    EXPECT_NE(odd, shipped);
    EXPECT_EQ(study::studyDataFingerprint(), odd);
    // Past the first 64 MiB only the size counts; within them every byte.
    std::fstream change("solver.img.big", std::ios::binary | std::ios::in | std::ios::out);
    change.seekp((65 << 20) - 1);
    change.put('y');
    change.close();
    EXPECT_EQ(study::studyDataFingerprint(), odd);
    change.open("solver.img.big", std::ios::binary | std::ios::in | std::ios::out);
    change.seekp(1000);
    change.put('y');
    change.close();
    EXPECT_NE(study::studyDataFingerprint(), odd);

    const std::atomic<bool> stop{true};
    EXPECT_EQ(study::studyDataFingerprint(&stop), "");
}

TEST(StudyPlanTest, CallsComeFromTheDecimalDemandHalvesAwayFromZero) {
    struct Case {
        const char* demand;
        int steps;
        int calls;
    };
    for (const Case c : {Case{"2.05", 30000, 62}, Case{"2.5", 1000, 3}, Case{"0.35", 10000, 4},
                         Case{"0.345", 10000, 3}, Case{"2.675", 1000, 3}, Case{"0.001", 500000, 1},
                         Case{"0.001", 499999, 0}, Case{"80", 3000, 240}, Case{"0.1", 5, 0},
                         Case{"1000000000", 100000000, 2000000000}}) {
        study::StudyPlan plan;
        plan.steps = c.steps;
        const double demand = study::parseDemandList(c.demand).front();
        EXPECT_EQ(plan.callsFor(demand), c.calls) << c.demand << " x " << c.steps;
    }
    // study.txt keeps the long-wait limit; one written before there was one reads as 60.
    study::StudyPlan plan;
    plan.profiles = {study::TrafficProfile::Lunch};
    plan.demands = {0.00001, 2.05};
    plan.steps = 100'000'000;  // one call at the smallest demand, as a study must have
    plan.systems = {SystemKind::Schedule};
    plan.longWait = 90;
    const std::string text = plan.describe(std::nullopt);
    EXPECT_NE(text.find("demands 0.00001,2.05\n"), std::string::npos) << text;
    EXPECT_EQ(study::StudyPlan::parse(text, nullptr).longWait, 90);
    std::string old = text;
    old.erase(old.find("long-wait 90\n"), 13);
    EXPECT_EQ(study::StudyPlan::parse(old, nullptr).longWait, 60);
    // A plan that missed the check is refused by the summary, never paired with a missing run.
    plan.baseline = SystemKind::Neuro;
    EXPECT_THROW(study::summarizeStudy(plan, {}), study::StudyError);
    EXPECT_THROW(study::compareColumnIndex("wait_men"), std::logic_error);
}

TEST(TrafficTest, GenerationStopsWhenAsked) {
    study::TrafficOptions options;
    options.steps = 3000;
    options.calls = 1'000'000;
    const std::atomic<bool> stop{true};
    options.stop = &stop;
    const study::GeneratedTraffic traffic = study::generateTraffic(options);
    EXPECT_TRUE(traffic.stopped);
    EXPECT_TRUE(traffic.entries.empty());
}

}  // namespace
}  // namespace vardeck
