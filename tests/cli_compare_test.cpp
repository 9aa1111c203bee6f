#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::writeFile;

using test::CliResult;
using test::runCli;

// One entry of a press-sequence file: a hall call and its destinations.
std::string entry(int step, int floor, int direction,
                  std::initializer_list<int> destinations = {}) {
    std::string line = "\n" + std::to_string(step) + " " + std::to_string(floor) + " " +
                       std::to_string(direction) + "   ";
    for (int f = 1; f <= 28; ++f)
        line += std::find(destinations.begin(), destinations.end(), f) != destinations.end() ? " 1"
                                                                                             : " 0";
    return line;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.push_back("");
    return parts;
}

using Row = std::map<std::string, std::string>;

// The rows of --csv output by system name, each a map from column name to value.
std::vector<Row> csvRows(const std::string& out) {
    std::vector<std::string> lines = split(out, '\n');
    EXPECT_FALSE(lines.empty());
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    std::vector<Row> rows;
    if (lines.empty()) return rows;
    const std::vector<std::string> header = split(lines[0], ',');
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = split(lines[i], ',');
        EXPECT_EQ(cells.size(), header.size()) << lines[i];
        Row row;
        for (std::size_t k = 0; k < header.size() && k < cells.size(); ++k)
            row[header[k]] = cells[k];
        rows.push_back(row);
    }
    return rows;
}

Row onlyRow(const CliResult& r) {
    EXPECT_EQ(r.code, 0) << r.err;
    const std::vector<Row> rows = csvRows(r.out);
    EXPECT_EQ(rows.size(), 1u);
    return rows.empty() ? Row{} : rows[0];
}

