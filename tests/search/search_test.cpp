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
inline constexpr const char* BenchDepth5Signature = "Nodes searched: 1974823";

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

// The line a report shows: the search's own moves while they are legal, up to the position the
// search scores as a repetition (at the root one of the game's positions before it).
TEST(SearchReports, LinesEndAtAnIllegalMoveAndAtARepetition) {
    const char* knights = "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6";
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"startpos", knights, "g1f3 g8f6 f3g1 f6g8"},
        {"startpos moves g1f3 g8f6 f3g1 f6g8", knights, "g1f3"},
        {"startpos", "e2e4 e2e4 e7e5", "e2e4"},
    };
    for (const auto& [position, own, expected] : cases) {
        setPosition(position);
        Move line[LineSlots];
        int length = 0;
        for (const char* text = own; *text != 0; text += text[4] != 0 ? 5 : 4)
            line[length++] = moveRecord(text, Knight);
        line[length] = SentinelMove;
        Move shown[LineSlots];
        lineForReport(line, 0, shown);
        char text[400];
        formatLineText(text, sizeof text, shown);
        EXPECT_EQ(std::string(text), std::string(" pv ") + expected) << position;
        EXPECT_EQ(currentGamePosition(), gamePositions[gamePositionCount - 1]) << position;
    }
    // In Chess960 a king's step and a castling may share their squares (king f1, rook h1).
    setPosition("fen 4k3/8/8/8/8/8/8/5K1R w H - 0 1", true);
    const Move step[LineSlots] = {moveRecord("f1g1", King), SentinelMove};
    Move shown[LineSlots];
    lineForReport(step, 0, shown);
    EXPECT_EQ(shown[0], step[0]);
}

} // namespace
} // namespace tarnwick_test
