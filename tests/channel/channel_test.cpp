// The command channel in this process: budgets and limits of `go`, the owed bestmove sent once,
// option values, date tokens, and whole lines from two threads to the output and the logbook.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "channel/dispatcher.h"
#include "channel/go_parameters.h"
#include "channel/input_reader.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "test_support.h"

using namespace tarnwick;

namespace {

// The channel's state reset, a fresh working folder for the logbook, and the output lines caught
// in a file there.
class Channel : public ::testing::Test {
  protected:
    void SetUp() override {
        resetCommandChannel();
        // Appended writes stay whole, as they do in a pipe.
        outputDescriptor = open("output.txt", O_WRONLY | O_CREAT | O_APPEND, 0600);
        ASSERT_GE(outputDescriptor, 0);
    }
    void TearDown() override {
        close(outputDescriptor);
        resetCommandChannel(); // closes the logbook too
    }
    // The whole text of a file in the working folder, or "<none>".
    std::string fileText(const char* name) {
        std::string text;
        return tarnwick_test::readFile(name, text) ? text : "<none>";
    }

    const tarnwick_test::WorkingFolder folder; // made before SetUp, removed after TearDown
};

// What parseGoParameters makes of `text`: "budget depthLimit nodeLimit clockEndsSearch
// ponderMode [searchMoves]". Nothing of the previous search may stay behind.
std::string parsed(const std::string& text, char side, int ponderBefore) {
    std::strcpy(searchRequest.searchMoves, "left from before");
    searchRequest.ponderMode = ponderBefore;
    const int budget = parseGoParameters(text.c_str(), side);
    char result[CommandBufferSize + 64];
    std::snprintf(result, sizeof result, "%d %d %llu %d %d [%s]", budget, searchRequest.depthLimit,
                  static_cast<unsigned long long>(searchRequest.nodeLimit),
                  searchRequest.clockEndsSearch, searchRequest.ponderMode.load(),
                  searchRequest.searchMoves);
    return result;
}

// Rows without black keys are checked for Black too, with the white keys swapped for black ones.
// Notable rows: movestogo 0 counts as absent (20 moves with an increment); the other side's keys
// are ignored; keys are case-sensitive; movetime replaces the clock; depth or nodes alone leave
// the clock out of it, with a clock key whichever comes first ends the search; depth is at least
// one iteration; node counts saturate; the budget never plans the margin of the usable time.
TEST_F(Channel, BudgetsAndLimitsForBothSides) {
    // clang-format off
    const char* cases[][2] = {
        {"wtime 300000", "6500 0 0 1 0 []"}, {"wtime 180000 winc 2000", "7450 0 0 1 0 []"},
        {"wtime 60000 winc 1000", "800 0 0 1 0 []"}, {"wtime 60000", "1 0 0 1 0 []"},
        {"wtime 10000 movestogo 2", "1750 0 0 1 0 []"}, {"wtime 1000 winc 10000", "1 0 0 1 0 []"},
        {"wtime 3600000 movestogo 40", "82500 0 0 1 0 []"}, {"wtime -500", "1 0 0 1 0 []"},
        {"wtime 20000 winc 20001", "16000 0 0 1 0 []"}, {"wtime 100000 winc 100000", "92000 0 0 1 0 []"},
        {"wtime 180000 winc 2000 movestogo 0", "7450 0 0 1 0 []"},
        {"wtime 300000 btime 1 winc 0 binc 99999", "6500 0 0 1 0 []"},
        {"btime 5000", "1 0 0 1 0 []"}, {"WTIME 300000", "1 0 0 1 0 []"},
        {"", "1 0 0 1 0 []"}, {"infinite", "1 0 0 1 1 []"},
        {"ponder wtime 300000 btime 300000", "6500 0 0 1 1 []"}, {"INFINITE", "1 0 0 1 0 []"},
        {"movetime 5000", "5000 0 0 1 0 []"}, {"movetime 0", "1 0 0 1 0 []"},
        {"movetime -20", "1 0 0 1 0 []"}, {"wtime 300000 movetime 200", "200 0 0 1 0 []"},
        {"depth 5", "1 5 0 0 0 []"}, {"depth 0", "1 1 0 0 0 []"},
        {"depth 7 wtime 300000", "6500 7 0 1 0 []"}, {"depth 7 movetime 900", "900 7 0 1 0 []"},
        {"depth 7 winc 1000", "1 7 0 1 0 []"}, {"depth 7 btime 300000", "1 7 0 0 0 []"},
        {"nodes 10000", "1 0 10000 0 0 []"}, {"nodes 5000000000", "1 0 5000000000 0 0 []"},
        {"nodes -3", "1 0 1 0 0 []"},
        {"nodes 99999999999999999999999", "1 0 18446744073709551615 0 0 []"},
        {"infinite depth 3", "1 3 0 0 1 []"},
        {"wtime 300000 searchmoves e2e4 d2d4", "6500 0 0 1 0 [e2e4 d2d4]"},
        {"searchmoves e7e8q", "1 0 0 1 0 [e7e8q]"}, {"searchmoves", "1 0 0 1 0 []"},
        {"DEPTH 5 Movetime 100", "1 0 0 1 0 []"}, {"mate 3", "1 7 0 0 0 []"},
        {"mate 0", "1 1 0 0 0 []"}, {"mate -4", "1 1 0 0 0 []"}, {"depth 2 mate 3", "1 2 0 0 0 []"},
        {"mate 2 movetime 900", "900 5 0 1 0 []"}, {"mate 99999999999", "1 2147483647 0 0 0 []"},
        // Absurd numbers neither overflow nor give less than 1.
        {"wtime 2147483647 winc 2147483647", "2040106465 0 0 1 0 []"},
        {"wtime 99999999999999999999 winc -99999999999999999999 movestogo 1",
         "2040106465 0 0 1 0 []"},
        {"wtime -2147483648 winc 2147483647 movestogo -2147483648", "1 0 0 1 0 []"},
        {"movetime 99999999999999999999", "2147483647 0 0 1 0 []"},
    };
    // clang-format on
    for (auto& [text, expected] : cases) {
        std::string black = text;
        for (const char* key : {"wtime", "winc"})
            for (std::size_t at; (at = black.find(key)) != std::string::npos;)
                black[at] = 'b';
        for (int ponderBefore : {0, 1}) {
            EXPECT_EQ(parsed(text, 'w', ponderBefore), expected) << text;
            if (!std::strchr(text, 'b')) {
                EXPECT_EQ(parsed(black, 'b', ponderBefore), expected) << black;
            }
        }
    }
    std::string longest = "searchmoves"; // copied within its buffer
    while (longest.size() < CommandBufferSize - 6)
        longest += " e2e4";
    EXPECT_EQ(parsed(longest, 'w', 0), "1 0 0 1 0 [" + longest.substr(12) + "]");
}

std::atomic<int> bestMovesSent{0};

TEST_F(Channel, BestMoveIsSentOnceWhenBothThreadsTry) {
    const EngineCallbacks saved = engineCallbacks;
    engineCallbacks.reportBestMove = [](int) { bestMovesSent.fetch_add(1); };
    bestMovesSent = 0;
    for (int round = 0; round < 200; ++round) {
        bestMoveOwed = 1;
        std::thread reader([] { sendOwedBestMove(1); });
        sendOwedBestMove(0);
        reader.join();
    }
    engineCallbacks = saved;
    EXPECT_EQ(bestMovesSent.load(), 200);
}

TEST_F(Channel, OptionNamesInAnyCaseAndValuesHeldToTheirRanges) {
    EXPECT_EQ(hashSizeForTables(), DefaultHashSizeMb); // before any `uci`
    // Names in any case, but with their own blanks and letters. Hash has no upper limit and is at
    // least 1 after any other setoption; the other spins are held to their ranges, and keep their
    // value when none is given.
    int &hash = hashSizeMb, &overhead = moveOverheadMs, &lines = multiPvLines;
    // clang-format off
    const struct { const char* args; int& option; int before; int after; } cases[] = {
        {"name Hash value 64", hash, 1, 64}, {"name Hash value 2048", hash, 1, 2048},
        {"name Hash value -5", hash, 16, 1}, {"name Hash value abc", hash, 16, 1},
        {"name hash value 64", hash, 16, 64}, {"name HASH value 3", hash, 16, 3},
        {"name Hash value 99999999999999", hash, 1, 2147483647},
        {"name Ponder value false", hash, 0, 1}, {"name Clear Hash value 7", hash, 16, 16},
        {"name Move Overhead value 9999", overhead, 3000, 5000},
        {"name Move Overhead value -1", overhead, 3000, 0},
        {"name Move Overhead value fast", overhead, 70, 70},
        {"name Move Overhead", overhead, 70, 70}, {"name move overhead value 9", overhead, 70, 9},
        {"name Move  Overhead value 9", overhead, 70, 70}, {"name MoveOverhead value 9", overhead, 70, 70},
        {"name MultiPV value 3", lines, 1, 3}, {"name MultiPV value 0", lines, 5, 1},
        {"name MultiPV value 99999999999", lines, 1, 32}, {"name MultiPV value +4", lines, 1, 4},
        {"name MultiPV value", lines, 4, 4}, {"name MultiPVs value 2", lines, 4, 4},
        {"name MultiPv value 3", lines, 1, 3}, {"name multipv value 2", lines, 1, 2},
        {"name uci_elo value 1200", strengthElo, 1500, 1200},
    };
    // clang-format on
    for (auto& c : cases) {
        c.option = c.before;
        std::strcpy(commandArgs, c.args);
        applyOption();
        EXPECT_EQ(c.option, c.after) << c.args;
    }
}

// Every token for Sunday 30 December 2007, day 364 of the year, 14:05:09, the long ones before
// the short ones that begin like them; March's a-umlaut is one Windows-1252 byte.
TEST(DateTime, TokensExpandForTheThirtiethOfDecember2007) {
    std::tm when{};
    when.tm_year = 107, when.tm_mon = 11, when.tm_mday = 30, when.tm_yday = 363;
    when.tm_hour = 14, when.tm_min = 5, when.tm_sec = 9;
    char text[128] = "Am &WL, &T.&M.&JJJ (&W &ML &J, Tag &LL) um &H:&I:&S &X &h";
    expandDateTimeTokens(text, when);
    EXPECT_STREQ(text, "Am Sonntag, 30.12.2007 (So Dezember 07, Tag 364) um 14:05:09 &X &h");
    when.tm_mon = 2;
    std::strcpy(text, "&ML");
    expandDateTimeTokens(text, when);
    EXPECT_STREQ(text, "M\xE4rz");
}

TEST_F(Channel, LinesOfTwoThreadsStayWholeAndTheLogbookIsOpenedOnce) {
    sendLine("%s", std::string(3 * CommandBufferSize, 'x').c_str()); // cut, not overrun
    EXPECT_EQ(fileText("output.txt"), std::string(CommandBufferSize - 1, 'x') + "\n");
    EXPECT_EQ(fileText("LogBook.txt"), "<none>"); // nothing is logged without debug mode
    std::ofstream("LogBook.txt") << "a line of an earlier run\n";
    debugMode = 1;
    const auto sender = [](char name) {
        for (int i = 0; i < 150; ++i)
            sendLine("info thread %c line %03d", name, i);
    };
    std::thread first(sender, 'A'), second(sender, 'B');
    first.join(), second.join();
    // Every line arrives whole and once, in the output and after its time in the logbook, which
    // the first log line of the run has truncated: sorted, the lines of the two threads.
    std::vector<std::string> sent, logged;
    std::istringstream outputLines(fileText("output.txt")), logLines(fileText("LogBook.txt"));
    std::string line;
    for (std::getline(outputLines, line); std::getline(outputLines, line);)
        sent.push_back(line);
    while (std::getline(logLines, line))
        logged.push_back(line.erase(0, 8)); // without its time
    std::sort(sent.begin(), sent.end()), std::sort(logged.begin(), logged.end());
    ASSERT_EQ(sent.size(), 300u);
    ASSERT_EQ(logged.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "info thread %c line %03d", "AB"[i / 150], i % 150);
        EXPECT_EQ(sent[i], text);
        EXPECT_EQ(logged[i], std::string(" - Engine to GUI: \"") + text + '"');
    }
}

} // namespace
