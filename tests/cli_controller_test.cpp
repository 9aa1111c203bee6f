// Controllers through the command line: the schedule rule written as a controller drives the
// car as the built-in system does; every fault a controller can make ends Vardeck with one
// line and no output; studies with controllers do not depend on jobs or shards.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "study/study_plan.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::runCli;

namespace fs = std::filesystem;

const std::string kExamples = std::string(VARDECK_SOURCE_DIR) + "/examples/controllers/";
const std::string kSchedulePy = "--controller py='python3 " + kExamples + "schedule.py' ";

// A controller in sh: `ready` to hello, `ANSWER` to every step (the step number is $n).
std::string shController(const std::string& answer, const std::string& onHello = "") {
    return "--controller c='while read w n r; do case $w in hello) " + onHello +
           "echo ready;; step) " + answer + ";; bye) exit;; esac; done' ";
}

// Whether a process is gone (or only waits to be reaped by whoever adopted it) within a second:
// a SIGKILL sent to a group takes effect a moment later on a busy machine.
bool ended(const std::string& pidFile) {
    const std::string pid = readFile(pidFile);
    if (pid.empty()) return false;
    for (int i = 0; i < 100; ++i) {
        const std::string stat = readFile("/proc/" + pid.substr(0, pid.find('\n')) + "/stat");
        if (stat.empty() || stat.find(") Z ") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class ControllerCliTest : public ::testing::Test {
protected:
    void SetUp() override { test::copyShippedData(); }
    test::TempDir dir;
};

TEST_F(ControllerCliTest, ScheduleScriptTracesAsTheBuiltInSystem) {
    ASSERT_EQ(runCli("generate --profile lunch --steps 4000 --calls 200 --seed 5 -o gen.but").code,
              0);
    for (const std::string file :
         {"traffic/up-peak.but", "traffic/down-peak.but", "traffic/inter-floor.but",
          "traffic/lunch.but", "traffic/mixed-no-destination.but", "sample.but", "gen.but"}) {
        SCOPED_TRACE(file);
        const std::string run = "run --trace --steps 4200 --play " + file + " --system ";
        const test::CliResult builtIn = runCli(run + "schedule");
        const test::CliResult controller = runCli(run + "py " + kSchedulePy);
        ASSERT_EQ(controller.code, 0) << controller.err;
        EXPECT_GT(builtIn.out.size(), 100000u);
        EXPECT_EQ(controller.out, builtIn.out);
    }
}

TEST_F(ControllerCliTest, EveryFaultEndsWithOneLineNamingControllerRunAndStep) {
    const std::string fiveSteps = "[ $n = 5 ] && ";
    const std::pair<std::string, std::string> faults[] = {
        {"--controller c=/no/such/program ", "at its start: exited with status 127"},
        {shController("echo - - -", "sleep 3; "), "at its start: gave no answer within 0.5 s"},
        {shController("echo - - -", "echo hi; "), "at its start: answered \"hi\" to hello"},
        {shController(fiveSteps + "sleep 3; echo - - -"), "step 5: gave no answer within 0.5 s"},
        {shController("echo 1 1"), "step 0: answered \"1 1\", not DOOR MOVE"},
        {shController("echo \"1  1 1\""), "step 0: answered \"1  1 1\", not DOOR MOVE"},
        {shController("echo 1 3 -"), "step 0: answered \"1 3 -\", an order out of range"},
        {shController("head -c 5000 /dev/zero | tr \"\\0\" 1; echo"), "longer than 4096 bytes"},
        {shController("printf \"%s\\n\" \"- - -\" \"- - -\""),
         "step 1: wrote an extra line \"- - -\""},
        {shController(fiveSteps + "exit 3; echo - - -"), "step 5: exited with status 3"},
        {shController(fiveSteps + "exec >&-; echo - - -"), "step 5: closed its output"},
        {shController(fiveSteps + "kill -9 $$; echo - - -"), "step 5: was killed by signal 9"},
        {shController("echo - - -", "exec <&-; "), "before the first step: "},
    };
    for (const auto& [controller, message] : faults) {
        const test::CliResult r =
            runCli("run --system c --steps 20 --controller-timeout 0.5 " + controller);
        EXPECT_EQ(r.code, 1) << controller << r.err;
        // Beside what the controller itself wrote to stderr, one line.
        std::string own;
        std::istringstream lines(r.err);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("c: ", 0) != 0) own += line + '\n';
        EXPECT_EQ(own.rfind("vardeck-cli run: controller 'c', ", 0), 0u) << own;
        EXPECT_NE(own.find(message), std::string::npos) << own;
        EXPECT_EQ(own.find('\n'), own.size() - 1) << "one line: " << own;
    }
    // Flooding stderr blocks nothing; its lines come out under the controller's name.
    const test::CliResult flood =
        runCli("compare --play sample.but --systems c " +
               shController("echo - - -", "yes flood | head -c 3000000 >&2; "));
    EXPECT_EQ(flood.code, 0) << flood.err.substr(0, 200);
    EXPECT_EQ(flood.err.rfind("c: flood\n", 0), 0u);
    // A study with a failing controller writes nothing.
    const test::CliResult study = runCli(
        "study --seeds 2 --demands 10 --profiles lunch --jobs 1 "
        "--systems schedule,c -o out " +
        shController("echo 9 9 9", "echo why >&2; "));
    EXPECT_EQ(study.code, 1);
    EXPECT_EQ(study.err.rfind("c: why\n", 0), 0u) << study.err;  // as no log is written
    EXPECT_NE(study.err.find("controller 'c', run lunch 10 1, step 0: answered \"9 9 9\""),
              std::string::npos)
        << study.err;
    EXPECT_TRUE(!fs::exists("out") || test::filesIn("out").empty());
}

TEST_F(ControllerCliTest, StudiesAreTheSameForAnyJobsAndShardsAndMergeStartsNothing) {
    fs::copy_file(kExamples + "schedule.py", "rule.py");
    const std::string study =
        "study --profiles lunch,up-peak --demands 20 --seeds 3 --steps 800 "
        "--systems schedule,py --controller py='mkdir -p started; python3 "
        "rule.py' ";
    ASSERT_EQ(runCli(study + "--jobs 1 -o one").code, 0);
    ASSERT_EQ(runCli(study + "--jobs 2 -o two").code, 0);
    ASSERT_EQ(runCli(study + "--shard 1/2 -o s1").code, 0);
    ASSERT_EQ(runCli(study + "--shard 2/2 --jobs 2 -o s2").code, 0);
    fs::remove("started");
    const test::CliResult merged = runCli("study --merge s1 s2 -o merged");
    ASSERT_EQ(merged.code, 0) << merged.err;
    EXPECT_FALSE(fs::exists("started"));
    for (const char* file : {"runs.csv", "summary.csv", "study.txt"}) {
        EXPECT_EQ(readFile(std::string("two/") + file), readFile(std::string("one/") + file));
        EXPECT_EQ(readFile(std::string("merged/") + file), readFile(std::string("one/") + file));
    }
    // The rule's rows are the schedule system's.
    const auto rows = test::csvTable(readFile("one/runs.csv"));
    ASSERT_EQ(rows.size(), 12u);
    for (std::size_t i = 0; i < rows.size(); i += 2) {
        test::CsvRow schedule = rows[i], controller = rows[i + 1];
        EXPECT_EQ(controller.at("system"), "py");
        controller["system"] = "schedule";
        EXPECT_EQ(controller, schedule);
    }
    EXPECT_NE(readFile("one/study.txt").find("python3 rule.py"), std::string::npos);
    EXPECT_TRUE(fs::exists("one/controllers.log"));
    // A shard made with another script does not merge.
    std::ofstream("rule.py", std::ios::app) << "# changed\n";
    ASSERT_EQ(runCli(study + "--shard 2/2 -o changed").code, 0);
    const test::CliResult refused = runCli("study --merge s1 changed -o refused");
    EXPECT_EQ(refused.code, 2) << refused.err;
    EXPECT_NE(refused.err.find("'s1' and 'changed' ran the controller 'py' with files"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists("refused"));
    // A damaged controller line, or one of no system, is refused on its line.
    const std::string plan = readFile("s2/study.txt");
    const std::size_t at = plan.find("controller py ");
    const std::string pyLine = plan.substr(at, plan.find('\n', at) + 1 - at);
    for (const std::string& line : std::vector<std::string>{
             "controller py 0123456789abcdef\n", "controller py 0123\x1b x.py\n",
             pyLine + "controller zz 0123456789abcdef x\n"}) {
        fs::copy("s2", "bad", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        std::ofstream("bad/study.txt")
            << plan.substr(0, at) + line + plan.substr(at + pyLine.size());
        const test::CliResult damaged = runCli("study --merge s1 bad -o refused");
        EXPECT_EQ(damaged.code, 2);
        EXPECT_EQ(damaged.err.rfind("vardeck-cli study: bad/study.txt line 1", 0), 0u)
            << damaged.err;
        EXPECT_EQ(damaged.err.find('\n'), damaged.err.size() - 1) << damaged.err;
    }
    EXPECT_FALSE(fs::exists("refused"));
}

TEST_F(ControllerCliTest, AStudysControllersLogIsBoundedAndSafeToShow) {
    const test::CliResult r = runCli(
        "study --seeds 2 --demands 10 --profiles lunch --steps 100 --systems schedule,c -o out " +
        shController("echo - - -",
                     "printf \"a\\033[2Jb\\377\\n\" >&2; head -c 9000 /dev/zero >&2; "
                     "yes | head -c 6000000 >&2; "));
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string log = readFile("out/controllers.log");
    EXPECT_LE(log.size(), (4u << 20) + 200);
    EXPECT_EQ(log.rfind("c: a\\x1B[2Jb\\xFF\n", 0), 0u) << log.substr(0, 40);
    EXPECT_NE(log.find("\\x00\\x00...\nc: y\n"), std::string::npos);
    EXPECT_NE(log.find("\nvardeck-cli: this log keeps the first 4 MB of the controllers' "
                       "standard error; "),
              std::string::npos);
}

TEST_F(ControllerCliTest, NamesAndCommandsThatAreNotAControllersAreRefusedInOneLine) {
    for (const std::string& bad : std::vector<std::string>{
             "schedule=x", "neuro@0.40=x", "my_rule=x", "=x", "c", "c=", "c=a --controller c=b",
             "'a\nb=x'", "'c=a\nb'", "c=" + std::string(5000, 'x'), std::string(5000, 'x') + "=x",
             "c=x --controller-timeout 0", "c=x --controller-timeout nan"}) {
        const test::CliResult r = runCli("run --system c --controller " + bad);
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_LT(r.err.size(), 200u);
    }
}

TEST_F(ControllerCliTest, FingerprintReadsTheRegularFilesTheCommandNames) {
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);  // never opened: it would hang
    fs::create_directory("dir");
    std::ofstream("my rule.py") << "a";
    std::ofstream("home.py") << "a";
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", fs::current_path().c_str(), 1);
    const std::string command = "python3 'my rule.py'<fifo /dev/zero dir ~/home.py 2>dir/log";
    const std::string first = study::controllerFingerprint(command);
    std::ofstream("dir/log") << "written by the controller";
    EXPECT_EQ(study::controllerFingerprint(command), first);
    std::ofstream("my rule.py") << "b";
    const std::string second = study::controllerFingerprint(command);
    std::ofstream("home.py") << "b";
    const std::string third = study::controllerFingerprint(command);
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
}

TEST_F(ControllerCliTest, InterruptEndsTheControllersProcessGroup) {
    const std::string command =
        std::string("'") + VARDECK_CLI +
        "' study --seeds 2 --jobs 2 --systems schedule,c -o out --controller " +
        "c='echo $$ >c.pid; trap \"\" TERM INT; sleep 30 & s=$!; while read w n r; do case $w in"
        " hello) echo ready;; step) [ $n = 50 ] && echo $s >child.pid; echo - - -;; esac; done'"
        " 2>/dev/null & "
        "for i in $(seq 200); do [ -s child.pid ] && break; sleep 0.05; done; kill -INT $!; wait "
        "$!";
    const int status = std::system(command.c_str());
    EXPECT_NE(status, 0);
    EXPECT_TRUE(ended("c.pid"));
    EXPECT_TRUE(ended("child.pid"));
    EXPECT_TRUE(!fs::exists("out") || test::filesIn("out").empty());
}

}  // namespace
}  // namespace vardeck
