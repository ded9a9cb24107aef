// Shared set-up of the channel tests: the channel's state reset, a fresh working directory for
// the logbook, and the output lines caught in a file there.
#pragma once

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "channel/dispatcher.h"
#include "channel/output_log.h"
#include "test_support.h"

namespace channel_test {

class ChannelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tarnwick::resetCommandChannel();
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(directory = tarnwick_test::makeTemporaryDirectory());
        // Appended writes stay whole, as they do in a pipe.
        tarnwick::outputDescriptor = open("output.txt", O_WRONLY | O_CREAT | O_APPEND, 0600);
        ASSERT_GE(tarnwick::outputDescriptor, 0);
    }
    void TearDown() override {
        if (tarnwick::outputDescriptor > STDOUT_FILENO)
            close(tarnwick::outputDescriptor);
        tarnwick::resetCommandChannel(); // closes the logbook too
        std::filesystem::current_path(previousDirectory);
        tarnwick_test::removeDirectory(directory);
    }
    // The whole text of a file in the working directory, or "<none>".
    std::string fileText(const char* name) {
        std::string text;
        return tarnwick_test::readFile(directory + "/" + name, text) ? text : "<none>";
    }

    std::string directory;
    std::filesystem::path previousDirectory;
};

} // namespace channel_test
