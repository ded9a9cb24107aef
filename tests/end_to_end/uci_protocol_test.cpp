// The engine binary driven through pipes as a chess GUI drives it: the replies, how input is
// read, the logbook, the one bestmove of each go, and how the process ends. Moves are not
// checked here, only the shape of the conversation.
#include "test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using tarnwick_test::EngineProcess;

namespace {

constexpr int ReplyTimeoutMs = 10000;

const std::vector<std::string> UciReply = {
    "id name Tarnwick 4.15",
    "id author Velmarok",
    "option name Hash type spin default 1 min 1 max 1024",
    "option name Ponder type check default true",
    "uciok",
};

class UciProtocol : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = tarnwick_test::makeTemporaryDirectory();
        ASSERT_FALSE(directory.empty());
        ASSERT_TRUE(engine.start(TARNWICK_ENGINE_PATH, directory));
    }
    void TearDown() override { tarnwick_test::removeDirectory(directory); }

    // Sends the bytes, then reads up to and including the line that starts with `last`.
    std::vector<std::string> exchange(const std::string& bytes, const std::string& last) {
        std::vector<std::string> lines;
        EXPECT_TRUE(engine.sendRaw(bytes));
        EXPECT_TRUE(engine.readUntil(last, lines, ReplyTimeoutMs)) << "no " << last;
        return lines;
    }
    // Ends the input and returns everything the engine still says; expects exit status 0.
    std::vector<std::string> finish() {
        engine.closeInput();
        std::vector<std::string> lines;
        EXPECT_TRUE(engine.readToEnd(lines, ReplyTimeoutMs));
        int status = -1;
        EXPECT_TRUE(engine.waitForExit(status, ReplyTimeoutMs));
        EXPECT_EQ(status, 0);
        return lines;
    }

    static int countBestMoves(const std::vector<std::string>& lines) {
        int count = 0;
        for (const std::string& line : lines)
            count += line.rfind("bestmove ", 0) == 0;
        return count;
    }

    std::string directory;
    EngineProcess engine;
};

TEST_F(UciProtocol, UciIsAnsweredWithIdentityOptionsAndUciok) {
    EXPECT_EQ(exchange("uci\n", "uciok"), UciReply);
    EXPECT_EQ(exchange("setoption name Hash value 64\nuci\n", "uciok"), UciReply);
    EXPECT_EQ(exchange("isready\n", "readyok"), std::vector<std::string>{"readyok"});
    EXPECT_TRUE(finish().empty());
}

TEST_F(UciProtocol, IsreadyBeforeAnyUciIsAnswered) {
    EXPECT_EQ(exchange("isready\n", "readyok"), std::vector<std::string>{"readyok"});
}

TEST_F(UciProtocol, LineEndsBlanksAndCaseAreForgiven) {
    // Unknown words are ignored silently; each input gets exactly its readyok lines.
    const std::pair<const char*, int> inputs[] = {
        {"ucinewgame\nregister later\nxyzzy\nisready\n", 1},
        {"\tIsReady  \r\n", 1},
        {"ISREADY\r", 1},
        {"\n\n  \n\t\r\n isready\t\n", 1},
        {"isready\r\nisready\risready\n", 3},
    };
    for (auto& [input, count] : inputs) {
        ASSERT_TRUE(engine.sendRaw(input));
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(engine.readUntil("readyok", lines, ReplyTimeoutMs)) << input;
        EXPECT_EQ(lines, std::vector<std::string>(count, "readyok")) << input;
    }
    EXPECT_EQ(exchange("Uci\r\n", "uciok"), UciReply); // nothing was left behind
}

TEST_F(UciProtocol, SeveralLinesInOneWriteAreAnsweredInOrder) {
    std::vector<std::string> lines = exchange("isready\nuci\nisready\n", "readyok");
    lines.erase(lines.begin());
    ASSERT_TRUE(engine.readUntil("readyok", lines, ReplyTimeoutMs));
    std::vector<std::string> expected = UciReply;
    expected.push_back("readyok");
    EXPECT_EQ(lines, expected);
}