double number(const Row& row, const std::string& column) {
    const auto it = row.find(column);
    if (it == row.end() || it->second.empty()) {
        ADD_FAILURE() << "no value in column " << column;
        return -1e9;
    }
    return std::stod(it->second);
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::set<std::string> filesHere() {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
        names.insert(e.path().filename().string());
    return names;
}

class CompareTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(CompareTest, OneUpCallAtFloor15IsServedAsWorkedOutByHand) {
    // The car leaves floor 1 in step 0, reaches floor 15 after step 13 and opens in step 14:
    // the call waits 14 steps and the car travels 14 floors, which scores (1 - 15 + 28) / 28.
    writeFile("one.but", "1" + entry(0, 15, 1));
    const Row row = onlyRow(runCli("compare --play one.but --systems schedule --csv"));
    EXPECT_EQ(row.at("system"), "schedule");
    EXPECT_EQ(number(row, "steps"), 201) << "the last step, one more, and 200 to finish";
    EXPECT_EQ(number(row, "samples"), 1);
    EXPECT_DOUBLE_EQ(number(row, "eff_mean"), 0.5);
    EXPECT_EQ(number(row, "floors"), 14);
    EXPECT_EQ(number(row, "openings"), 1);
    EXPECT_EQ(number(row, "calls"), 1);
    EXPECT_EQ(number(row, "answered"), 1);
    EXPECT_EQ(number(row, "wait_mean"), 14);
    EXPECT_EQ(number(row, "wait_p95"), 14);
    EXPECT_EQ(number(row, "wait_max"), 14);
    EXPECT_EQ(number(row, "wait_sq_mean"), 196);
    EXPECT_EQ(number(row, "boarded"), 0);
    EXPECT_EQ(number(row, "dest_reached"), 0);
    EXPECT_EQ(row.at("dest_time_mean"), "") << "no destination, no time";
    EXPECT_EQ(number(row, "still_waiting"), 0);

    // Stopped before the car arrives, the call is still waiting and nothing is measured.
    const Row early = onlyRow(runCli("compare --play one.but --systems schedule --csv --steps 10"));
    EXPECT_EQ(number(early, "steps"), 10);
    EXPECT_EQ(number(early, "floors"), 10);
    EXPECT_EQ(number(early, "calls"), 1);
    EXPECT_EQ(number(early, "answered"), 0);
    EXPECT_EQ(number(early, "still_waiting"), 1);
    EXPECT_EQ(number(early, "samples"), 0);
    EXPECT_EQ(early.at("eff_mean"), "");
    EXPECT_EQ(early.at("wait_mean"), "");
}

TEST_F(CompareTest, ACallerIsTimedFromTheHallPressToTheDoorsAtTheDestination) {
    // Step 0: the car stands at floor 1 and opens at once for the up call (waits 0, scores 1).
    // Step 1: the caller boards and presses 8. Steps 1-5: the doors dwell and close.
    // Steps 6-12: up to floor 8. Step 13: the doors open there, 13 steps after the press.
    // The up call at 28 and the down call at 1 light nothing and are not calls.
    writeFile("ride.but", "3" + entry(0, 1, 1, {8}) + entry(0, 28, 1) + entry(3, 1, 0));
    const Row row = onlyRow(runCli("compare --play ride.but --systems schedule --csv"));
    EXPECT_EQ(number(row, "steps"), 204);
    EXPECT_EQ(number(row, "samples"), 1);
    EXPECT_DOUBLE_EQ(number(row, "eff_mean"), 1.0);
    EXPECT_EQ(number(row, "calls"), 1);
    EXPECT_EQ(number(row, "answered"), 1);
    EXPECT_EQ(number(row, "wait_mean"), 0);
    EXPECT_EQ(number(row, "wait_max"), 0);
    EXPECT_EQ(number(row, "floors"), 7);
    EXPECT_EQ(number(row, "openings"), 2);
    EXPECT_EQ(number(row, "boarded"), 1);
    EXPECT_EQ(number(row, "dest_reached"), 1);
    EXPECT_EQ(number(row, "dest_time_mean"), 13);
    EXPECT_EQ(number(row, "still_waiting"), 0);
}

TEST_F(CompareTest, WaitingTimesAreSummedOverEveryAnsweredCall) {
    // Two idle-car calls far apart: floor 15 up (waits 14) and, once the car is idle at 15,
    // floor 15 down (answered at once, waits 0). Mean 7, mean of squares 98, 95th percentile
    // and longest 14.
    writeFile("two.but", "2" + entry(0, 15, 1) + entry(100, 15, 0));
    const Row row = onlyRow(runCli("compare --play two.but --systems schedule --csv"));
    EXPECT_EQ(number(row, "calls"), 2);
    EXPECT_EQ(number(row, "answered"), 2);
    EXPECT_EQ(number(row, "wait_mean"), 7);
    EXPECT_EQ(number(row, "wait_sq_mean"), 98);
    EXPECT_EQ(number(row, "wait_p95"), 14);
    EXPECT_EQ(number(row, "wait_max"), 14);
    EXPECT_EQ(number(row, "samples"), 2);
    EXPECT_DOUBLE_EQ(number(row, "eff_mean"), 0.75);
    EXPECT_EQ(number(row, "openings"), 2);
    EXPECT_EQ(number(row, "floors"), 14);
}

TEST_F(CompareTest, EverySystemGetsARowInTheOrderAsked) {
    writeFile("one.but", "1" + entry(0, 15, 1));
    const CliResult all = runCli("compare --play one.but");
    ASSERT_EQ(all.code, 0) << all.err;
    std::vector<std::string> lines = split(all.out, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    ASSERT_EQ(lines.size(), 4u) << all.out;
    EXPECT_EQ(lines[0].rfind("system", 0), 0u) << "a header line first";
    EXPECT_EQ(lines[1].rfind("schedule ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("neuro ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("adaptive ", 0), 0u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.size(), lines[0].size()) << "columns are aligned: " << line;
        EXPECT_EQ(line.find(','), std::string::npos);
    }

    const CliResult csv = runCli("compare --play one.but --csv --systems adaptive,schedule");
    ASSERT_EQ(csv.code, 0) << csv.err;
    const std::vector<Row> rows = csvRows(csv.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("system"), "adaptive");
    EXPECT_EQ(rows[1].at("system"), "schedule");
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
              "system,steps,samples,eff_mean,floors,openings,calls,answered,wait_mean,wait_p95,"
              "wait_max,wait_sq_mean,boarded,dest_reached,dest_time_mean,still_waiting");
}

TEST_F(CompareTest, EachSystemStartsFromTheSameState) {
    ASSERT_EQ(runCli("generate --profile lunch --steps 3000 --calls 200 --no-destination-share 0.5 "
                     "--seed 3 -o lunch.but")
                  .code,
              0);
    const Row alone = onlyRow(runCli("compare --play lunch.but --systems schedule --csv"));
    const CliResult after =
        runCli("compare --play lunch.but --systems neuro,adaptive,schedule --csv");
    ASSERT_EQ(after.code, 0) << after.err;
    const std::vector<Row> rows = csvRows(after.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], alone) << "running other systems first changes nothing";
    EXPECT_GT(number(alone, "answered"), 50);
}

