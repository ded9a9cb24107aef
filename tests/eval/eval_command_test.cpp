// The eval dump of tarnwick-tool, run as a process: its line format and its refusal of positions
// the engine cannot search.
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct ToolRun {
    std::vector<std::string> lines;
    int status;
};

ToolRun runTool(const std::string& arguments) {
    const std::string command = std::string(TARNWICK_TOOL_PATH) + " " + arguments + " 2>/dev/null";
    ToolRun run{};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return ToolRun{{}, -1};
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line = buffer;
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        run.lines.push_back(line);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<int> numbersAfter(const std::string& line, const std::string& prefix) {
    std::vector<int> numbers;
    if (line.compare(0, prefix.size(), prefix) != 0)
        return numbers;
    std::istringstream rest(line.substr(prefix.size()));
    int value;
    while (rest >> value)
        numbers.push_back(value);
    return numbers;
}

TEST(EvalCommand, DumpsScorePhaseWeakerSideAndTwelveTables) {
    const ToolRun run = runTool("eval"); // the start position by default
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 15u);
    EXPECT_EQ(run.lines[0], "score 0");
    EXPECT_EQ(run.lines[1], "phase 45");
    EXPECT_EQ(run.lines[2], "weaker none");
    const char* colours[] = {"white", "black"};
    const char* pieces[] = {"king", "queen", "rook", "bishop", "knight", "pawn"};
    for (int colour = 0; colour < 2; ++colour) {
        for (int piece = 0; piece < 6; ++piece) {
            const std::string prefix =
                std::string("pst ") + colours[colour] + " " + pieces[piece] + " ";
            const std::vector<int> values = numbersAfter(run.lines[3 + colour * 6 + piece], prefix);
            EXPECT_EQ(values.size(), 64u) << prefix;
        }
    }
    // Squares run a1, b1, ..., h1, a2, ...: the white knight on g1 is -13, on e5 56.
    const std::vector<int> knight = numbersAfter(run.lines[7], "pst white knight ");
    ASSERT_EQ(knight.size(), 64u);
    EXPECT_EQ(knight[6], -13);
    EXPECT_EQ(knight[4 * 8 + 4], 56);

    // A position given as several words.
    const ToolRun moved = runTool("eval startpos moves e2e4");
    ASSERT_EQ(moved.lines.size(), 15u);
    EXPECT_NE(moved.lines[0], "score 0");
}

TEST(EvalCommand, RefusesAPositionWithoutKings) {
    const ToolRun run = runTool("eval fen 8/8/8/8/8/8/8/8 w - - 0 1");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.lines.empty());
}

} // namespace
