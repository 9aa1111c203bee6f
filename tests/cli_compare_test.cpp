// The compare command: every system replays the same recording and is measured alike.

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "network_images.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::number;
using test::readFile;
using test::runCli;
using test::writeFile;

// A press-sequence entry: a hall call and its caller's destinations.
std::string entry(int step, int floor, int direction, std::set<int> destinations = {}) {
    std::string line = "\n" + std::to_string(step) + " " + std::to_string(floor) + " " +
                       std::to_string(direction) + "   ";
    for (int f = 1; f <= 28; ++f) line += destinations.count(f) ? " 1" : " 0";
    return line;
}

using Row = test::CsvRow;

// The rows of `compare --csv` output.
std::vector<Row> csvRows(const test::CliResult& r) {
    EXPECT_EQ(r.code, 0) << r.err;
    return test::csvTable(r.out);
}

// Checks cells of `row` that hold numbers.
void expectNumbers(const Row& row, const std::vector<std::pair<std::string, double>>& cells) {
    for (const auto& [column, value] : cells)
        EXPECT_DOUBLE_EQ(number(row, column), value) << column;
}

class CompareTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(CompareTest, RecordingsWorkedOutByHand) {
    // The car leaves floor 1 in step 0, reaches floor 15 after step 13 and opens in step 14:
    // the call waits 14 steps and the car travels 14 floors, which scores (1 - 15 + 28) / 28.
    writeFile("one.but", "1" + entry(0, 15, 1));
    const Row one = csvRows(runCli("compare --csv --play one.but --systems schedule")).at(0);
    EXPECT_EQ(number(one, "steps"), 201) << "the last recorded step, then 200 more";
    expectNumbers(
        one,
        {{"samples", 1}, {"eff_mean", 0.5}, {"wait_mean", 14}, {"floors", 14}, {"openings", 1}});
    EXPECT_EQ(one.at("dest_time_mean"), "") << "no destination, no time";

    // The car at floor 1 opens at once for the up call (waits 0); in step 1 the caller boards
    // and presses 8; the doors dwell and close (steps 1-5), the car climbs (6-12) and opens at
    // 8 in step 13. The up call at 28 and the down call at 1 light nothing and are no calls.
    writeFile("ride.but", "3" + entry(0, 1, 1, {8}) + entry(0, 28, 1) + entry(3, 1, 0));
    const Row ride = csvRows(runCli("compare --csv --play ride.but --systems schedule")).at(0);
    expectNumbers(ride, {{"calls", 1},
                         {"wait_max", 0},
                         {"boarded", 1},
                         {"dest_reached", 1},
                         {"dest_time_mean", 13}});
}

// Nineteen up calls at floor 1, answered at once where the car stands, then calls at 8 and 22
// that wait 7 and 14 steps: the 95th percentile of 21 waits is the 20th smallest.
TEST_F(CompareTest, WaitingTimePercentile) {
    std::string calls;
    for (int i = 0; i < 19; ++i) calls += entry(10 * i, 1, 1);
    writeFile("waits.but", "21" + calls + entry(200, 8, 1) + entry(230, 22, 1));
    const Row row = csvRows(runCli("compare --csv --play waits.but --systems schedule")).at(0);
    expectNumbers(
        row,
        {{"steps", 431}, {"answered", 21}, {"wait_p95", 7}, {"wait_max", 14}, {"wait_mean", 1.0}});
}

TEST_F(CompareTest, OpeningsAndDestinationTimesOfOddRecordings) {
    // A solver that orders the doors open in every step: they open once and stay open.
    std::vector<std::vector<float>> weights(8, std::vector<float>(8, 0.0f));
    weights[0][7] = 20.0f;  // the populest-floor input is never 0
    writeFile("solver.img", test::twoLayerImage(8, weights));
    writeFile("none.but", "0");
    const Row open =
        csvRows(runCli("compare --csv --play none.but --steps 50 --systems neuro")).at(0);
    EXPECT_EQ(number(open, "openings"), 1);

    // A caller recorded at the lowest step boards at floor 1 in step 1 and reaches floor 8 when
    // the doors open there in step 7: 7 - INT_MIN steps after the press.
    writeFile("early.but", "1" + entry(INT_MIN, 1, 1, {8}));
    const Row early = csvRows(runCli("compare --csv --play early.but --systems schedule")).at(0);
    expectNumbers(early, {{"dest_reached", 1}, {"dest_time_mean", 7.0 + 2147483648.0}});
}