TEST_F(CompareTest, MeasuresAgreeWithEachOtherOnBusyTraffic) {
    ASSERT_EQ(runCli("generate --profile up-peak --steps 4000 --calls 600 --no-destination-share "
                     "0.3 -o busy.but")
                  .code,
              0);
    const CliResult r = runCli("compare --play busy.but --csv");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<Row> rows = csvRows(r.out);
    ASSERT_EQ(rows.size(), 3u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.at("system"));
        // Every lamp that lit was either answered or is still lit.
        EXPECT_EQ(number(row, "calls"), number(row, "answered") + number(row, "still_waiting"));
        EXPECT_LE(number(row, "boarded"), 600 * 0.8);
        // Each opening answers at most one lamp.
        EXPECT_LE(number(row, "answered"), number(row, "openings"));
        if (!row.at("wait_mean").empty()) {
            const double mean = number(row, "wait_mean");
            EXPECT_LE(mean, number(row, "wait_max"));
            EXPECT_LE(number(row, "wait_p95"), number(row, "wait_max"));
            EXPECT_GE(number(row, "wait_sq_mean") + 1e-6, mean * mean);
        }
    }
    // The schedule system serves everybody: every caller with destinations boards and
    // reaches all of them.
    std::vector<std::string> lines = split(readFile("busy.but"), '\n');
    int riders = 0, destinations = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string buttons = lines[i].substr(lines[i].find("    "));
        const int n = int(count(buttons, "1"));
        riders += n > 0;
        destinations += n;
    }
    const Row& schedule = rows[0];
    EXPECT_EQ(number(schedule, "still_waiting"), 0) << "200 steps are enough to finish";
    EXPECT_EQ(number(schedule, "boarded"), riders);
    EXPECT_EQ(number(schedule, "dest_reached"), destinations);
    EXPECT_GT(number(schedule, "dest_reached"), number(schedule, "boarded"))
        << "some callers go to several floors";
    EXPECT_GT(number(schedule, "dest_time_mean"), number(schedule, "wait_mean"));
}

TEST_F(CompareTest, PlotDrawsOnePolylinePerSystemInAnSvgDocument) {
    writeFile("a&b <x>.but", "2" + entry(0, 15, 1) + entry(100, 15, 0));
    const CliResult r = runCli("compare --play 'a&b <x>.but' --plot chart.svg");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string svg = readFile("chart.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    EXPECT_EQ(count(svg, "<polyline"), 3u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    for (const char* text : {">step<", ">efficiency<", ">schedule<", ">neuro<", ">adaptive<"})
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    // The recording's name is in the title, escaped.
    EXPECT_NE(svg.find("a&amp;b &lt;x&gt;.but"), std::string::npos);
    EXPECT_EQ(svg.find("a&b"), std::string::npos);
    for (std::size_t at = svg.find('&'); at != std::string::npos; at = svg.find('&', at + 1)) {
        const std::string rest = svg.substr(at, 6);
        EXPECT_TRUE(rest.rfind("&amp;", 0) == 0 || rest.rfind("&lt;", 0) == 0 ||
                    rest.rfind("&gt;", 0) == 0 || rest.rfind("&quot;", 0) == 0 ||
                    rest.rfind("&apos;", 0) == 0)
            << rest;
    }
    // The schedule system's two samples are the points of the first line.
    const std::size_t first = svg.find("<polyline");
    const std::size_t points = svg.find("points=\"", first) + 8;
    const std::string list = svg.substr(points, svg.find('"', points) - points);
    EXPECT_EQ(split(list, ' ').size(), 2u) << list;

    // A failed write of the chart leaves what was there.
    std::filesystem::create_directory("taken.svg");
    const CliResult failed = runCli("compare --play 'a&b <x>.but' --plot taken.svg");
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(std::filesystem::is_directory("taken.svg"));
}

TEST_F(CompareTest, BadOptionsAndUnreadableRecordingsExitWithTwo) {
    writeFile("one.but", "1" + entry(0, 15, 1));
    writeFile("words.but", "this is not a recording");
    const char* bad[] = {
        "",                                            // no recording
        "--play missing.but",                          // cannot be read
        "--play words.but",                            // no count
        "--play one.but --systems schedule,elevator",  // unknown system
        "--play one.but --systems schedule,schedule",  // twice
        "--play one.but --systems ''",                 // empty
        "--play one.but --steps 0",                    // nothing to run
        "--play one.but --steps ten",                  // not a number
        "--play one.but --plot",                       // value missing
        "--play one.but --verbose",                    // unknown option
    };
    for (const char* options : bad) {
        SCOPED_TRACE(options);
        const CliResult r = runCli(std::string("compare ") + options);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(count(r.err, "\n"), 1u) << r.err;
    }
    const CliResult help = runCli("compare --help");
    EXPECT_EQ(help.code, 0);
    for (const char* word : {"--play", "--steps", "--systems", "--csv", "--plot", "idle",
                             "wait_p95", "dest_time_mean", "still_waiting"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

TEST_F(CompareTest, NothingIsWrittenButTheChart) {
    writeFile("one.but", "1" + entry(0, 15, 1));
    ASSERT_EQ(runCli("compare --play one.but").code, 0);
    EXPECT_EQ(filesHere(), (std::set<std::string>{"one.but"})) << "no vardeck.cfg, no images";

    // An existing settings file is read by every system and left as it was.
    ASSERT_EQ(runCli("run --system schedule --steps 1 --save-settings").code, 0);
    const std::string settings = readFile("vardeck.cfg");
    ASSERT_FALSE(settings.empty());
    ASSERT_EQ(runCli("compare --play one.but --plot c.svg").code, 0);
    EXPECT_EQ(readFile("vardeck.cfg"), settings);
    EXPECT_EQ(filesHere(), (std::set<std::string>{"one.but", "vardeck.cfg", "c.svg"}));
}

}  // namespace
}  // namespace vardeck
