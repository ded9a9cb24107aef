// The reader thread on a pipe, with the test acting as the main thread: how input is cut into
// commands, what it serves itself during a search, and how the end of input becomes a quit.
#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel_fixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace tarnwick;
using channel_test::calls;
using Command = std::pair<std::string, std::string>;
using Commands = std::vector<Command>;

namespace {

class InputReader : public channel_test::ChannelTest {
  protected:
    void startReader() {
        int ends[2];
        ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
        writeEnd = ends[1];
        readerDone = 0;
        // The reader closes its end of the pipe itself.
        reader = std::thread(
            [this](int descriptor) {
                readerThread(descriptor);
                readerDone.store(1, std::memory_order_release);
            },
            ends[0]);
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(write(writeEnd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void endInput() {
        close(writeEnd);
        writeEnd = -1;
    }
    // Acts as the main thread for one command: waits for the slot, takes it and frees it.
    bool takeCommand(Command& command, int timeoutMs = 5000) {
        for (int waited = 0; commandPending.load(std::memory_order_acquire) == 0; waited += 2) {
            if (waited >= timeoutMs)
                return false;
            sleepMilliseconds(2);
        }
        command = {commandWord, commandArgs};
        commandPending.store(0, std::memory_order_release);
        return true;
    }
    // Takes commands until the reader has ended; the last one is always its own `quit`.
    Commands takeAllCommands() {
        Commands all;
        Command command;
        for (int waited = 0; waited < 10000; waited += 2) {
            if (commandPending.load(std::memory_order_acquire)) {
                takeCommand(command);
                all.push_back(command);
            } else if (readerDone.load(std::memory_order_acquire)) {
                break;
            } else {
                sleepMilliseconds(2);
            }
        }
        return all;
    }
    void TearDown() override {
        if (writeEnd >= 0)
            close(writeEnd);
        if (reader.joinable()) {
            commandPending = 0;
            reader.join();
        }
        ChannelTest::TearDown();
    }

    std::thread reader;
    std::atomic<int> readerDone{0};
    int writeEnd = -1;
};

struct CuttingCase {
    const char* name;
    std::vector<std::string> writes;
    Commands expected; // before the reader's own quit
};

TEST_F(InputReader, InputIsCutIntoNormalisedCommands) {
    const std::string longest = "go " + std::string(CommandBufferSize - 4, 'a');
    const CuttingCase cases[] = {
        {"crlf", {"uci\r\n"}, {{"uci", ""}}},
        {"lone cr and lf", {"uci\risready\nquit\r"}, {{"uci", ""}, {"isready", ""}, {"quit", ""}}},
        {"blanks", {" \t go\t wtime  100 \t\n"}, {{"go", "wtime 100"}}},
        {"case kept", {"GO Infinite\n"}, {{"GO", "Infinite"}}},
        {"split",
         {"posi", "tion startpos ", "moves e2e4\n"},
         {{"position", "startpos moves e2e4"}}},
        {"cr then lf apart", {"uci\r", "\nisready\n"}, {{"uci", ""}, {"isready", ""}}},
        {"empty lines", {"\n\r\n  \n\t\r\r\nisready\n\n"}, {{"isready", ""}}},
        {"no line end at the end", {"uci\nisready"}, {{"uci", ""}, {"isready", ""}}},
        {"zero byte", {std::string("is\0ready\n", 9)}, {{"isready", ""}}},
        {"overlong dropped", {std::string(40000, 'x') + "\nisready\n"}, {{"isready", ""}}},
        {"overlong over writes",
         {"go ", std::string(20000, 'y'), std::string(20000, 'z') + " uci\r\nuci\n"},
         {{"uci", ""}}},
        {"longest kept", {longest + "\n"}, {{"go", longest.substr(3)}}},
        {"nothing", {}, {}},
    };
    for (const CuttingCase& c : cases) {
        SCOPED_TRACE(c.name);
        commandPending = 0;
        startReader();
        for (const std::string& bytes : c.writes)
            send(bytes);
        endInput();
        Commands all = takeAllCommands();
        Commands expected = c.expected;
        expected.push_back({"quit", ""});
        EXPECT_EQ(all.size(), expected.size());
        for (std::size_t i = 0; i < all.size() && i < expected.size(); ++i) {
            EXPECT_EQ(all[i].first, expected[i].first) << i;
            EXPECT_EQ(all[i].second, expected[i].second) << i;
        }
        if (reader.joinable())
            reader.join();
    }
}

TEST_F(InputReader, DebugModeLogsReceivedLinesAndDroppedOnes) {
    debugMode = 1;
    startReader();
    send("uci\n" + std::string(20000, 'x') + "\nis");
    Command command;
    ASSERT_TRUE(takeCommand(command));
    sleepMilliseconds(50);
    send("ready\n");
    ASSERT_TRUE(takeCommand(command));
    EXPECT_EQ(command.first, "isready");
    endInput();
    takeAllCommands();
    std::string log = logbookText();
    EXPECT_NE(log.find(" - Received: \"uci\"\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" - Error: Line longer than 16383 characters dropped"), std::string::npos);
    EXPECT_NE(log.find(" - Error: No CRLF in input buffer - Buffer=\"is\"\n"), std::string::npos);
    EXPECT_NE(log.find(" - Received: \"isready\"\n"), std::string::npos);
}

TEST_F(InputReader, DuringASearchTheReaderServesFourWordsItself) {
    searchRequest.thinking = 1;
    searchRequest.ponderMode = 1;
    bestMoveOwed = 1;
    startReader();
    send("isready\n");
    std::string line;
    ASSERT_TRUE(output->readLine(line, 5000));
    EXPECT_EQ(line, "readyok");
    send("ponderhit\ndebug on\nDEBUG OFF\nstop\n");
    ASSERT_TRUE(output->readLine(line, 5000));
    EXPECT_EQ(line, "bestmove 0000");
    EXPECT_EQ(searchRequest.ponderMode.load(), 0);
    EXPECT_EQ(debugMode.load(), 0);
    EXPECT_EQ(searchRequest.stopRequested.load(), 1);
    EXPECT_EQ(calls.lastStopped.load(), 1);
    EXPECT_EQ(commandPending.load(), 0); // none of them is queued

    // A second stop finds nothing owed; another command is queued for after the search.
    send("stop\nposition startpos\n");
    Command command;
    ASSERT_TRUE(takeCommand(command));
    EXPECT_EQ(command, (Command{"position", "startpos"}));
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 1);
    endInput();
}

struct EndCase {
    const char* name;
    int thinking;
    int ponderMode;
    int owed;
    int bestMoves;     // sent by the reader at the end of input
    int stopRequested; // raised by the reader
};

TEST_F(InputReader, EndOfInputStopsOnlyOpenEndedSearchesThenQuits) {
    const EndCase cases[] = {
        {"pondering search", 1, 1, 1, 1, 1},
        {"search with its own limit", 1, 0, 1, 0, 0},
        {"open-ended search that ended itself", 0, 1, 1, 1, 0},
        {"idle after a stop", 0, 1, 0, 0, 0},
        {"idle", 0, 0, 0, 0, 0},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.name);
        calls.reportBestMoveCalls = 0;
        searchRequest.thinking = c.thinking;
        searchRequest.ponderMode = c.ponderMode;
        searchRequest.stopRequested = 0;
        bestMoveOwed = c.owed;
        startReader();
        endInput();
        Command command;
        ASSERT_TRUE(takeCommand(command));
        EXPECT_EQ(command, (Command{"quit", ""}));
        reader.join();
        EXPECT_EQ(calls.reportBestMoveCalls.load(), c.bestMoves);
        EXPECT_EQ(searchRequest.stopRequested.load(), c.stopRequested);
        output->take();
    }
}

TEST_F(InputReader, EveryLineSentBeforeTheEndIsHandedOverFirst) {
    startReader();
    send("uci\nisready\nposition startpos\ngo movetime 300\n");
    endInput();
    Commands all = takeAllCommands();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[3], (Command{"go", "movetime 300"}));
    EXPECT_EQ(all[4], (Command{"quit", ""}));
}

} // namespace
