// Network images, pattern files and image names.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <regex>

#include "neuro/image_name.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"
#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::writeFile;

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    const std::size_t at = text.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

// The image of `network` as it would be written now.
std::string image(const NeuralNetwork& network) {
    EXPECT_EQ(network.writeImage("now.img"), 0);
    return readFile("now.img");
}

// The files are opened by bare name, so each test runs in a fresh directory of its own.
class NeuroFilesTest : public ::testing::Test {
    test::TempDir directory_;
};

TEST_F(NeuroFilesTest, TwoLayerImageByteForByteAndWhatIsReadOfIt) {
    const std::string expected =
        "2\n+2\n|0\n"
        "|+0.000000\n||0.500000\n||0.000000\n|+\n"
        "|+0.000000\n||-0.250000\n||0.000000\n|+\n"
        "+\n+1\n|2\n"
        "|+0.075000\n||0.074860\n||0.000000\n||0.100000\n||0.050000\n|+\n"
        "+";
    NeuralNetwork network{2, 1};
    network.layer(1).setWeight(0, 0, 0.1f);
    network.layer(1).setWeight(0, 1, 0.05f);
    const float inputs[] = {0.5f, -0.25f};
    network.setInputs(inputs);
    network.forward();
    EXPECT_EQ(image(network), expected);

    // CR LF, and blank lines after the layer count and after value lines, are read; a blank line
    // directly after a marker or count line is refused and the network stays.
    const std::pair<std::string, int> variants[] = {
        {std::regex_replace(replaced(replaced(expected, "2\n", "2\n\n \n"), "||0.1", "\n||0.1"),
                            std::regex("\n"), "\r\n"),
         0},
        {replaced(expected, "|+\n|+0.000000\n||-0.25", "|+\n\n|+0.000000\n||-0.25"), 2},
        {replaced(expected, "+1\n", "+1\n\n"), 2},
        {replaced(expected, "|2\n", "|2\n\n"), 2},
        {replaced(expected, "+\n+1", "+\n\n+1"), 2},
        {replaced(expected, "|+\n+\n+1", "|+\n\n+\n+1"), 2}};
    for (const auto& [text, result] : variants) {
        writeFile("variant.img", text);
        EXPECT_EQ(network.readImage("variant.img"), result) << text;
        EXPECT_EQ(image(network), expected);
    }
}

TEST_F(NeuroFilesTest, SolverImageRoundTrip) {
    SolverNetwork original;
    const float values[] = {0, 0.05f, 0.1f, 0.15f, 0.2f, 0.25f, 0.3f, 0.35f};
    original.trainPattern(values, values);
    ASSERT_EQ(original.save("solver.img"), 0);
    const std::string text = readFile("solver.img");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 873);
    EXPECT_NE(text.back(), '\n');
    SolverNetwork copy;
    ASSERT_EQ(copy.load("solver.img"), 0);
    EXPECT_TRUE(image(copy) == text);
}

TEST_F(NeuroFilesTest, BadImagesLeaveThePreviousNetworkInUse) {
    SolverNetwork solver;
    ASSERT_EQ(solver.save("good.img"), 0);
    const std::string good = readFile("good.img");
    const std::pair<const char*, std::string> images[] = {
        {"layer count 0", "0\n+8\n|0"},
        {"cut in a value line", good.substr(0, good.size() / 2)},
        {"input count not the previous layer's",
         replaced(image(NeuralNetwork{9, 40, 8}), "+9\n|0\n|+0.000000\n||0.000000\n||0.000000\n|+",
                  "+8\n|0")},
        {"teacher shape", image(TeacherNetwork())}};
    for (const auto& [what, text] : images) {
        writeFile("bad.img", text);
        EXPECT_EQ(solver.load("bad.img"), 1) << what;
        EXPECT_EQ(solver.imageName(), "good.img") << what;
        EXPECT_TRUE(image(solver) == good) << what;
    }
    EXPECT_EQ(solver.load("missing.img"), 1);
    EXPECT_EQ(solver.imageName(), "good.img");
}

