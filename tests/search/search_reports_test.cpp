// The texts of the `info depth` and `bestmove` lines.
#include "search_fixture.h"

namespace tarnwick_test {
namespace {

TEST_F(SearchTest, ScoreTexts) {
    // Score, bound, text.
    const std::tuple<int, int, const char*> cases[] = {
        {31999, 0, "mate 1"},
        {31997, 0, "mate 2"},
        {-31998, 0, "mate -1"},
        {31000, 0, "mate 500"},
        {30999, 0, "cp 12108"},
        {-100, 0, "cp -39"},
        {-1, 0, "cp 0"},
        {-255, 0, "cp -99"},
        {256, 0, "cp 100"},
        {0, 7, "cp 0"},
        {512, -1, "cp 200 upperbound"},
        {512, 1, "cp 200 lowerbound"},
        {-31999, 1, "mate -1 lowerbound"},
    };
    for (const auto& [score, bound, expected] : cases) {
        char text[64];
        formatScoreText(text, sizeof text, score, bound);
        EXPECT_STREQ(text, expected) << score << " " << bound;
    }
}

TEST_F(SearchTest, InfoLinesShowTheFieldsAndAtMost63Moves) {
    Move line[LineSlots];
    std::fill(line, line + LineSlots, moveRecord("e2e4", Pawn));
    char text[1024];
    formatLineText(text, sizeof text, line);
    std::string expected = " pv";
    for (int k = 0; k < 63; ++k)
        expected += " e2e4";
    EXPECT_EQ(text, expected);
    line[1] = moveRecord("e7e5", Pawn);
    line[2] = SentinelMove;
    setRootLine(line);
    rootScore = -100;
    iterationDepth = 7;
    selDepth = 12;
    reportInfo(-1);
    const std::vector<std::string> lines = sentLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("info depth 7 seldepth 12 score cp -39 upperbound time ", 0), 0u);
    EXPECT_NE(lines[0].find(" nodes 0 nps 0 pv e2e4 e7e5"), std::string::npos) << lines[0];
}

TEST_F(SearchTest, BestMoveLines) {
    const Move e2e4 = moveRecord("e2e4", Pawn), e7e5 = moveRecord("e7e5", Pawn);
    const Move promotion = moveRecord("a7a8", Queen, 0, Promotion);
    // Line, stopped, text.
    const std::tuple<std::vector<Move>, int, const char*> cases[] = {
        {{e2e4, e7e5}, 0, "bestmove e2e4 ponder e7e5"},
        {{e2e4, e7e5}, 1, "bestmove e2e4"}, // no ponder move after a stop
        {{e2e4}, 0, "bestmove e2e4"},
        {{promotion}, 1, "bestmove a7a8q"},
        {{}, 0, "bestmove 0000"},
        {{}, 1, "bestmove 0000"},
    };
    for (const auto& [moves, stopped, expected] : cases) {
        restart();
        Move line[LineSlots];
        std::copy(moves.begin(), moves.end(), line);
        line[moves.size()] = SentinelMove;
        setRootLine(line);
        reportBestMove(stopped);
        const std::vector<std::string> lines = sentLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), expected);
        // After a completed search one final info line comes first; never after a stop.
        EXPECT_EQ(lines.size(), stopped ? 1u : 2u) << expected;
    }
}

} // namespace
} // namespace tarnwick_test
