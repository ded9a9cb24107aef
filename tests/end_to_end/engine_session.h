// A test's conversation with the engine binary through pipes, held as a chess GUI holds it: one
// engine process in a fresh working directory, and every line it sends kept in `received`.
#pragma once

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "test_support.h"

namespace end_to_end {

inline constexpr int ReplyTimeoutMs = 10000;

inline int countPrefixed(const std::vector<std::string>& lines, const std::string& prefix) {
    int count = 0;
    for (const std::string& line : lines)
        count += line.starts_with(prefix) ? 1 : 0;
    return count;
}

class EngineSession : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = tarnwick_test::makeTemporaryDirectory();
        ASSERT_TRUE(engine.start(tarnwick_test::engineCommand(), directory));
    }
    void TearDown() override { tarnwick_test::removeDirectory(directory); }

    // Sends the bytes, then reads up to and including the line that starts with `last`.
    std::vector<std::string> exchange(const std::string& bytes, const std::string& last,
                                      int timeoutMs = ReplyTimeoutMs) {
        std::vector<std::string> lines;
        EXPECT_TRUE(engine.sendRaw(bytes));
        EXPECT_TRUE(engine.readUntil(last, lines, timeoutMs)) << "no " << last;
        received.insert(received.end(), lines.begin(), lines.end());
        return lines;
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