TEST_F(UciProtocol, LineSplitAcrossTwoWritesIsOneCommand) {
    ASSERT_TRUE(engine.sendRaw("is"));
    std::string line;
    EXPECT_FALSE(engine.readLine(line, 200)); // half a command is no command
    EXPECT_EQ(exchange("ready\n", "readyok"), std::vector<std::string>{"readyok"});
}

TEST_F(UciProtocol, OverlongLineIsDroppedAndTheNextOneRead) {
    std::string overlong = "position fen " + std::string(40000, 'x') + " uci\n";
    EXPECT_EQ(exchange(overlong + "isready\n", "readyok"), std::vector<std::string>{"readyok"});
    std::string longest = "setoption name Hash value 1 " + std::string(16000, 'z') + "\n";
    EXPECT_EQ(exchange(longest + "isready\n", "readyok"), std::vector<std::string>{"readyok"});
}

TEST_F(UciProtocol, QuitAsTheFirstCommandEndsWithStatusZero) {
    ASSERT_TRUE(engine.sendLine("quit"));
    int status = -1;
    ASSERT_TRUE(engine.waitForExit(status, ReplyTimeoutMs));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(tarnwick_test::fileExists(directory + "/LogBook.txt"));
}

TEST_F(UciProtocol, EndOfInputAfterAGoSendsItsBestMoveThenExits) {
    ASSERT_TRUE(engine.sendRaw("uci\nisready\nposition startpos\ngo movetime 300\n"));
    std::vector<std::string> lines = finish();
    std::vector<std::string> expected = UciReply;
    expected.push_back("readyok");
    ASSERT_GE(lines.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);
    EXPECT_EQ(countBestMoves(lines), 1);
    EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u);
}

TEST_F(UciProtocol, EndOfInputWithoutALastLineEndStillCarriesItOut) {
    ASSERT_TRUE(engine.sendRaw("isready"));
    EXPECT_EQ(finish(), std::vector<std::string>{"readyok"});
}

TEST_F(UciProtocol, EndOfInputStopsAnInfiniteSearch) {
    exchange("position startpos\ngo infinite\nisready\n", "readyok");
    EXPECT_EQ(countBestMoves(finish()), 1);
}

TEST_F(UciProtocol, IdleEngineAnswersStopWithNothing) {
    // Tournament managers send stop to idle engines; a stray bestmove would be taken as the
    // answer to the next go.
    std::vector<std::string> lines = exchange("stop\nstop\nponderhit\nisready\n", "readyok");
    EXPECT_EQ(lines, std::vector<std::string>{"readyok"});
    lines = exchange("position startpos\ngo depth 2\n", "bestmove ");
    lines = exchange("stop\nisready\n", "readyok");
    EXPECT_EQ(lines, std::vector<std::string>{"readyok"});
    EXPECT_EQ(countBestMoves(finish()), 0);
}

TEST_F(UciProtocol, EachGoGetsExactlyOneBestMove) {
    struct Round {
        const char* go;
        const char* during; // sent while the search runs, after a readyok shows it runs
    } rounds[] = {
        {"go infinite", "stop"},
        {"go wtime 600000 btime 600000 movestogo 1", "stop"}, // stopped before its clock ends
        {"go ponder wtime 600000 btime 600000", "ponderhit\nstop"},
        {"go movetime 100", ""},
        {"go depth 3", ""},
        {"go nodes 1000", ""},
        {"Go wtime 1000", ""},
        // Another command stops the search without a bestmove; the move stays owed until stop.
        {"GO infinite", "position startpos\nstop"},
    };
    exchange("uci\nisready\n", "readyok");
    int expectedBestMoves = 0;
    std::vector<std::string> all;
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.go);
        std::vector<std::string> lines =
            exchange(std::string("position startpos\n") + round.go + "\nisready\n", "readyok");
        all.insert(all.end(), lines.begin(), lines.end());
        if (*round.during) {
            ASSERT_TRUE(engine.sendLine(round.during));
        }
        ++expectedBestMoves;
        if (countBestMoves(all) < expectedBestMoves) {
            lines.clear();
            ASSERT_TRUE(engine.readUntil("bestmove ", lines, ReplyTimeoutMs));
            all.insert(all.end(), lines.begin(), lines.end());
        }
        // A readyok after the search shows that no late second bestmove follows.
        lines = exchange("isready\n", "readyok");
        all.insert(all.end(), lines.begin(), lines.end());
        EXPECT_EQ(countBestMoves(all), expectedBestMoves);
    }
    std::vector<std::string> rest = finish();
    all.insert(all.end(), rest.begin(), rest.end());
    EXPECT_EQ(countBestMoves(all), expectedBestMoves);
}

