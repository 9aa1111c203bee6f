// Network images and pattern files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "neuro/network_settings.h"
#include "neuro/pattern_set.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"
#include "test_support.h"

namespace vardeck {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    const std::size_t at = text.find(what);
    return at == std::string::npos ? "replacement not found" : text.replace(at, what.size(), with);
}

// The shape, then net, output, delta and the weights of every neuron in order.
std::vector<float> snapshot(const NeuralNetwork& network) {
    std::vector<float> s;
    for (unsigned i = 0; i < network.layerCount(); ++i) {
        const NetworkLayer& layer = network.layer(i);
        s.push_back(float(layer.neuronCount()));
        for (unsigned j = 0; j < layer.neuronCount(); ++j) {
            s.insert(s.end(), {layer.net(j), layer.output(j), layer.delta(j)});
            for (unsigned k = 0; k < layer.inputCount(); ++k) s.push_back(layer.weight(j, k));
        }
    }
    return s;
}

// The files are opened by bare name, so each test runs in a fresh directory of its own.
class NeuroFilesTest : public ::testing::Test {
protected:
    NeuroFilesTest() { applyNetworkDefaults(); }

private:
    test::TempDir directory_;
};

const std::string kTwoLayerImage =
    "2\n+2\n|0\n"
    "|+0.000000\n||0.500000\n||0.000000\n|+\n"
    "|+0.000000\n||-0.250000\n||0.000000\n|+\n"
    "+\n+1\n|2\n"
    "|+0.075000\n||0.074860\n||0.000000\n||0.100000\n||0.050000\n|+\n"
    "+";

TEST_F(NeuroFilesTest, TwoLayerImageByteForByteAndBack) {
    NeuralNetwork network{2, 1};
    network.layer(1).setWeight(0, 0, 0.1f);
    network.layer(1).setWeight(0, 1, 0.05f);
    const float inputs[] = {0.5f, -0.25f};
    network.setInputs(inputs);
    network.forward();
    ASSERT_EQ(network.writeImage("two.img"), 0);
    EXPECT_EQ(readFile("two.img"), kTwoLayerImage);

    // CR LF, and blank lines after the layer count and after value lines, read the same.
    NeuralNetwork lf{4, 4};
    ASSERT_EQ(lf.readImage("two.img"), 0);
    EXPECT_EQ(lf.layerCount(), 2u);
    EXPECT_EQ(lf.layer(1).weight(0, 1), 0.05f);
    const std::string variants[] = {
        withCrLf(kTwoLayerImage),
        replaced(replaced(kTwoLayerImage, "2\n", "2\n\n \n"), "||0.100000\n", "||0.100000\n\n"),
        replaced(withCrLf(kTwoLayerImage), "||-0.250000\r\n", "||-0.250000\r\n\r\n"),
    };
    for (const std::string& text : variants) {
        NeuralNetwork network2{1};
        writeFile("variant.img", text);
        ASSERT_EQ(network2.readImage("variant.img"), 0) << text;
        EXPECT_EQ(snapshot(network2), snapshot(lf));
    }
    // A blank line directly after a marker or count line is refused.
    const std::string refused[] = {
        replaced(kTwoLayerImage, "|+\n|+0.000000\n||-0.25", "|+\n\n|+0.000000\n||-0.25"),
        replaced(kTwoLayerImage, "+1\n", "+1\n\n"),
        replaced(kTwoLayerImage, "|2\n", "|2\n\n"),
        replaced(kTwoLayerImage, "+\n+1", "+\n\n+1"),
    };
    const std::vector<float> before = snapshot(lf);
    for (const std::string& text : refused) {
        writeFile("blank.img", text);
        EXPECT_EQ(lf.readImage("blank.img"), 2) << text;
    }
    EXPECT_EQ(snapshot(lf), before);
}

