#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_support.h"

namespace vardeck {
namespace {

// The shipped solver.img is what `train solver --seed 1` makes of the shipped solver.pat, with
// the tanh computed eight at a time and one at a time alike.
TEST(ShippedImageTrainingTest, SolverImageIsReproducedOnBothTanhPaths) {
    test::TempDir dir;
    const std::string data = VARDECK_DATA_DIR;
    for (const std::string path : {"vector", "scalar"}) {
        const std::string command = "VARDECK_TANH=" + path + " '" + VARDECK_CLI +
                                    "' train solver --seed 1 --patterns '" + data +
                                    "/solver.pat' --image " + path + ".img >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << path;
        EXPECT_EQ(test::readFile(path + ".img"), test::readFile(data + "/solver.img")) << path;
    }
}

}  // namespace
}  // namespace vardeck
