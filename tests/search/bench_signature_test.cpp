// The bench node count is the engine's signature: the same in every build. A count that differs
// here in one build only means undefined behaviour or an uninitialised read.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tarnwick_test {
namespace {

// `tarnwick-tool bench 5`. Changes only with a change of the search's behaviour.
inline constexpr const char* BenchDepth5Signature = "Nodes searched: 1951530";

TEST(BenchSignature, IsTheCommittedCountInEveryBuild) {
    std::vector<std::string> lines;
    EXPECT_EQ(runTool({"bench", "5"}, lines), 0);
    ASSERT_GE(lines.size(), 33u);
    EXPECT_TRUE(lines[39].starts_with("Position 40/40:")) << lines[39];
    EXPECT_EQ(lines[40], BenchDepth5Signature);
}

} // namespace
} // namespace tarnwick_test
