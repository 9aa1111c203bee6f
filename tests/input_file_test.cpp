// Every reader of the user's files takes only a regular file within the size limit of its kind:
// a pipe, a folder or a device is refused at once, without waiting on it or reading it, and a
// file one byte over the limit is refused whatever it holds. The widest file of each kind that
// the program writes is read, with room to spare.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>

#include "control/settings.h"
#include "io/file_limits.h"
#include "model/building.h"
#include "neuro/neural_network.h"
#include "neuro/pattern_set.h"
#include "record/press_recorder.h"
#include "test_support.h"

namespace vardeck {
namespace {

namespace fs = std::filesystem;

using test::kData;

std::string widestSettings() {
    Settings settings;
    settings.timeDelay = settings.stepToCountPopulestFloor = settings.elemToCheckNeedToAdapt =
        settings.ksuWhereChanged = settings.efficiencyCriteriaWhereChanged =
            settings.populestFloor = settings.constPopulest = INT_MIN;
    settings.teacherKsuStep = settings.tresholdToCheckNeedToAdapt = settings.ksu =
        settings.efficiencyCriteria = -std::numeric_limits<float>::max();
    EXPECT_EQ(settings.saveSettings("widest.cfg"), 0);
    return test::readFile("widest.cfg");
}

std::string widestSolverImage() {
    NeuralNetwork network{8, 40, 8};
    const float value = -std::numeric_limits<float>::max();
    for (unsigned i = 0; i < 3; ++i) {
        NetworkLayer& layer = network.layer(i);
        for (unsigned j = 0; j < layer.neuronCount(); ++j) {
            layer.setValues(j, value, value, value);
            for (unsigned k = 0; k < layer.inputCount(); ++k) layer.setWeight(j, k, value);
        }
    }
    EXPECT_EQ(network.writeImage("widest.img"), 0);
    return test::readFile("widest.img");
}

// Runs `accepts` in a child process: true when it accepted the file, false when it refused it,
// and a failure when it did not come back within seconds.
bool acceptedInTime(const std::function<bool()>& accepts) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        ::_exit(accepts() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "the reader hung";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(InputFileTest, EveryReaderRefusesWhatIsNoRegularFileOrTooLarge) {
    test::TempDir dir;
    struct Reader {
        const char* what;
        FileSizeLimit limit;
        std::string good;
        // How many times the good file, the widest of its kind, fits into the limit at least.
        std::size_t room;
        std::function<bool(const std::string&)> accepts;
    };
    const Reader readers[] = {
        {"settings", kSettingsFileLimit, widestSettings(), 8,
         [](const std::string& path) { return Settings().loadSettings(path) == 0; }},
        {"network image", kImageFileLimit, widestSolverImage(), 10,
         [](const std::string& path) {
             return NeuralNetwork{8, 40, 8}.readImage(path) == 0;
         }},
        {"solver patterns", kPatternFileLimit, test::readFile(kData + "/solver.pat"), 10,
         [](const std::string& path) {
             PatternSet set;
             return set.read(path) == 0 && set.count() > 0;
         }},
        {"solver patterns, strictly", kPatternFileLimit, test::readFile(kData + "/solver.pat"), 10,
         [](const std::string& path) {
             std::string problem;
             return PatternSet().readStrictly(path, problem) == 0;
         }},
        {"teacher patterns", kPatternFileLimit, test::readFile(kData + "/teacher.pat"), 10,
         [](const std::string& path) {
             TeacherPatternSet set;
             return set.read(path) == 0 && set.count() > 0;
         }},
        // generate writes up to about 73 MB: too large to make here.
        {"press sequence", kPressFileLimit, test::readFile(kData + "/traffic/up-peak.but"), 0,
         [](const std::string& path) {
             Building building;
             PressRecorder recorder(building);
             recorder.load(path);
             return !recorder.entries().empty();
         }},
    };
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    fs::create_directory("folder");
    for (const Reader& reader : readers) {
        SCOPED_TRACE(reader.what);
        ASSERT_FALSE(reader.good.empty());
        EXPECT_GE(reader.limit.bytes, reader.good.size() * reader.room);
        // Padded with blank lines, or with a hole where that would take long to write.
        const auto padded = [&reader](std::size_t size) {
            if (size <= (1u << 20)) {
                test::writeFile("padded",
                                reader.good + std::string(size - reader.good.size(), '\n'));
            } else {
                test::writeFile("padded", reader.good);
                fs::resize_file("padded", size);
            }
            return "padded";
        };
        const std::pair<const char*, bool> cases[] = {
            {"good", true},  {"at the limit", true}, {"one byte over", false},
            {"pipe", false}, {"folder", false},      {"/dev/zero", false},
        };
        for (const auto& [input, accepted] : cases) {
            SCOPED_TRACE(input);
            std::string path = input;
            if (path == "good") {
                test::writeFile("good", reader.good);
            } else if (path == "at the limit") {
                path = padded(reader.limit.bytes);
            } else if (path == "one byte over") {
                path = padded(reader.limit.bytes + 1);
            }
            EXPECT_EQ(acceptedInTime([&] { return reader.accepts(path); }), accepted);
        }
    }
}

}  // namespace
}  // namespace vardeck
