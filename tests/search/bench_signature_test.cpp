// The bench node count is the engine's signature: the same in every build. A count that differs
// here in one build only means undefined behaviour or an uninitialised read.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tarnwick_test {
namespace {

// `tarnwick-tool bench 5`. Changes only with a change of the search's behaviour.
inline constexpr const char* BenchDepth5Signature = "Nodes searched: 1951530";

TEST(BenchSignature, IsTheCommittedCountInEveryBuild) {
    const std::string directory = makeTemporaryDirectory();
    EngineProcess tool;
    ASSERT_TRUE(tool.start(toolCommand(), directory, {"bench", "5"}));
    std::vector<std::string> lines;
    ASSERT_TRUE(tool.readToEnd(lines, 300000));
    int status = -1;
    ASSERT_TRUE(tool.waitForExit(status, 10000));
    EXPECT_EQ(status, 0);
    int positions = 0;
    std::string signature;
    for (const std::string& line : lines) {
        positions += line.rfind("Position ", 0) == 0 ? 1 : 0;
        if (line.rfind("Nodes searched: ", 0) == 0)
            signature = line;
    }
    EXPECT_GE(positions, 30);
    EXPECT_EQ(signature, BenchDepth5Signature);
    removeDirectory(directory);
}

} // namespace
} // namespace tarnwick_test