TEST_F(UciProtocol, QuitDuringASearchEndsTheProcess) {
    exchange("position startpos\ngo infinite\nisready\n", "readyok");
    ASSERT_TRUE(engine.sendLine("quit"));
    int status = -1;
    ASSERT_TRUE(engine.waitForExit(status, ReplyTimeoutMs));
    EXPECT_EQ(status, 0);
}

TEST_F(UciProtocol, DebugOnWritesATimeStampedLogbook) {
    exchange("isready\n", "readyok");
    EXPECT_FALSE(tarnwick_test::fileExists(directory + "/LogBook.txt"));
    exchange("debug on\nuci\nucinewgame\nisready\n", "readyok");
    exchange("debug off\nisready\n", "readyok");
    finish();

    std::string text;
    ASSERT_TRUE(tarnwick_test::readFile(directory + "/LogBook.txt", text));
    std::istringstream lines(text);
    std::vector<std::string> messages;

    for (std::string line; std::getline(lines, line);) {
        ASSERT_TRUE(line.size() >= 11 &&
                    tarnwick_test::matchesShape(line.substr(0, 11), "##:##:## - "))
            << line;
        messages.push_back(line.substr(11));
    }
    auto has = [&](const std::string& message) {
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    };
    for (const std::string& reply : UciReply)
        EXPECT_TRUE(has("Engine to GUI: \"" + reply + "\"")) << reply;
    EXPECT_TRUE(has("Received: \"ucinewgame\""));
    EXPECT_TRUE(has("Processing: \"ucinewgame\" \"\""));
    EXPECT_TRUE(has("Error: Unknown command - \"ucinewgame\" \"\""));
    EXPECT_TRUE(has("Engine to GUI: \"readyok\""));
    EXPECT_TRUE(has("Processing: \"debug\" \"off\""));
}

TEST_F(UciProtocol, LogbookOfAnEarlierRunIsTruncatedOnlyWhenDebugging) {
    engine.sendLine("quit");
    int status = -1;
    ASSERT_TRUE(engine.waitForExit(status, ReplyTimeoutMs));
    const std::string logbook = directory + "/LogBook.txt";
    {
        FILE* old = fopen(logbook.c_str(), "w");
        ASSERT_NE(old, nullptr);
        fputs("earlier run\n", old);
        fclose(old);
    }
    EngineProcess quiet;
    ASSERT_TRUE(quiet.start(TARNWICK_ENGINE_PATH, directory));
    quiet.sendRaw("uci\nisready\nquit\n");
    ASSERT_TRUE(quiet.waitForExit(status, ReplyTimeoutMs));
    std::string text;
    ASSERT_TRUE(tarnwick_test::readFile(logbook, text));
    EXPECT_EQ(text, "earlier run\n");

    EngineProcess debugging;
    ASSERT_TRUE(debugging.start(TARNWICK_ENGINE_PATH, directory));
    debugging.sendRaw("debug on\nisready\nquit\n");
    ASSERT_TRUE(debugging.waitForExit(status, ReplyTimeoutMs));
    ASSERT_TRUE(tarnwick_test::readFile(logbook, text));
    EXPECT_EQ(text.find("earlier run"), std::string::npos);
    EXPECT_NE(text.find("Engine to GUI: \"readyok\""), std::string::npos);
}

} // namespace
