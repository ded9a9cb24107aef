// The bench node count, the engine's signature: the same in every build (a count that differs in
// one build only means undefined behaviour or an uninitialised read). And the score and line texts
// of the `info depth` lines (the flows of `bestmove` lines are checked end to end).
#include <gtest/gtest.h>

#include "search/node_search.h"
#include "search/search_reports.h"
#include "test_support.h"

namespace tarnwick_test {
namespace {

// `tarnwick-tool bench 5`. Changes only with a change of the search's behaviour.
inline constexpr const char* BenchDepth5Signature = "Nodes searched: 1951530";

TEST(BenchSignature, IsTheCommittedCountInEveryBuild) {
    std::vector<std::string> lines;
    EXPECT_EQ(runTool({"bench", "5"}, lines), 0);
    ASSERT_GE(lines.size(), 41u);
    EXPECT_TRUE(lines[39].starts_with("Position 40/40:")) << lines[39];
    EXPECT_EQ(lines[40], BenchDepth5Signature);
}

using namespace tarnwick;

TEST(SearchReports, ScoreTexts) {
    // Score, bound, text: mates by their moves, pawns in truncated centipawns.
    // clang-format off
    const std::tuple<int, int, const char*> cases[] = {
        {31999, 0, "mate 1"}, {31997, 0, "mate 2"}, {-31998, 0, "mate -1"}, {31000, 0, "mate 500"},
        {30999, 0, "cp 12108"}, {-100, 0, "cp -39"}, {-255, 0, "cp -99"}, {256, 7, "cp 100"},
        {512, -1, "cp 200 upperbound"}, {-31999, 1, "mate -1 lowerbound"}};
    // clang-format on
    for (const auto& [score, bound, expected] : cases) {
        char text[64];
        formatScoreText(text, sizeof text, score, bound);
        EXPECT_STREQ(text, expected) << score << " " << bound;
    }
}

} // namespace
} // namespace tarnwick_test
