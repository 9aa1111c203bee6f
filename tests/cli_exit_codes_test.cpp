// Exit codes of vardeck-cli: 0 success, 1 a failed write, 2 bad input; nothing is written when
// the input is refused.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::runCli;
using test::writeFile;

class CliExitCodesTest : public ::testing::Test {
protected:
    CliExitCodesTest() {
        test::copyShippedData();  // a study refused for its options, not for missing networks
        writeFile("solver.img", "old");
        writeFile("rec.but",
                  "1\n0 15 1    0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n");
        writeFile("vardeck.cfg", "time delay 5\n");
        writeFile("words.but", "this is not a recording");
        writeFile("empty.pat", "");
        writeFile("zero.pat", "0\n");
        writeFile("short.pat", "3\n1 0 0 9 0 0 0 +0.0    0 0 1 0 0 1 0 0\n");
        writeFile("long.pat", "1\n1 0 0 9 0 0 0 +0.0    0 0 1 0 0 1 0 0 7\n");
        writeFile("big.pat",
                  "1\n1 0 0 9 0 0 0 +0.0    0 0 1 0 0 1 0 0\n" + std::string(40 << 10, '\n'));
        std::filesystem::create_directory("folder");
        ::mkfifo("pipe.but", 0600);
    }
    test::TempDir dir;
};

// Every command, one table: the refusal is one line on stderr, nothing on stdout, and neither
// the file named by -o nor any other is written.
TEST_F(CliExitCodesTest, BadInputExitsWithTwoAndWritesNothing) {
    const std::string generate = "generate --profile lunch --steps 10 --calls 5 ";
    const std::string refused[] = {
        // Recordings that are none.
        "run --steps 5 --play folder", "run --steps 5 --play /dev/null",
        "run --steps 5 --play vardeck.cfg", "run --steps 5 --play missing.but",
        "run --steps 5 --play pipe.but", "compare --steps 5 --play pipe.but", "compare",
        "compare --play missing.but", "compare --play words.but",
        // Pattern files that are none, or not wholly.
        "train solver --patterns missing.pat", "train solver --patterns empty.pat",
        "train solver --patterns zero.pat", "train solver --patterns short.pat",
        "train solver --patterns long.pat", "train solver --patterns rec.but",
        "train teacher --patterns rec.but --image solver.img", "train solver --patterns /dev/null",
        "train solver --patterns folder", "train solver --patterns /dev/zero",
        "train solver --patterns pipe.but", "train solver --patterns big.pat",
        // Options that are unknown, missing or do not fit together.
        "train", "train robot", "train teacher --max-epochs 0",
        "train solver --image '' --max-epochs 1", "train solver --patterns '' --max-epochs 1",
        "make-patterns --teacher --ksu 0.5 -o solver.img",
        "compare --play rec.but --systems schedule,lift",
        "compare --play rec.but --systems schedule,schedule", "compare --play rec.but --steps 0",
        "compare --play rec.but --systems neuro@1.5", "compare --play rec.but --systems neuro@.4",
        "compare --play rec.but --systems adaptive@0.40",
        "compare --play rec.but --systems schedule,neuro",  // solver.img is no network
        "compare --play rec.but --systems neuro@0.4,neuro@0.40", "compare --play rec.but --verbose",
        "compare --play rec.but --long-wait -1", "generate --steps 10 --calls 5 -o solver.img",
        "generate --profile rush-hour --steps 10 --calls 5 -o solver.img",
        "generate --profile lunch --calls 5 -o solver.img",
        "generate --profile lunch --steps 0 --calls 5 -o solver.img",
        generate + "--no-destination-share 1.5 -o solver.img", generate + "--fast -o solver.img",
        "study", "study --merge -o out", "study --merge a --seeds 3 -o out",
        "study --seeds 1 -o out", "study --frobnicate -o out", "study --profiles '' -o out",
        "study --profiles up-peak,,lunch -o out", "study --profiles rush -o out",
        "study --profiles lunch,lunch -o out", "study --demands 5,x -o out",
        "study --demands 5,5 -o out", "study --demands -5 -o out", "study --demands 0.1 -o out",
        "study --systems schedule,lift -o out", "study --systems '' -o out",
        "study --systems neuro,adaptive -o out", "study --baseline lift -o out",
        "study --shard 0/3 -o out", "study --shard 4/3 -o out", "study --shard x -o out",
        "study --shard 1/ -o out", "study --jobs 0 -o out", "study --first-seed 4294967295 -o out",
        "study --no-destination-share 2 -o out", "study --long-wait -1 -o out",
        "study --long-wait 1000001 -o out",
        "study --seeds 1000000 --demands 1,2,3,4,5,6,7,8,9,10 -o out",
        // Numbers with blanks, signs or exponents.
        "run --steps ' 5'", "run --steps +5", "run --steps -5", "run --steps 5x",
        "train solver --max-epochs 0x10", generate + "--calls -1 -o solver.img",
        generate + "--seed x -o solver.img", generate + "--seed +1 -o solver.img",
        "make-patterns --ksu +0.5 -o solver.img", "make-patterns --ksu ' 0.5' -o solver.img",
        "make-patterns --ksu 5e-1 -o solver.img", "make-patterns --ksu 0.5. -o solver.img"};
    for (const std::string& arguments : refused) {
        const test::CliResult r = runCli(arguments);
        EXPECT_EQ(r.code, 2) << arguments << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << arguments;
        EXPECT_EQ(r.err.rfind("vardeck-cli ", 0), 0u) << arguments << "\n" << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_EQ(readFile("solver.img"), "old") << arguments;
        EXPECT_FALSE(std::filesystem::exists("out")) << arguments;
    }
    EXPECT_EQ(runCli("make-patterns --ksu .5 -o solver.img").code, 0);
    EXPECT_EQ(runCli("run --steps 05").code, 0);
}

