// Shared set-up of the channel tests: the channel's state reset, a fresh working folder for the
// logbook, and the output lines caught in a file there.
#pragma once

#include <fcntl.h>
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
        // Appended writes stay whole, as they do in a pipe.
        tarnwick::outputDescriptor = open("output.txt", O_WRONLY | O_CREAT | O_APPEND, 0600);
        ASSERT_GE(tarnwick::outputDescriptor, 0);
    }
    void TearDown() override {
        close(tarnwick::outputDescriptor);
        tarnwick::resetCommandChannel(); // closes the logbook too
    }
    // The whole text of a file in the working folder, or "<none>".
    std::string fileText(const char* name) {
        std::string text;
        return tarnwick_test::readFile(name, text) ? text : "<none>";
    }

    const tarnwick_test::WorkingFolder folder; // made before SetUp, removed after TearDown
};

} // namespace channel_test
