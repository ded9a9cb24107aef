// The dispatcher's rows, driven through the slot as the reader fills it, with recording entry
// points: which entry point each word reaches, what is sent, and when a bestmove is owed.
#include "channel/dispatcher.h"
#include "channel/input_reader.h"
#include "channel_fixture.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <string>

using namespace tarnwick;
using channel_test::calls;
using channel_test::thinkScript;

namespace {

class Dispatcher : public channel_test::ChannelTest {};

TEST_F(Dispatcher, EmptySlotIsNothingToDo) {
    EXPECT_EQ(dispatchCommand(), 1);
    EXPECT_EQ(output->take(), "");
}

TEST_F(Dispatcher, WordsReachTheirEntryPointsInAnyCase) {
    for (const char* word : {"uci", "UCI", "Uci"}) {
        EXPECT_EQ(dispatch(word), 1);
        EXPECT_EQ(output->take(), "uciok\n") << word;
    }
    EXPECT_EQ(calls.sendIdentityCalls, 3);

    EXPECT_EQ(dispatch("IsReady"), 1);
    EXPECT_EQ(calls.prepareTablesCalls, 1);
    EXPECT_EQ(output->take(), "readyok\n");

    EXPECT_EQ(dispatch("Position", "startpos moves e2e4"), 1);
    EXPECT_EQ(calls.setupPositionCalls, 1);
    EXPECT_EQ(calls.setupPositionText, "startpos moves e2e4");

    EXPECT_EQ(dispatch("setoption", "name Hash value 64"), 1);
    EXPECT_EQ(calls.applyOptionCalls, 1);
    EXPECT_EQ(commandPending.load(), 0);
}

TEST_F(Dispatcher, UnknownWordsAreIgnoredAndLoggedOnlyInDebugMode) {
    for (const char* word : {"ucinewgame", "register", "xyzzy", "gogo"})
        EXPECT_EQ(dispatch(word, "some args"), 1);
    EXPECT_EQ(output->take(), "");
    EXPECT_FALSE(tarnwick_test::fileExists("LogBook.txt"));
    EXPECT_EQ(calls.thinkCalls, 0);

    EXPECT_EQ(dispatch("debug", "ON"), 1);
    EXPECT_EQ(debugMode.load(), 1);
    EXPECT_EQ(dispatch("ucinewgame"), 1);
    EXPECT_EQ(dispatch("debug", "maybe"), 1); // changes nothing
    EXPECT_EQ(debugMode.load(), 1);
    EXPECT_EQ(dispatch("debug", "off"), 1);
    EXPECT_EQ(debugMode.load(), 0);
    EXPECT_EQ(dispatch("foo", "bar"), 1);
    std::string log = logbookText();
    EXPECT_NE(log.find(" - Processing: \"ucinewgame\" \"\"\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" - Error: Unknown command - \"ucinewgame\" \"\"\n"), std::string::npos);
    EXPECT_NE(log.find(" - Processing: \"debug\" \"off\"\n"), std::string::npos);
    EXPECT_EQ(log.find("foo"), std::string::npos); // logging was off again
    EXPECT_EQ(log.find("ON"), std::string::npos);  // switching on is not logged
}

TEST_F(Dispatcher, QuitReleasesTablesAndLeavesTheSlotSet) {
    EXPECT_EQ(dispatch("QUIT"), 0);
    EXPECT_EQ(calls.releaseTablesCalls, 1);
    EXPECT_EQ(commandPending.load(), 1);
}

TEST_F(Dispatcher, EachGoOwesExactlyOneBestMove) {
    EXPECT_EQ(dispatch("go", "wtime 1000"), 1);
    EXPECT_EQ(calls.thinkCalls, 1);
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 1);
    EXPECT_EQ(calls.lastStopped.load(), 0);
    // Nothing more is owed: stop and ponderhit of an idle engine send nothing.
    EXPECT_EQ(dispatch("stop"), 1);
    EXPECT_EQ(dispatch("ponderhit"), 1);
    EXPECT_EQ(dispatch("stop"), 1);
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 1);
    EXPECT_EQ(output->take(), "bestmove 0000\n");
}

TEST_F(Dispatcher, StopBeforeAnySearchSendsNothing) {
    EXPECT_EQ(dispatch("stop"), 1);
    EXPECT_EQ(dispatch("ponderhit"), 1);
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 0);
    EXPECT_EQ(output->take(), "");
}

TEST_F(Dispatcher, OpenEndedSearchThatEndedByItselfAnswersStopOrPonderhit) {
    thinkScript.ponderMode = 1;
    for (const char* word : {"stop", "ponderhit"}) {
        calls.reportBestMoveCalls = 0;
        EXPECT_EQ(dispatch("go", "ponder"), 1);
        EXPECT_EQ(calls.reportBestMoveCalls.load(), 0) << "owed until " << word;
        EXPECT_EQ(dispatch(word), 1);
        EXPECT_EQ(calls.reportBestMoveCalls.load(), 1) << word;
        EXPECT_EQ(calls.lastStopped.load(), std::string(word) == "stop" ? 1 : 0);
        EXPECT_EQ(dispatch(word), 1);
        EXPECT_EQ(calls.reportBestMoveCalls.load(), 1) << "a second " << word;
    }
}

TEST_F(Dispatcher, GoWhileAMoveIsOwedSendsThatMoveFirst) {
    thinkScript.ponderMode = 1;
    EXPECT_EQ(dispatch("go", "infinite"), 1);
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 0);
    EXPECT_EQ(dispatch("go", "infinite"), 1);
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 1);
    EXPECT_EQ(calls.lastStopped.load(), 1);
    EXPECT_EQ(dispatch("stop"), 1);
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 2); // one per go
}

TEST_F(Dispatcher, CommandQueuedDuringTheSearchWaitsForTheNextCall) {
    thinkScript.leaveCommandQueued = 1;
    EXPECT_EQ(dispatch("go", "wtime 1000"), 1);
    EXPECT_EQ(commandPending.load(), 1); // left for the next call
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 1);
}

TEST_F(Dispatcher, BestMoveIsSentOnceWhenBothThreadsTry) {
    for (int round = 0; round < 200; ++round) {
        bestMoveOwed = 1;
        std::thread reader([] { sendOwedBestMove(1); });
        sendOwedBestMove(0);
        reader.join();
    }
    EXPECT_EQ(calls.reportBestMoveCalls.load(), 200);
}

} // namespace
