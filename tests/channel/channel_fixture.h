// Shared set-up of the channel tests: a clean channel state, recording stand-ins for the engine
// entry points, a fresh working directory for the logbook, and a pipe that catches the output.
#pragma once

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace channel_test {

// What the recording entry points saw.
struct CallRecord {
    std::atomic<int> reportBestMoveCalls;
    std::atomic<int> lastStopped;
    int releaseTablesCalls;
    int prepareTablesCalls;
    int thinkCalls;
    int setupPositionCalls;
    std::string setupPositionText;
    int applyOptionCalls;
    int sendIdentityCalls;
};
inline CallRecord calls;

// What the recording `think` does, set by each test.
struct ThinkScript {
    int ponderMode;         // ponderMode left behind when think returns
    int leaveCommandQueued; // 1: simulate a command queued during the search
};
inline ThinkScript thinkScript;

// Captures what sendLine and reportError write.
class OutputCapture {
  public:
    OutputCapture();
    ~OutputCapture();
    // Everything written so far, consumed.
    std::string take();
    // The next complete line, waiting up to timeoutMs; false on timeout.
    bool readLine(std::string& line, int timeoutMs);

  private:
    int readEnd = -1;
    int writeEnd = -1;
    std::string pending;
};

class ChannelTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Puts a command in the slot as the reader does and runs the dispatcher once.
    int dispatch(const char* word, const char* args = "");
    std::string logbookText();

    std::string directory;
    std::string previousDirectory;
    OutputCapture* output = nullptr;
};

} // namespace channel_test
