#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_support.h"

namespace vardeck {
namespace {

// A training gives the same image whether the tanh is computed eight at a time or one at a
// time: 200,000 epochs on the shipped solver.pat, side by side. (That the shipped images are
// what the trainings of scripts/make-data make is checked by .ci/run.)
TEST(ShippedImageTrainingTest, TrainingIsTheSameOnBothTanhPaths) {
    test::TempDir dir;
    const std::string data = VARDECK_DATA_DIR;
    auto training = [&](const std::string& path) {
        return "VARDECK_TANH=" + path + " '" + VARDECK_CLI +
               "' train solver --seed 1 --max-epochs 200000 --patterns '" + data +
               "/solver.pat' --image " + path + ".img 2>/dev/null";
    };
    const std::string both = training("vector") + " & " + training("scalar") +
                             "; scalar=$?; wait $!; [ $? -eq 0 ] && [ $scalar -eq 0 ]";
    ASSERT_EQ(std::system(both.c_str()), 0);
    const std::string vector = test::readFile("vector.img");
    EXPECT_FALSE(vector.empty());
    EXPECT_EQ(test::readFile("scalar.img"), vector);
}

}  // namespace
}  // namespace vardeck
