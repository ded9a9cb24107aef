// Checks the pipe harness itself against plain system programs, so a failing engine test points
// at the engine and not at the harness.
#include "test_support.h"

#include <gtest/gtest.h>

using namespace tarnwick_test;

TEST(PipeHarness, EchoesLinesAndReportsExitStatus) {
    EngineProcess cat;
    ASSERT_TRUE(cat.start("/bin/cat"));
    ASSERT_TRUE(cat.sendRaw("first\r\nsec"));
    ASSERT_TRUE(cat.sendLine("ond"));
    std::vector<std::string> lines;
    ASSERT_TRUE(cat.readUntil("sec", lines, 5000));
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second"}));
    std::string line;
    EXPECT_FALSE(cat.readLine(line, 50)); // nothing more yet: a timeout, not a hang
    cat.closeInput();
    lines.clear();
    EXPECT_TRUE(cat.readToEnd(lines, 5000));
    EXPECT_TRUE(lines.empty());
    int status = -1;
    ASSERT_TRUE(cat.waitForExit(status, 5000));
    EXPECT_EQ(status, 0);
}

TEST(PipeHarness, KillsAChildThatDoesNotEnd) {
    EngineProcess sleeper;
    ASSERT_TRUE(sleeper.start("/bin/sleep", "", {"30"}));
    int status = -1;
    EXPECT_FALSE(sleeper.waitForExit(status, 100));
}

TEST(PipeHarness, StartsInTheGivenDirectory) {
    std::string directory = makeTemporaryDirectory();
    ASSERT_FALSE(directory.empty());
    EngineProcess shell;
    ASSERT_TRUE(shell.start("/bin/sh", directory, {"-c", "pwd; echo x > made.txt"}));
    std::string line;
    ASSERT_TRUE(shell.readLine(line, 5000));
    int status = -1;
    ASSERT_TRUE(shell.waitForExit(status, 5000));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fileExists(directory + "/made.txt"));
    removeDirectory(directory);
    EXPECT_FALSE(fileExists(directory));
}