// Per passenger, on the schedule system's trace: the car climbs from 1 and stands at 8 after
// step 6; in step 7 the caller at 8, who pressed up but wants 3, boards (waited 7) and the doors
// open. The car goes on up, stands at 15 after step 19, and in step 20 both callers at 15 board:
// the one whose press lit the lamp (waited 20) and the one who found it lit at step 5 (waited
// 15). It opens at 20 in step 31 (a journey of 31), then at 3 in step 54 (a journey of 54,
// carried the wrong way from 8 to 20). The caller pressing up at 28 lights nothing and is never
// taken: waiting until the end, step 206. Per lamp only two waits exist, 7 and 20.
TEST_F(CompareTest, EveryPassengerCountsFromTheirOwnPress) {
    writeFile("pax.but", "4" + entry(0, 15, 1, {20}) + entry(5, 15, 1) + entry(0, 8, 1, {3}) +
                             entry(0, 28, 1));
    const Row row = csvRows(runCli("compare --csv --play pax.but --systems schedule")).at(0);
    expectNumbers(row, {{"steps", 206},
                        {"calls", 2},
                        {"wait_mean", 13.5},
                        {"pax", 4},
                        {"pax_wait_mean", (7 + 20 + 15 + 206) / 4.0},
                        {"pax_wait_p95", 206},
                        {"pax_wait_max", 206},
                        {"pax_long_share", 0.25},
                        {"pax_journey_mean", (31 + 54) / 2.0},
                        {"pax_wrong_way", 1},
                        {"pax_unserved", 1}});

    const Row strict =
        csvRows(runCli("compare --csv --long-wait 10 --play pax.but --systems schedule")).at(0);
    EXPECT_EQ(number(strict, "pax_long_share"), 0.75) << "20, 15 and 206 are over 10";
    // Cut at step 10: only the caller at 8 has boarded; a caller pressed after the end is not
    // in the run's traffic.
    writeFile("late.but", "2" + entry(0, 8, 1, {3}) + entry(50, 15, 1));
    const Row cut =
        csvRows(runCli("compare --csv --steps 10 --play late.but --systems schedule")).at(0);
    expectNumbers(cut, {{"pax", 1}, {"pax_unserved", 0}});
    EXPECT_EQ(cut.at("pax_journey_mean"), "") << "still riding: no journey yet";
}

TEST_F(CompareTest, EverySystemGetsARowAndEveryAnsweredCallCounts) {
    // Floor 15 up waits 14 steps; once the car stands at 15, floor 15 down is answered at once.
    test::copyShippedData();
    writeFile("two.but", "2" + entry(0, 15, 1) + entry(100, 15, 0));
    const test::CliResult csv =
        runCli("compare --csv --play two.but --systems adaptive,schedule,neuro");
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
              "system,steps,samples,eff_mean,floors,openings,calls,answered,wait_mean,wait_p95,"
              "wait_max,wait_sq_mean,boarded,dest_reached,dest_time_mean,still_waiting,pax,"
              "pax_wait_mean,pax_wait_p95,pax_wait_max,pax_long_share,pax_journey_mean,"
              "pax_wrong_way,pax_unserved");
    const std::vector<Row> rows = csvRows(csv);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("system"), "adaptive");
    EXPECT_EQ(rows[2].at("system"), "neuro");
    const Row& schedule = rows[1];
    EXPECT_EQ(schedule.at("system"), "schedule");
    expectNumbers(schedule,
                  {{"wait_mean", 7}, {"wait_sq_mean", 98}, {"wait_max", 14}, {"eff_mean", 0.75}});
}

TEST_F(CompareTest, SystemsStartAlikeAndTheirCountsAgreeOnBusyTraffic) {
    test::copyShippedData();
    ASSERT_EQ(runCli("generate --profile up-peak --steps 4000 --calls 600 -o busy.but").code, 0);
    const std::string compare = "compare --csv --steps 3000 --play busy.but --systems ";
    const Row alone = csvRows(runCli(compare + "schedule")).at(0);
    const std::vector<Row> rows = csvRows(runCli(compare + "neuro,adaptive,schedule"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], alone) << "running other systems first changes nothing";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.at("system"));
        EXPECT_EQ(number(row, "calls"), number(row, "answered") + number(row, "still_waiting"));
        EXPECT_LE(number(row, "answered"), number(row, "openings"));
    }
}

TEST_F(CompareTest, PlotWritesAnSvgLineForEachSystemAndNothingElseIsWritten) {
    test::copyShippedData();
    std::set<std::string> files = test::filesIn();
    writeFile("a&b <x>.but", "2" + entry(0, 15, 1) + entry(100, 15, 0));
    const test::CliResult r = runCli("compare --play 'a&b <x>.but' --plot chart.svg");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string svg = readFile("chart.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    int lines = 0;
    for (auto at = svg.find("<polyline"); at != std::string::npos;
         at = svg.find("<polyline", at + 1))
        ++lines;
    EXPECT_EQ(lines, 3);
    EXPECT_NE(svg.find("a&amp;b &lt;x&gt;.but"), std::string::npos) << "the title is escaped";
    files.insert({"a&b <x>.but", "chart.svg"});
    EXPECT_EQ(test::filesIn(), files) << "nothing else";
}

}  // namespace
}  // namespace vardeck
