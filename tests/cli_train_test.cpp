#include <gtest/gtest.h>

#include "test_support.h"

namespace vardeck {
namespace {

using test::readFile;
using test::runCli;

TEST(CliTrainTest, TrainsForAtMostTheAskedEpochsReproduciblyAndSaves) {
    test::TempDir dir;
    ASSERT_EQ(runCli("make-patterns --ksu 0.6 -o s.pat").code, 0);
    const auto first =
        runCli("train solver --patterns s.pat --image a.img --max-epochs 3 --seed 9");
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_NE(first.err.find("epoch 3 largest error"), std::string::npos) << first.err;
    ASSERT_EQ(runCli("train solver --patterns s.pat --image b.img --max-epochs 3 --seed 9").code,
              0);
    EXPECT_EQ(readFile("a.img"), readFile("b.img"));
    ASSERT_EQ(runCli("train solver --patterns s.pat --image c.img --max-epochs 3 --seed 10").code,
              0);
    EXPECT_NE(readFile("a.img"), readFile("c.img"));
}

}  // namespace
}  // namespace vardeck
