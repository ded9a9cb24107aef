// tarnwick-tool's eval and egtb commands, run as a program: the shape of what they print, the file
// the build writes, and the refusal of positions they cannot handle.
#include "eval_test_support.h"
#include "search/node_search.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// Runs the tool in `folder` (the test's own when empty); its exit status, -1 if it did not end.
int runTool(const std::vector<std::string>& arguments, std::vector<std::string>& lines,
            const std::string& folder = "") {
    tarnwick_test::EngineProcess tool;
    int status = -1;
    lines.clear();
    if (!tool.start(TARNWICK_TOOL_PATH, folder, arguments) || !tool.readToEnd(lines, 120000) ||
        !tool.waitForExit(status, 120000))
        return -1;
    return status;
}

TEST(ToolCommands, EvalPrintsScorePhaseWeakerSideAndTwelveTables) {
    std::vector<std::string> lines;
    ASSERT_EQ(runTool({"eval"}, lines), 0); // the start position by default
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], "score 0");
    EXPECT_EQ(lines[1], "phase 45");
    EXPECT_EQ(lines[2], "weaker none");
    const char* pieces[] = {"king", "queen", "rook", "bishop", "knight", "pawn"};
    std::vector<int> values[12];
    for (int table = 0; table < 12; ++table) {
        std::istringstream line(lines[3 + table]);
        std::string pst, colour, piece;
        line >> pst >> colour >> piece;
        EXPECT_EQ(pst + " " + colour + " " + piece,
                  std::string("pst ") + (table < 6 ? "white " : "black ") + pieces[table % 6]);
        for (int value; line >> value;)
            values[table].push_back(value);
        EXPECT_TRUE(line.eof()) << lines[3 + table];
        ASSERT_EQ(values[table].size(), 64u) << lines[3 + table];
    }
    // Squares run a1, b1, ..., h1, a2, ...: the white knight on g1 is -13, on e5 56.
    EXPECT_EQ(values[4][6], -13);
    EXPECT_EQ(values[4][4 * 8 + 4], 56);

    ASSERT_EQ(runTool({"eval", "startpos", "moves", "e2e4"}, lines), 0);
    EXPECT_EQ(lines.size(), 15u);
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
    ASSERT_EQ(written.size(), static_cast<std::size_t>(EndgameFileSize));
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
