// The engine binary driven through pipes as a chess GUI drives it: the replies, how input is
// read, the logbook in debug mode, and how the process ends.
#include <cctype>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "engine_session.h"

using namespace end_to_end;
using Lines = std::vector<std::string>;

namespace {

class UciProtocol : public EngineSession {};

const Lines UciReply = {
    "id name Tarnwick 4.15",
    "id author Velmarok",
    "option name Hash type spin default 1 min 1 max 1024",
    "option name Ponder type check default true",
    "option name Move Overhead type spin default 3000 min 0 max 5000",
    "option name MultiPV type spin default 1 min 1 max 32",
    "option name Clear Hash type button",
    "uciok",
};

TEST_F(UciProtocol, InputIsReadAsAGuiWritesIt) {
    EXPECT_EQ(exchange("isready\n", "readyok"), Lines{"readyok"}); // before any `uci`
    EXPECT_EQ(exchange("uci\n", "uciok"), UciReply);
    // Each input gets exactly its readyok lines: unknown words are ignored, line ends, blanks and
    // case are forgiven, empty lines and a zero byte dropped, an overlong line dropped whole (its
    // "uci" is never read as a command) while the longest line still fits.
    const std::pair<std::string, int> inputs[] = {
        {"ucinewgame\nregister later\nxyzzy\nisready\n", 1},
        {"\tIsReady  \r\n", 1},
        {"ISREADY\r", 1},
        {"\n\n  \n\t\r\n isready\t\n", 1},
        {"isready\r\nisready\risready\n", 3},
        {std::string("is\0ready\n", 9), 1},
        {"position fen " + std::string(40000, 'x') + " uci\nisready\n", 1},
        {"setoption name Hash value 1 " + std::string(16000, 'z') + "\nisready\n", 1},
    };
    for (std::size_t i = 0; i < std::size(inputs); ++i) {
        ASSERT_TRUE(engine.sendRaw(inputs[i].first));
        Lines lines;
        for (int n = 0; n < inputs[i].second; ++n)
            ASSERT_TRUE(engine.readUntil("readyok", lines, ReplyTimeoutMs)) << "input " << i;
        EXPECT_EQ(lines, Lines(inputs[i].second, "readyok")) << "input " << i;
    }
    // Several lines in one write are answered in order.
    Lines lines = exchange("isready\nUci\nisready\n", "readyok");
    ASSERT_TRUE(engine.readUntil("readyok", lines, ReplyTimeoutMs));
    Lines expected = UciReply;
    expected.insert(expected.begin(), "readyok");
    expected.push_back("readyok");
    EXPECT_EQ(lines, expected);
    // A line split across two writes is one command.
    ASSERT_TRUE(engine.sendRaw("is"));
    std::string line;
    EXPECT_FALSE(engine.readLine(line, 200));
    EXPECT_EQ(exchange("ready\n", "readyok"), Lines{"readyok"});

    // The logbook appears with `debug on` only.
    EXPECT_FALSE(tarnwick_test::fileExists(directory + "/LogBook.txt"));
    exchange("debug on\nisready\n", "readyok");
    exchange("ucinewgame\n" + std::string(20000, 'x') + "\nuci\n", "uciok");
    exchange("debug off\nisready\n", "readyok");
    // End of input after a search with its own limit: the search and the last command, which has
    // no line end, are still carried out, then the process ends.
    ASSERT_TRUE(engine.sendRaw("position startpos\ngo movetime 300\nisready"));
    lines = finish();
    EXPECT_EQ(countPrefixed(lines, "bestmove "), 1);
    EXPECT_EQ(countPrefixed(lines, "readyok"), 1);

    std::string text;
    ASSERT_TRUE(tarnwick_test::readFile(directory + "/LogBook.txt", text));
    text = tarnwick_test::withLineFeeds(text); // the platform's line ends, each checked
    std::istringstream logLines(text);
    const std::string stamp = "##:##:## - "; // the time of day starts every line
    for (std::string logLine; std::getline(logLines, logLine);) {
        bool stamped = logLine.size() > stamp.size();
        for (std::size_t i = 0; stamped && i < stamp.size(); ++i)
            stamped = stamp[i] == '#' ? std::isdigit(static_cast<unsigned char>(logLine[i])) != 0
                                      : logLine[i] == stamp[i];
        EXPECT_TRUE(stamped) << logLine;
    }
    for (const std::string& reply : UciReply)
        EXPECT_NE(text.find(" - Engine to GUI: \"" + reply + "\"\n"), std::string::npos) << reply;
    for (const char* message :
         {"Received: \"ucinewgame\"\n", "Processing: \"ucinewgame\" \"\"\n",
          "Error: Unknown command - \"ucinewgame\" \"\"\n",
          "Error: Line longer than 16383 characters dropped", "Processing: \"debug\" \"off\"\n"}) {
        EXPECT_NE(text.find(message), std::string::npos) << message;
    }
    EXPECT_EQ(text.find("bestmove"), std::string::npos); // logging was off again
}

TEST_F(UciProtocol, QuitAsTheFirstCommandEndsWithStatusZero) {
    ASSERT_TRUE(engine.sendLine("quit"));
    EXPECT_TRUE(finish().empty());
    EXPECT_FALSE(tarnwick_test::fileExists(directory + "/LogBook.txt"));
}

} // namespace