TEST_F(CliExitCodesTest, FailedWritesExitWithOne) {
    // Output that cannot be written is a failed write, for every command.
    const char* const toFullDisk[] = {
        "run --steps 10", "compare --play rec.but --steps 20 --systems schedule",
        "generate --profile lunch --steps 100 --calls 5 -o gen.but", "--help", "--version"};
    for (const char* arguments : toFullDisk) {
        const std::string command =
            std::string("'") + VARDECK_CLI + "' " + arguments + " >/dev/full 2>cli.err";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << arguments;
        EXPECT_EQ(WEXITSTATUS(status), 1) << arguments;
        EXPECT_NE(readFile("cli.err").find("cannot write the output"), std::string::npos)
            << arguments;
    }

    // Files that cannot be written are named with the system's reason; train finds out before
    // it trains.
    const char* const toMissingFolder[] = {
        "make-patterns -o missing/x.pat",
        "generate --profile lunch --steps 100 --calls 5 -o missing/x.but",
        "compare --play rec.but --steps 20 --systems schedule --plot missing/x.svg",
        "train solver --patterns short.pat --image missing/x.img"};
    writeFile("short.pat", "1\n1 0 0 9 0 0 0 +0.0    0 0 1 0 0 1 0 0\n");
    for (const char* arguments : toMissingFolder) {
        const test::CliResult r = runCli(arguments);
        EXPECT_EQ(r.code, 1) << arguments;
        EXPECT_NE(r.err.find("missing/x."), std::string::npos) << arguments << "\n" << r.err;
        EXPECT_NE(r.err.find(": No such file or directory"), std::string::npos) << arguments << "\n"
                                                                                << r.err;
        EXPECT_EQ(r.err.find("training on"), std::string::npos) << arguments << "\n" << r.err;
    }

    // The settings file cannot replace a folder.
    std::filesystem::remove("vardeck.cfg");
    std::filesystem::create_directory("vardeck.cfg");
    const test::CliResult r = runCli("run --steps 10 --save-settings");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("vardeck.cfg"), std::string::npos) << r.err;
}

// Pipes named like the working files (a pipe does not end until its writer says so) are passed
// over as missing files are.
TEST_F(CliExitCodesTest, PipesAmongTheWorkingFilesAreNotWaitedFor) {
    for (const char* name :
         {"vardeck.cfg", "solver.img", "solver.img.000", "teacher.img", "solver.pat"}) {
        std::filesystem::remove(name);
        ASSERT_EQ(::mkfifo(name, 0600), 0) << name;
    }
    for (const char* arguments : {"run --steps 5 --load-solver", "run --steps 5 --system neuro",
                                  "compare --steps 5 --play rec.but --systems schedule"}) {
        const test::CliResult r = runCli(arguments);
        EXPECT_EQ(r.code, 0) << arguments << "\n" << r.err;
    }
}

// The help texts fit the manual page made from them, where each of their lines is indented by 7
// columns in an 80-column terminal.
TEST_F(CliExitCodesTest, VersionAndHelpAnswer) {
    const test::CliResult version = runCli("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("vardeck-cli [0-9]+(\\.[0-9]+)+\n")))
        << version.out;
    EXPECT_NE(runCli("--help").out.find("--version"), std::string::npos);
    for (const char* arguments : {"--help", "run --help", "train --help", "make-patterns --help",
                                  "generate --help", "compare --help", "study --help"}) {
        const test::CliResult r = runCli(arguments);
        EXPECT_EQ(r.code, 0) << arguments;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 73u) << arguments << ": " << line;
        }
    }
}

}  // namespace
}  // namespace vardeck
