// Lines to the interface and the logbook: one whole line per write, the logbook created only by
// the first log line and only once, the date and time tokens, and the out-of-memory line.
#include "channel/dispatcher.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"
#include "channel_fixture.h"
#include "test_support.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

using namespace tarnwick;

namespace {

class OutputLog : public channel_test::ChannelTest {};

static std::tm december30th2007() {
    std::tm when{};
    when.tm_year = 2007 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 30;
    when.tm_wday = 0;   // a Sunday
    when.tm_yday = 363; // day 364 of the year
    when.tm_hour = 14;
    when.tm_min = 5;
    when.tm_sec = 9;
    return when;
}

TEST_F(OutputLog, DateTokensExpandForTheThirtiethOfDecember2007) {
    const char* cases[][2] = {
        {"&JJJ", "2007"},
        {"&J", "07"},
        {"&ML", "Dezember"},
        {"&M", "12"},
        {"&T", "30"},
        {"&WL", "Sonntag"},
        {"&W", "So"},
        {"&LL", "364"},
        {"&H", "14"},
        {"&I", "05"},
        {"&S", "09"},
        {"Am &WL, &T.&M.&JJJ (&W &ML &J, Tag &LL) um &H:&I:&S &X",
         "Am Sonntag, 30.12.2007 (So Dezember 07, Tag 364) um 14:05:09 &X"},
        {"&h&m&jjj", "&h&m&jjj"}, // tokens are case-sensitive
    };
    for (auto& c : cases) {
        char text[128];
        std::strcpy(text, c[0]);
        expandDateTimeTokens(text, december30th2007());
        EXPECT_STREQ(text, c[1]) << c[0];
    }
    std::tm march = december30th2007();
    march.tm_mon = 2;
    char text[16] = "&ML";
    expandDateTimeTokens(text, march);
    EXPECT_STREQ(text, "M\xE4rz"); // Windows-1252, one byte for the umlaut
}

TEST_F(OutputLog, FormatDateTimeUsesLocalTimePlusTheOffset) {
    const char* previous = std::getenv("TZ");
    std::string saved = previous ? previous : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    std::tm noon = december30th2007();
    noon.tm_hour = 12;
    noon.tm_min = noon.tm_sec = 0;
    std::time_t target = timegm(&noon);
    char text[64] = "&T. &ML &JJJ, &WL";
    formatDateTime(text, static_cast<int>(target - std::time(nullptr)));
    EXPECT_STREQ(text, "30. Dezember 2007, Sonntag");
    if (previous)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(OutputLog, SendLineWritesOneLineAndEchoesItOnlyInDebugMode) {
    sendLine("option name %s type %s", "Hash", "spin");
    EXPECT_EQ(output->take(), "option name Hash type spin\n");
    EXPECT_FALSE(tarnwick_test::fileExists("LogBook.txt"));

    debugMode = 1;
    sendLine("uciok");
    EXPECT_EQ(output->take(), "uciok\n");
    EXPECT_TRUE(tarnwick_test::matchesShape(logbookText(), "##:##:## - Engine to GUI: \"uciok\"\n"))
        << logbookText();
}

TEST_F(OutputLog, OverlongLinesAreCutNotOverrun) {
    std::string huge(3 * CommandBufferSize, 'x');
    sendLine("%s", huge.c_str());
    EXPECT_EQ(output->take(), std::string(CommandBufferSize - 1, 'x') + "\n");
    writeLog("%s", huge.c_str()); // the logbook cuts too, within its own buffer
    EXPECT_LT(logbookText().size(), huge.size());
}

TEST_F(OutputLog, OutOfMemoryLineIsInCodePage850) {
    reportError(OutOfMemoryFormat, 123456u);
    EXPECT_EQ(output->take(), "123456 Bytes Arbeitsspeicher nicht mehr verf\x81gbar\n");
    EXPECT_FALSE(tarnwick_test::fileExists("LogBook.txt"));
}

TEST_F(OutputLog, LinesOfTwoThreadsStayWholeAndTheLogbookIsOpenedOnce) {
    {
        std::ofstream old("LogBook.txt");
        old << "a line of an earlier run\n";
    }
    debugMode = 1;
    constexpr int LinesPerThread = 150; // output and echo fit the pipe: no one waits for a reader
    auto sender = [](char name) {
        for (int i = 0; i < LinesPerThread; ++i)
            sendLine("info thread %c line %03d", name, i);
    };
    std::thread first(sender, 'A');
    std::thread second(sender, 'B');
    first.join();
    second.join();

    std::istringstream outputLines(output->take());
    std::istringstream logLines(logbookText()); // truncated at the first line of this run
    int outputCount = 0;
    int logCount = 0;
    for (std::string line; std::getline(outputLines, line); ++outputCount)
        ASSERT_TRUE(tarnwick_test::matchesShape(line, "info thread ? line ###")) << line;
    for (std::string line; std::getline(logLines, line); ++logCount) {
        ASSERT_TRUE(tarnwick_test::matchesShape(
            line, "##:##:## - Engine to GUI: \"info thread ? line ###\""))
            << line;
    }
    EXPECT_EQ(outputCount, 2 * LinesPerThread);
    EXPECT_EQ(logCount, 2 * LinesPerThread);
}

} // namespace
