// tarnwick-tool egtb, run as a program: the file it builds is byte for byte the built data, and a
// probe prints the offset, byte and score the engine works with.
#include "endgame_fixture.h"
#include "eval/endgame_builder.h"
#include "eval/endgame_data.h"
#include "search/node_search.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace tarnwick {
namespace {

struct ToolRun {
    int status;
    std::string output;
};

ToolRun runTool(const std::string& arguments) {
    const std::string command = std::string(TARNWICK_TOOL_PATH) + " " + arguments + " 2>/dev/null";
    ToolRun run{-1, ""};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(EgtbCommand, BuildWritesTheWholeFile) {
    const EndgameFolder folder;
    const std::string fileName = std::string(folder.path()) + "/Built.bin";
    ASSERT_EQ(runTool("egtb build " + fileName).status, 0);
    std::vector<std::uint8_t> written(EndgameFileSize + 1);
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    const std::size_t size = std::fread(written.data(), 1, written.size(), file);
    std::fclose(file);
    ASSERT_EQ(size, static_cast<std::size_t>(EndgameFileSize));
    const std::uint8_t* data = builtEndgameData();
    EXPECT_TRUE(std::equal(data, data + EndgameFileSize, written.begin()));
}

TEST(EgtbCommand, BuildReportsAFileItCannotWrite) {
    EXPECT_EQ(runTool("egtb build /nonexistent-folder/Endgame.bin").status, 1);
}

// White king e1 and queen d1 against the black king e8, Black to move: White has just moved.
TEST(EgtbCommand, ProbePrintsOffsetValueAndScore) {
    const EndgameFolder folder;
    const int value = solvedEndgameValue(
        Queen, endgameKey(dataSquare("e1"), dataSquare("e8"), dataSquare("d1"), 1));
    ASSERT_LE(value, EndgameLongestMate);
    const ToolRun run = runTool("egtb probe fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "offset 32137\nvalue " + std::to_string(value) + "\nscore " +
                              std::to_string(MateScore - (1 + 2 * value)) + "\n");
}

TEST(EgtbCommand, ProbeRefusesOtherMaterial) {
    EXPECT_EQ(runTool("egtb probe startpos").status, 2);
    EXPECT_EQ(runTool("egtb probe fen 4k3/8/8/8/8/8/8/2QQK3 w - - 0 1").status, 2);
}

} // namespace
} // namespace tarnwick