TEST_F(NeuroFilesTest, SolverImageRoundTrip) {
    SolverNetwork original;
    SolverPattern p;
    for (int j = 0; j < 8; ++j) p.in[j] = p.target[j] = 0.05f * float(j);
    original.trainPattern(p.in, p.target);
    ASSERT_EQ(original.save("solver.img"), 0);
    EXPECT_EQ(original.imageName(), "solver.img");
    const std::string text = readFile("solver.img");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 873);
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(text.substr(0, 7), "3\n+8\n|0");
    EXPECT_NE(text.find("\n+40\n|8\n"), std::string::npos);
    EXPECT_NE(text.find("\n+8\n|40\n"), std::string::npos);

    // A trained copy shows what a read keeps (the epoch) and what it resets (the changes).
    SolverNetwork copy;
    copy.train(PatternSet{});
    copy.trainPattern(p.in, p.target);
    ASSERT_EQ(copy.load("solver.img"), 0);
    EXPECT_EQ(copy.imageName(), "solver.img");
    EXPECT_EQ(copy.epochCount(), 1);
    const std::vector<float> a = snapshot(original);
    const std::vector<float> b = snapshot(copy);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_NEAR(a[i], b[i], 5e-7 + 6e-8) << i;  // six decimals, then the nearest float
    }
    for (unsigned j = 0; j < 8; ++j) EXPECT_EQ(copy.layer(2).previousChange(j, 39), 0.0f);
    ASSERT_EQ(copy.writeImage("again.img"), 0);
    EXPECT_TRUE(readFile("again.img") == text);
    // Linked: the copy computes from its own inputs.
    const SolverState state{0, 1, 1, 3, 0, 0, 1, 0.0f};
    EXPECT_EQ(copy.decide(state), original.decide(state));
}

TEST_F(NeuroFilesTest, BadImagesLeaveThePreviousNetworkInUse) {
    SolverNetwork solver;
    ASSERT_EQ(solver.save("good.img"), 0);
    const std::string good = readFile("good.img");
    const SolverState state{0, 0, 0, 3, 0, 0, 0, 0.25f};
    const CarCommand command = solver.decide(state);
    const std::vector<float> before = snapshot(solver);

    std::string inputLayer8 = "\n+8\n|0";
    for (int j = 0; j < 8; ++j) inputLayer8 += "\n|+0\n||0\n||0\n|+";
    const std::string teacherShape =
        "2\n+3\n|0\n|+0\n||0\n||0\n|+\n|+0\n||0\n||0\n|+\n|+0\n||0\n||0\n|+\n+\n"
        "+1\n|3\n|+0\n||0\n||0\n||1\n||1\n||1\n|+\n+";
    const std::pair<const char*, std::string> images[] = {
        {"layer count 0", "0\n+8\n|0"},
        {"empty", ""},
        {"cut in a value line", good.substr(0, good.size() / 2)},
        {"last marker missing", good.substr(0, good.size() - 2)},
        {"input count not the previous layer's", replaced(good, "+8\n|40", "+8\n|39")},
        {"first layer with inputs", replaced(good, "3\n+8\n|0", "3\n+8\n|1")},
        {"count line too long", replaced(good, "+40\n", "+00000040\n")},
        {"a value that is no number", replaced(good, "||0.", "||x0.")},
        {"a neuron marker missing", replaced(good, "\n|+\n", "\n")},
        {"teacher shape", teacherShape},
        {"only an input layer", "1" + inputLayer8 + "\n+"},
        {"huge layer in a small file", "2" + inputLayer8 + "\n+\n+9999999\n|8\n|+0\n||0\n|+\n+"},
    };
    for (const auto& [what, text] : images) {
        writeFile("bad.img", text);
        EXPECT_EQ(solver.readImage("bad.img"), 2) << what;
        EXPECT_EQ(solver.load("bad.img"), 1) << what;
        EXPECT_EQ(solver.imageName(), "good.img") << what;
        EXPECT_EQ(snapshot(solver), before) << what;
        EXPECT_EQ(solver.decide(state), command) << what;
    }
    EXPECT_EQ(solver.readImage("missing.img"), 1);
    EXPECT_EQ(solver.load("missing.img"), 1);
    EXPECT_EQ(solver.imageName(), "good.img");
    EXPECT_EQ(solver.save("no-such-directory/solver.img"), 1);
    EXPECT_EQ(solver.imageName(), "good.img");

    // Any shape with 8 inputs and 8 outputs is a usable solver; the teacher needs 3 and 1.
    ASSERT_EQ(NeuralNetwork({8, 3, 8}).writeImage("small.img"), 0);
    ASSERT_EQ(solver.load("small.img"), 0);
    EXPECT_EQ(solver.imageName(), "small.img");
    EXPECT_EQ(solver.layer(1).neuronCount(), 3u);
    EXPECT_EQ(solver.decide(state), (CarCommand{2, 0, 0}));
    TeacherNetwork teacher;
    const std::vector<float> teacherBefore = snapshot(teacher);
    EXPECT_EQ(teacher.load("small.img"), 1);
    EXPECT_EQ(snapshot(teacher), teacherBefore);
    writeFile("teacher.img", teacherShape);
    ASSERT_EQ(teacher.load("teacher.img"), 0);
    EXPECT_EQ(teacher.decideOutput(0.1f, 0.1f, 0.1f), std::tanh(2.0f * (0.1f + 0.1f + 0.1f)));
    ASSERT_EQ(teacher.save("teacher.img"), 0);
    EXPECT_EQ(readFile("teacher.img").substr(0, 5), "2\n+3\n");
    // Nothing but the written files is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 4);
}

