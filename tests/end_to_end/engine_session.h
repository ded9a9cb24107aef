// A test's conversation with the engine binary through pipes, held as a chess GUI holds it: one
// engine process in a fresh working directory, and every line it sends kept in `received`.
#pragma once

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "board/move_notation.h"
#include "board/position_setup.h"
#include "test_support.h"

namespace end_to_end {

inline constexpr int ReplyTimeoutMs = 10000;

inline int countPrefixed(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.starts_with(prefix);
    }));
}

// The legal moves of the position set up in this process as move texts, from the engine's own
// perft-verified generator; none for a refused position.
inline std::set<std::string> currentLegalMoveTexts() {
    std::set<std::string> legal;
    for (const tarnwick::Move& move : tarnwick_test::generatedMoves(true))
        legal.insert(tarnwick::moveToText(tarnwick_test::pos, move).text);
    return tarnwick_test::pos.positionIsValid ? legal : std::set<std::string>{};
}
// The same for a position (the argument text of `position`), set up as the engine does.
inline std::set<std::string> legalMoveTexts(const std::string& position) {
    static char text[tarnwick::CommandBufferSize];
    std::snprintf(text, sizeof text, "%s", position.c_str());
    tarnwick::setupPosition(tarnwick_test::pos, text);
    return currentLegalMoveTexts();
}

// The move of a "bestmove" line.
inline std::string bestMoveOf(const std::string& line) {
    return line.substr(9, line.find(' ', 9) - 9); // to the end when no ponder move follows
}

class EngineSession : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = tarnwick_test::makeTemporaryDirectory();
        ASSERT_TRUE(engine.start(tarnwick_test::engineCommand(), directory));
    }
    void TearDown() override { tarnwick_test::removeDirectory(directory); }
    // Another engine process in the same working directory, the one before ended.
    void restart(const std::vector<std::string>& command = tarnwick_test::engineCommand(),
                 const std::vector<std::string>& arguments = {}) {
        ASSERT_TRUE(engine.start(command, directory, arguments));
    }

    // Sends the bytes, then reads up to and including the line that starts with `last`.
    std::vector<std::string> exchange(const std::string& bytes, const std::string& last,
                                      int timeoutMs = ReplyTimeoutMs) {
        std::vector<std::string> lines;
        EXPECT_TRUE(engine.sendRaw(bytes));
        EXPECT_TRUE(engine.readUntil(last, lines, timeoutMs)) << "no " << last;
        received.insert(received.end(), lines.begin(), lines.end());
        return lines;
    }
    // Sends the commands and returns the move of the bestmove line, which must be legal in
    // `position`.
    std::string legalAnswer(const std::string& position, const std::string& go) {
        const std::set<std::string> legal = legalMoveTexts(position);
        const std::string line =
            exchange("position " + position + "\n" + go + "\n", "bestmove").back();
        EXPECT_TRUE(legal.count(bestMoveOf(line))) << line << " in " << position;
        return bestMoveOf(line);
    }
    // Ends the input and returns everything the engine still says; the exit status must be 0
    // (a sanitizer's report in the engine makes it 1).
    std::vector<std::string> finish() {
        engine.closeInput();
        std::vector<std::string> lines;
        EXPECT_TRUE(engine.readToEnd(lines, ReplyTimeoutMs));
        int status = -1;
        EXPECT_TRUE(engine.waitForExit(status, ReplyTimeoutMs));
        EXPECT_EQ(status, 0);
        return lines;
    }

    std::string directory;
    tarnwick_test::EngineProcess engine;
    std::vector<std::string> received;
};

} // namespace end_to_end
