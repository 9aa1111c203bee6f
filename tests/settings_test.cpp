#include "control/settings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::writeFile;

TEST(SettingsTest, DefaultFileByteForByte) {
    test::TempDir dir;
    Settings settings;
    settings.setDefaults();
    EXPECT_EQ(settings.loadSettings(), 1);
    ASSERT_EQ(settings.saveSettings(), 0);
    EXPECT_EQ(readFile("vardeck.cfg"),
              "time delay 600\n"
              "step to count populest floor 100\n"
              "teacher ksu step 0.00\n"
              "elem to check need to adapt 0\n"
              "treshold to check need to adapt 0.00\n"
              "efficiency criteria 0.000000\n"
              "ksu 0.00\n"
              "ksu where changed 0\n"
              "efficiency criteria where changed 0\n"
              "populest floor 0\n"
              "const populest 0\n");
}

TEST(SettingsTest, RoundTripRoundsTheTwoDecimalFloats) {
    test::TempDir dir;
    Settings out;
    out.timeDelay = 250;
    out.stepToCountPopulestFloor = 7;
    out.teacherKsuStep = 0.126f;
    out.elemToCheckNeedToAdapt = 4;
    out.tresholdToCheckNeedToAdapt = 0.05f;
    out.efficiencyCriteria = 0.4285714f;
    out.ksu = 0.6f;
    out.ksuWhereChanged = 3;
    out.efficiencyCriteriaWhereChanged = 1;
    out.populestFloor = 13;
    out.constPopulest = 21;
    ASSERT_EQ(out.saveSettings(), 0);
    Settings in;
    ASSERT_EQ(in.loadSettings(), 0);
    EXPECT_FLOAT_EQ(in.teacherKsuStep, 0.13f);
    EXPECT_FLOAT_EQ(in.efficiencyCriteria, 0.428571f);
    // Every other value comes back as it was: saved again, the file is the same.
    const std::string first = readFile("vardeck.cfg");
    ASSERT_EQ(in.saveSettings(), 0);
    EXPECT_EQ(readFile("vardeck.cfg"), first);
    EXPECT_NE(first.find("const populest 21\n"), std::string::npos) << first;
}

TEST(SettingsTest, DamagedLineThreeKeepsTheLinesBeforeIt) {
    test::TempDir dir;
    writeFile("vardeck.cfg",
              "time delay 42\n"
              "step to count populest floor 9\n"
              "teacher ksu stepp 0.20\n"
              "elem to check need to adapt 4\n"
              "ksu 0.80\n");
    Settings settings;
    settings.setDefaults();
    settings.elemToCheckNeedToAdapt = 77;
    settings.ksu = 0.5f;
    ASSERT_EQ(settings.loadSettings(), 0);
    EXPECT_EQ(settings.timeDelay, 42);
    EXPECT_EQ(settings.stepToCountPopulestFloor, 9);
    EXPECT_EQ(settings.teacherKsuStep, 0.0f);
    EXPECT_EQ(settings.elemToCheckNeedToAdapt, 77);
    EXPECT_EQ(settings.ksu, 0.5f);
    // Any white space matches a blank, line ends of either kind included.
    writeFile("vardeck.cfg", "time   delay\t15\r\nstep to count populest floor 3\r\n");
    settings.loadSettings();
    EXPECT_EQ(settings.timeDelay, 15);
    EXPECT_EQ(settings.stepToCountPopulestFloor, 3);
    // Sizes out of all proportion are bounded, not allocated.
    settings.elemToCheckNeedToAdapt = 2147483647;
    settings.stepToCountPopulestFloor = -9;
    EXPECT_EQ(settings.samplesPerHalfWindow(), Settings::kMaxHistory);
    EXPECT_EQ(settings.populestHistoryLength(), 1);
}

// A host that switched the process to a locale with a decimal comma (a window toolkit, say)
// still writes and reads the file with points.
TEST(SettingsTest, TheFileIgnoresTheProcessLocale) {
    test::TempDir dir;
    // The locale is built here from Debian's locale sources, so that the test does not depend
    // on the locales that the machine has generated.
    if (std::system("localedef -i de_DE -f ISO-8859-1 ./de_DE >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "localedef cannot build de_DE";
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE") != nullptr;
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.2f", 0.5);
    const std::string example = printed;
    Settings out;
    out.setDefaults();
    out.ksu = 0.2f;
    out.efficiencyCriteria = 0.625f;
    const int saved = out.saveSettings();
    Settings in;
    in.loadSettings();
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    if (!comma || example != "0,50") GTEST_SKIP() << "no decimal comma in de_DE";

    ASSERT_EQ(saved, 0);
    const std::string text = readFile("vardeck.cfg");
    EXPECT_NE(text.find("\nefficiency criteria 0.625000\nksu 0.20\n"), std::string::npos) << text;
    EXPECT_EQ(in.ksu, 0.2f);
    EXPECT_EQ(in.efficiencyCriteria, 0.625f);
    EXPECT_EQ(in.constPopulest, 0);
    EXPECT_EQ(in.populestFloor, 0);
}

}  // namespace
}  // namespace vardeck