TEST_F(NeuroFilesTest, PatternLinesReadAndWriteBack) {
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
    writeFile("solver.pat",
              "3\r\n1 2 0 3 1 0 1 -1.0    5 0 0 0 0 0 0 1\r\n"
              "0\t1 2 2 0 1 1 0.0 0 0 0 1 0 0 -3 0\r\n20 0 0 1 0 0 0 1 0 0 0 0 0 0 0 0\r\n");
    ASSERT_EQ(set.read("solver.pat"), 0);
    EXPECT_EQ(set.records[0].target[0], 0.4f);
    ASSERT_EQ(set.write("solver.pat"), 0);
    EXPECT_EQ(readFile("solver.pat"),
              "3\n1 2 0 3 1 0 1 -1.0    1 0 0 0 0 0 0 1\n0 1 2 2 0 1 1 +0.0    0 0 0 1 0 0 1 0\n"
              "20 0 0 1 0 0 0 +1.0    0 0 0 0 0 0 0 0\n");
}

TEST_F(NeuroFilesTest, DamagedPatternFilesKeepTheCompleteLines) {
    const std::string two =
        "1 0 0 3 0 0 0 +0.0    0 0 1 0 0 1 0 0\n0 0 1 1 0 0 0 -0.5    1 0 0 0 0 0 0 1\n";
    const std::pair<std::string, int> files[] = {
        {"5\n" + two, 2},                                  // ends early
        {"3\n" + two + "1 0 0 3 0 0 0 +0.0    0 0 1", 2},  // ends inside a line
        {"3\n" + replaced(two, "\n0 0 1", "\nx 0 1"), 1},  // text that is no number
        {"4000000000\n" + two, 2},                         // no memory for the announced count
        {"1\n" + two, 1},                                  // more lines than announced
        {"x\n" + two, 0},
        {"", 0},
    };
    for (const auto& [text, count] : files) {
        writeFile("solver.pat", text);
        PatternSet set;
        ASSERT_EQ(set.read("solver.pat"), 0) << text;
        EXPECT_EQ(set.count(), count) << text;
        EXPECT_LT(set.records.capacity(), 1000u) << text;
    }
    PatternSet kept;
    kept.records.resize(2);
    EXPECT_EQ(kept.read("missing.pat"), 1);
    EXPECT_EQ(kept.count(), 2);
}

TEST_F(NeuroFilesTest, TeacherPatterns) {
    writeFile("teacher.pat", withCrLf("3\n1 2 2    2\n2\t2 2 2\n3 1  1    1\n"));
    TeacherPatternSet set;
    ASSERT_EQ(set.read("teacher.pat"), 0);
    ASSERT_EQ(set.count(), 3);
    EXPECT_EQ(set.records[0].in[0], static_cast<float>(0.13333333333333333));
    EXPECT_EQ(set.records[0].in[1], static_cast<float>(2 * 0.13333333333333333));
    EXPECT_EQ(set.records[2].in[0], static_cast<float>(3 * 0.13333333333333333));
    EXPECT_EQ(set.records[2].target, static_cast<float>(0.13333333333333333));
    ASSERT_EQ(set.write("copy.pat"), 0);
    EXPECT_EQ(readFile("copy.pat"), "3\n1 2 2    2\n2 2 2    2\n3 1 1    1\n");

    writeFile("teacher.pat", "4\n1 2 2    2\n2 2");
    ASSERT_EQ(set.read("teacher.pat"), 0);
    EXPECT_EQ(set.count(), 1);
    EXPECT_EQ(set.read("missing.pat"), 1);
    EXPECT_EQ(set.count(), 1);
}

}  // namespace
}  // namespace vardeck
