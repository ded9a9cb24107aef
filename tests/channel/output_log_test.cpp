// Lines to the interface and the logbook: the date and time tokens, one whole line per write,
// the logbook created only in debug mode and opened only once.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <thread>

#include "channel/dispatcher.h"
#include "channel/output_log.h"
#include "channel_fixture.h"

using namespace tarnwick;

namespace {

class OutputLog : public channel_test::ChannelTest {};

// Sunday 30 December 2007, day 364 of the year, 14:05:09.
// clang-format off
const std::tm December30th2007{.tm_sec = 9, .tm_min = 5, .tm_hour = 14, .tm_mday = 30, .tm_mon = 11,
                               .tm_year = 107, .tm_wday = 0, .tm_yday = 363, .tm_isdst = 0,
                               .tm_gmtoff = 0, .tm_zone = nullptr};
// clang-format on

TEST(DateTime, TokensExpandForTheThirtiethOfDecember2007) {
    const char* cases[][2] = {
        {"Am &WL, &T.&M.&JJJ (&W &ML &J, Tag &LL) um &H:&I:&S &X",
         "Am Sonntag, 30.12.2007 (So Dezember 07, Tag 364) um 14:05:09 &X"},
        {"&h&m&jjj", "&h&m&jjj"}, // tokens are case-sensitive
    };
    for (auto& c : cases) {
        char text[128];
        std::strcpy(text, c[0]);
        expandDateTimeTokens(text, December30th2007);
        EXPECT_STREQ(text, c[1]) << c[0];
    }
    std::tm march = December30th2007;
    march.tm_mon = 2;
    char text[64] = "&ML";
    expandDateTimeTokens(text, march);
    EXPECT_STREQ(text, "M\xE4rz"); // Windows-1252, one byte for the umlaut
}

TEST_F(OutputLog, LinesOfTwoThreadsStayWholeAndTheLogbookIsOpenedOnce) {
    sendLine("%s", std::string(3 * CommandBufferSize, 'x').c_str()); // cut, not overrun
    EXPECT_EQ(fileText("output.txt"), std::string(CommandBufferSize - 1, 'x') + "\n");
    EXPECT_EQ(fileText("LogBook.txt"), "<none>"); // nothing is logged without debug mode
    std::ofstream("LogBook.txt") << "a line of an earlier run\n";
    debugMode = 1;
    auto sender = [](char name) {
        for (int i = 0; i < 150; ++i)
            sendLine("info thread %c line %03d", name, i);
    };
    std::thread first(sender, 'A');
    std::thread second(sender, 'B');
    first.join();
    second.join();
    // Every line arrives whole and once, in the output and after its time in the logbook, which
    // the first log line of the run has truncated.
    std::multiset<std::string> expectedSent, expectedLogged, sent, logged;
    for (int i = 0; i < 300; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "info thread %c line %03d", "AB"[i / 150], i % 150);
        expectedSent.insert(text);
        expectedLogged.insert(std::string(" - Engine to GUI: \"") + text + '"');
    }
    std::istringstream outputLines(fileText("output.txt")), logLines(fileText("LogBook.txt"));
    std::string line;
    for (std::getline(outputLines, line); std::getline(outputLines, line);)
        sent.insert(line);
    while (std::getline(logLines, line))
        logged.insert(line.erase(0, 8)); // without its time
    EXPECT_EQ(sent, expectedSent);
    EXPECT_EQ(logged, expectedLogged);
}

} // namespace
