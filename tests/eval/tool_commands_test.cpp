// tarnwick-tool's eval and egtb commands, run as a program: the shape of what they print, the file
// the build writes, and the refusal of positions they cannot handle.
#include <gtest/gtest.h>

#include "eval_test_support.h"
#include "search/node_search.h"

namespace tarnwick {
namespace {

using Lines = std::vector<std::string>;
using tarnwick_test::runTool;

// The start position by default: score, phase, weaker side, then twelve tables of 64 values in
// a1, b1, ..., h8 order, the white king's first (flat before the endgame), the black pawns' last.
TEST(ToolCommands, EvalPrintsScorePhaseWeakerSideAndTwelveTables) {
    Lines lines;
    ASSERT_EQ(runTool({"eval"}, lines), 0);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 3),
              (Lines{"score 0", "phase 45", "weaker none"}));
    setUpRoot("startpos");
    prepareRootEvaluation();
    std::string whiteKing = "pst white king", blackPawns = "pst black pawn";
    for (int s = 0; s < 64; ++s) {
        whiteKing += " 0";
        blackPawns.append(" ").append(
            std::to_string(pieceSquareTable[Black][Pawn][makeSquare(s % 8, s / 8)]));
    }
    EXPECT_EQ(lines[3], whiteKing);
    EXPECT_EQ(lines[14], blackPawns);
    EXPECT_EQ(runTool({"eval", "fen", "8/8/8/8/8/8/8/8", "w", "-", "-", "0", "1"}, lines), 2);
}

// The build writes the solved data byte for byte; the probe reads them back for white king e1 and
// queen d1 against the black king e8, Black to move.
TEST(ToolCommands, EgtbBuildsTheFileProbesItAndRefusesOtherMaterial) {
    const WorkingFolder folder;
    Lines lines;
    ASSERT_EQ(runTool({"egtb", "build"}, lines, folder.path), 0);
    std::string written;
    ASSERT_TRUE(tarnwick_test::readFile(folder.path + "/" + EndgameFileName, written));
    EXPECT_EQ(written, std::string(builtEndgameData(), builtEndgameData() + EndgameFileSize));
    const int value = solvedEndgameValue(
        Queen, endgameKey(dataSquare("e1"), dataSquare("e8"), dataSquare("d1"), 1));
    ASSERT_EQ(runTool({"egtb", "probe", "fen", "4k3/8/8/8/8/8/8/3QK3", "b", "-", "-", "0", "1"},
                      lines, folder.path),
              0);
    EXPECT_EQ(lines, (Lines{"offset 32137", "value " + std::to_string(value),
                            "score " + std::to_string(MateScore - 1 - 2 * value)}));
    EXPECT_EQ(runTool({"egtb", "probe", "startpos"}, lines, folder.path), 2);
    EXPECT_EQ(runTool({"egtb", "build", "/nonexistent-folder/Endgame.bin"}, lines), 1);
}

} // namespace
} // namespace tarnwick
