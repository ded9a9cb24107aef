// tarnwick-tool's eval and egtb commands, run as a program: the shape of what they print, the file
// the build writes, and the refusal of positions they cannot handle.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "eval_test_support.h"
#include "search/node_search.h"

namespace tarnwick {
namespace {

// Runs the tool in `folder` (the test's own when empty); its exit status, -1 if it did not end.
int runTool(const std::vector<std::string>& arguments, std::vector<std::string>& lines,
            const std::string& folder = "") {
    tarnwick_test::EngineProcess tool;
    int status = -1;
    lines.clear();
    if (!tool.start(tarnwick_test::toolCommand(), folder, arguments) ||
        !tool.readToEnd(lines, 120000) || !tool.waitForExit(status, 120000))
        return -1;
    return status;
}

// The start position by default; the tables as the engine builds them, squares a1, b1, ..., h8.
TEST(ToolCommands, EvalPrintsScorePhaseWeakerSideAndTwelveTables) {
    std::vector<std::string> lines;
    ASSERT_EQ(runTool({"eval"}, lines), 0);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], "score 0");
    EXPECT_EQ(lines[1], "phase 45");
    EXPECT_EQ(lines[2], "weaker none");
    setUpRoot("startpos");
    prepareRootEvaluation();
    const char* pieces[] = {"king", "queen", "rook", "bishop", "knight", "pawn"};
    for (int table = 0; table < 12; ++table) {
        std::string expected =
            std::string("pst ") + (table < 6 ? "white " : "black ") + pieces[table % 6];
        for (int s = 0; s < 64; ++s) {
            const int value =
                pieceSquareTable[table / 6][King + table % 6][makeSquare(s % 8, s / 8)];
            expected.append(" ").append(std::to_string(value));
        }
        EXPECT_EQ(lines[3 + table], expected);
    }
    ASSERT_EQ(runTool({"eval", "fen", "8/8/8/8/8/8/8/8", "w", "-", "-", "0", "1"}, lines), 2);
    EXPECT_TRUE(lines.empty());
}

// The build writes the solved data byte for byte; the probe reads them back for white king e1 and
// queen d1 against the black king e8, Black to move.
TEST(ToolCommands, EgtbBuildsTheFileProbesItAndRefusesOtherMaterial) {
    const WorkingFolder folder;
    std::vector<std::string> lines;
    ASSERT_EQ(runTool({"egtb", "build"}, lines, folder.path), 0);
    std::string written;
    ASSERT_TRUE(tarnwick_test::readFile(folder.path + "/" + EndgameFileName, written));
    EXPECT_EQ(written, std::string(builtEndgameData(), builtEndgameData() + EndgameFileSize));

    const int value = solvedEndgameValue(
        Queen, endgameKey(dataSquare("e1"), dataSquare("e8"), dataSquare("d1"), 1));
    ASSERT_LE(value, EndgameLongestMate);
    ASSERT_EQ(runTool({"egtb", "probe", "fen", "4k3/8/8/8/8/8/8/3QK3", "b", "-", "-", "0", "1"},
                      lines, folder.path),
              0);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"offset 32137", "value " + std::to_string(value),
                                        "score " + std::to_string(MateScore - 1 - 2 * value)}));

    EXPECT_EQ(runTool({"egtb", "probe", "startpos"}, lines, folder.path), 2);
    EXPECT_EQ(runTool({"egtb", "build", "/nonexistent-folder/Endgame.bin"}, lines), 1);
}

} // namespace
} // namespace tarnwick
