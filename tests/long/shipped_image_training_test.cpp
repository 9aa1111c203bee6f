#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_support.h"

namespace vardeck {
namespace {

// The shipped solver.img is what `train solver --seed 1 --max-epochs 5000000` (as scripts/make-data
// trains it) makes of the shipped solver.pat, with the tanh computed eight at a time and one at a
// time alike. The two trainings run side by side.
TEST(ShippedImageTrainingTest, SolverImageIsReproducedOnBothTanhPaths) {
    test::TempDir dir;
    const std::string data = VARDECK_DATA_DIR;
    auto training = [&](const std::string& path) {
        return "VARDECK_TANH=" + path + " '" + VARDECK_CLI +
               "' train solver --seed 1 --max-epochs 5000000 --patterns '" + data +
               "/solver.pat' --image " + path + ".img 2>/dev/null";
    };
    const std::string both = training("vector") + " & " + training("scalar") +
                             "; scalar=$?; wait $!; [ $? -eq 0 ] && [ $scalar -eq 0 ]";
    ASSERT_EQ(std::system(both.c_str()), 0);
    const std::string shipped = test::readFile(data + "/solver.img");
    EXPECT_EQ(test::readFile("vector.img"), shipped);
    EXPECT_EQ(test::readFile("scalar.img"), shipped);
}

}  // namespace
}  // namespace vardeck
