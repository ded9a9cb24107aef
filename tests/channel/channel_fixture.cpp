// Shared set-up of the channel tests.
#include "channel_fixture.h"

#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel/output_log.h"
#include "test_support.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace channel_test {

using namespace tarnwick;

static void recordReportBestMove(int stopped) {
    calls.lastStopped.store(stopped);
    calls.reportBestMoveCalls.fetch_add(1);
    sendLine("bestmove 0000");
}
static void recordReleaseTables() {
    ++calls.releaseTablesCalls;
}
static void recordPrepareTables() {
    ++calls.prepareTablesCalls;
}
static void recordThink() {
    ++calls.thinkCalls;
    searchRequest.stopRequested.store(0);
    bestMoveOwed.store(1);
    searchRequest.thinking.store(1);
    commandPending.store(0);
    searchRequest.ponderMode.store(thinkScript.ponderMode);
    searchRequest.thinking.store(0);
    if (thinkScript.leaveCommandQueued)
        commandPending.store(1);
}
static void recordSetupPosition(const char* text) {
    ++calls.setupPositionCalls;
    calls.setupPositionText = text;
}
static void recordApplyOption() {
    ++calls.applyOptionCalls;
}
static void recordSendIdentity() {
    ++calls.sendIdentityCalls;
}

OutputCapture::OutputCapture() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) == 0) {
        fcntl(ends[0], F_SETFL, O_NONBLOCK); // writers block when it is full; reads never do
        readEnd = ends[0];
        writeEnd = ends[1];
        outputDescriptor = writeEnd;
    }
}

OutputCapture::~OutputCapture() {
    outputDescriptor = STDOUT_FILENO;
    close(readEnd);
    close(writeEnd);
}

std::string OutputCapture::take() {
    char chunk[4096];
    for (;;) {
        ssize_t got = read(readEnd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        pending.append(chunk, static_cast<std::size_t>(got));
    }
    std::string all;
    all.swap(pending);
    return all;
}

bool OutputCapture::readLine(std::string& line, int timeoutMs) {
    for (int waited = 0;; waited += 5) {
        pending += take();
        std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return true;
        }
        if (waited >= timeoutMs)
            return false;
        pollfd entry{.fd = readEnd, .events = POLLIN, .revents = 0};
        poll(&entry, 1, 5);
    }
}

void ChannelTest::SetUp() {
    resetCommandChannel();
    calls.reportBestMoveCalls = 0;
    calls.lastStopped = -1;
    calls.releaseTablesCalls = calls.prepareTablesCalls = calls.thinkCalls = 0;
    calls.setupPositionCalls = calls.applyOptionCalls = calls.sendIdentityCalls = 0;
    calls.setupPositionText.clear();
    thinkScript = ThinkScript{};
    engineCallbacks = EngineCallbacks{
        .reportBestMove = recordReportBestMove,
        .releaseTables = recordReleaseTables,
        .prepareTables = recordPrepareTables,
        .think = recordThink,
        .setupPosition = recordSetupPosition,
        .applyOption = recordApplyOption,
        .sendIdentity = recordSendIdentity,
    };
    char here[4096];
    previousDirectory = getcwd(here, sizeof here) ? here : "/";
    directory = tarnwick_test::makeTemporaryDirectory();
    ASSERT_FALSE(directory.empty());
    ASSERT_EQ(chdir(directory.c_str()), 0);
    output = new OutputCapture();
}

void ChannelTest::TearDown() {
    delete output;
    resetCommandChannel();
    EXPECT_EQ(chdir(previousDirectory.c_str()), 0);
    tarnwick_test::removeDirectory(directory);
}

int ChannelTest::dispatch(const char* word, const char* args) {
    std::strcpy(commandWord, word);
    std::strcpy(commandArgs, args);
    commandPending.store(1);
    return dispatchCommand();
}

std::string ChannelTest::logbookText() {
    std::string text;
    if (!tarnwick_test::readFile(directory + "/LogBook.txt", text))
        return "<no logbook>";
    return text;
}

} // namespace channel_test