TEST_F(NeuroFilesTest, PatternFiles) {
    const std::string example = "1\n0 0 0 9 0 0 0 +0.5    1 0 1 0 0 1 0 0\n";
    writeFile("solver.pat", example);
    PatternSet set;
    ASSERT_EQ(set.read("solver.pat"), 0);
    ASSERT_EQ(set.count(), 1);
    const float in[] = {0, 0, 0, 0.45f, 0, 0, 0, 0.33333334f};
    const float target[] = {0.4f, 0, 0.4f, 0, 0, 0.4f, 0, 0};
    EXPECT_TRUE(std::equal(in, in + 8, set.records[0].in));
    EXPECT_TRUE(std::equal(target, target + 8, set.records[0].target));
    ASSERT_EQ(set.write("copy.pat"), 0);
    EXPECT_EQ(readFile("copy.pat"), example);

    // CR LF and any white space are read; nonzero bits are written as 1, offsets with a sign.
    // An offset that rounds to zero from below is written as zero too, so that it reads back to
    // the same text.
    const std::pair<const char*, const char*> rewritten[] = {
        {"1\r\n0\t1 2 2 0 1 1 0.0 5 0 0 1 0 0 -3 0\r\n",
         "1\n0 1 2 2 0 1 1 +0.0    1 0 0 1 0 0 1 0\n"},
        {"1\n0 0 0 0 0 0 0 -0.03 0 0 0 0 0 0 0 0\n", "1\n0 0 0 0 0 0 0 +0.0    0 0 0 0 0 0 0 0\n"},
        {"1\n0 0 0 0 0 0 0 -0.0 0 0 0 0 0 0 0 0\n", "1\n0 0 0 0 0 0 0 +0.0    0 0 0 0 0 0 0 0\n"},
        {"1\n0 0 0 0 0 0 0 -0.06 0 0 0 0 0 0 0 0\n", "1\n0 0 0 0 0 0 0 -0.1    0 0 0 0 0 0 0 0\n"}};
    for (const auto& [text, written] : rewritten) {
        writeFile("solver.pat", text);
        ASSERT_EQ(set.read("solver.pat"), 0);
        ASSERT_EQ(set.write("solver.pat"), 0);
        EXPECT_EQ(readFile("solver.pat"), written) << text;
    }

    // Damaged files keep their complete lines, and a huge count takes no memory.
    const std::string two =
        "1 0 0 3 0 0 0 +0.0    0 0 1 0 0 1 0 0\n0 0 1 1 0 0 0 -0.5    1 0 0 0 0 0 0 1\n";
    const std::pair<std::string, int> damaged[] = {{"5\n" + two, 2},
                                                   {"3\n" + two + "1 0 0 3 0 0 0 +0.0    0 0 1", 2},
                                                   {"3\n" + replaced(two, "\n0 0 1", "\nx 0 1"), 1},
                                                   {"4000000000\n" + two, 2}};
    for (const auto& [text, count] : damaged) {
        writeFile("solver.pat", text);
        ASSERT_EQ(set.read("solver.pat"), 0) << text;
        EXPECT_EQ(set.count(), count) << text;
        EXPECT_LT(set.records.capacity(), 1000u) << text;
    }

    writeFile("teacher.pat", "2\n1 2 2    2\n3 1 1    1\n");
    TeacherPatternSet teacher;
    ASSERT_EQ(teacher.read("teacher.pat"), 0);
    ASSERT_EQ(teacher.count(), 2);
    EXPECT_EQ(teacher.records[1].in[0], static_cast<float>(3 * 0.13333333333333333));
}

TEST_F(NeuroFilesTest, NumberedImageNames) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, const char*> names[] = {
        {0.095f, "000"},
        {0.1f, "020"},
        {0.35f, "040"},
        {0.89f, "080"},
        {0.9f, "100"},
        {1.0f, "100"},
        // Far outside 0..1, by the same arithmetic while the hundredths fit in an int.
        {-0.5f, "-40"},
        {20000.0f, "2000000"},
        {-20000.0f, "-1999980"},
        {21474836.0f, "2147483600"},
        {-21474836.0f, "-2147483580"},
        // Beyond: as for 10000 or -10000; NaN as 0.
        {21474838.0f, "1000000"},
        {inf, "1000000"},
        {-inf, "-999980"},
        {nan, "000"}};
    for (const auto& [ksu, number] : names)
        EXPECT_EQ(numberedImageName(ksu), std::string("solver.img.") + number) << ksu;
}

}  // namespace
}  // namespace vardeck
