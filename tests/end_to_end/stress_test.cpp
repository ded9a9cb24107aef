// A long seeded random session against the real binary: valid and malformed positions, searches
// with tiny limits, commands during searches, options with absurd values, unknown words, blank
// and overlong lines. Every `isready` must get its "readyok", every `go` exactly one `bestmove`,
// and every best move must be legal in the position the engine was given, which the test
// follows in its own process with the engine's own position reader and generator.
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <thread>

#include "channel/input_reader.h"
#include "channel/runtime_services.h"
#include "engine_session.h"
#include "search/transposition_table.h"

using namespace end_to_end;

namespace {

// The sanitizer builds run the engine several times slower.
#if defined(__SANITIZE_THREAD__)
inline constexpr int SessionCommands = 1500;
#elif defined(__SANITIZE_ADDRESS__)
inline constexpr int SessionCommands = 2000;
#else
inline constexpr int SessionCommands = 5000;
#endif
inline constexpr int LineTimeoutMs = 60000;

const char* const Fens[] = {
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",       // king and pawn: the endgame file's
    "8/8/8/3k4/8/8/8/R3K3 b - - 0 1",        // king and rook
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",        // stalemate
    "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",        // mate
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", // mate in one
    "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1",
};
// Positions the engine refuses or reads in its own way (the position fuzzer tries many more).
const char* const BrokenPositions[] = {
    "position fen",
    "position startpos moves e2e4 zz99 e7e5 e7e5 e1g1",
    "position fen kkkkkkkk/8/8/8/8/8/8/KKKKKKKK w - - 0 1",
    "position fen 8/8/8/8/8/8/8/K7 b - - 0 1 moves a1a2",
    "position fen 4k3/8/8/8/8/8/4p3/4K3 b - - 0 1 moves e2e1q e1e2 e1e2",
    "position fen r3k2r/8/8/8/8/8/8/R3K2R w AHahX e6 0 1 moves e1c1",
    "POSITION StartPos MOVES E2E4",
    "position \t startpos \t  moves   e2e4\t e7e5 "};
// Hash sizes: the odd ones and small real ones (1025 to 4095 MiB would really be allocated); the
// other spins take the same values, held to their ranges.
const char* const OptionValues[] = {"0",          "-1",   "-2147483648",    "1",        "2",   "16",
                                    "abc",        "",     "4096",           "+3",       "1e3", " 8",
                                    "2147483647", "0x10", "99999999999999", "100000000"};
const char* const Options[] = {"Ponder value false", "NoSuchOption value 1", "Clear Hash",
                               "MultiPV value ",     "Move Overhead value ", "Hash value ",
                               "Hash value "};
const char* const OpenEndedGoes[] = {"infinite", "ponder movetime 20",
                                     "ponder wtime 1000 btime 1000", "ponder"};

template <std::size_t N> constexpr int lastIndex(const char* const (&)[N]) {
    return static_cast<int>(N) - 1;
}

// What the engine does with a line, followed in this process: zero bytes are left out, the
// line is normalised, and a `position` line is set up with the reader the engine uses.
void followLine(const std::string& line) {
    static char text[tarnwick::CommandBufferSize];
    if (line.size() >= sizeof text)
        return; // dropped whole by the reader
    std::size_t length = 0;
    for (char c : line)
        text[length] = c, length += c != 0;
    text[length] = 0;
    if (!tarnwick::normaliseLine(text))
        return;
    char* blank = std::strchr(text, ' ');
    if (blank != nullptr)
        *blank = 0;
    if (tarnwick::compareIgnoringCase(text, "position") == 0)
        tarnwick::setupPosition(blank != nullptr ? blank + 1 : "");
}

class StressSession {
  public:
    std::string anyLegalMove() {
        auto it = legal.begin();
        std::advance(it, pick(0, static_cast<int>(legal.size()) - 1));
        return *it;
    }

    void send(const std::string& line) {
        ASSERT_TRUE(engine.sendLine(line)) << "the engine stopped reading after " << commandsSent;
        ++commandsSent;
        recent.push_back(line.substr(0, 200));
        if (recent.size() > 12)
            recent.erase(recent.begin());
        followLine(line);
        readyOwed += tarnwick::compareIgnoringCase(line.c_str(), "isready") == 0;
    }

    void sendGo(const std::string& arguments) {
        owed.push_back(currentLegalMoveTexts());
        send("go" + (arguments.empty() ? "" : " " + arguments));
    }

    // A game walked from the start or a stored position with random legal moves; now and then long
    // enough to run past the engine's game history.
    std::string randomPosition() {
        const std::string base = chance(50) ? "startpos" : std::string("fen ") + Fens[pick(0, 9)];
        const int plies = chance(5) ? pick(90, 130) : pick(0, 12);
        std::string text = base;
        for (int i = 0; i < plies && !(legal = legalMoveTexts(text)).empty(); ++i)
            text += (i == 0 ? " moves " : " ") + anyLegalMove();
        return "position " + text;
    }

    std::string malformedPosition() {
        if (chance(5))
            return std::string("posi\0tion startpos moves d2d4", 29); // the reader drops zero bytes
        if (chance(70))
            return BrokenPositions[pick(0, lastIndex(BrokenPositions))];
        // A valid position with a few of its characters replaced by printable junk.
        std::string text = randomPosition();
        for (int i = pick(1, 4); i > 0 && text.size() > 9; --i)
            text[static_cast<std::size_t>(pick(9, static_cast<int>(text.size()) - 1))] =
                static_cast<char>(pick(' ', '~'));
        return text;
    }

    std::string limitedGo() {
        static const char* const fixed[] = {"depth 1",
                                            "depth 2",
                                            "depth 3",
                                            "depth 0",
                                            "mate -1",
                                            "mate 2",
                                            "movestogo x depth 2 nodes -5"};
        legal = currentLegalMoveTexts();
        std::string arguments;
        switch (pick(0, 3)) {
        case 0:
            arguments = "nodes " + std::to_string(pick(1000, 20000));
            break;
        case 1:
            arguments = "movetime " + std::to_string(pick(1, 20));
            break;
        case 2:
            arguments = "wtime " + std::to_string(pick(0, 300)) + " btime " +
                        std::to_string(pick(0, 300)) + " winc 10 binc 10 movestogo " +
                        std::to_string(pick(0, 3));
            break;
        default:
            arguments = fixed[pick(0, lastIndex(fixed))];
        }
        // searchmoves with one of the legal moves, now and then one that is not.
        if (chance(15) && !legal.empty())
            arguments += " searchmoves " + anyLegalMove() + (chance(30) ? " a1a1" : "");
        return arguments;
    }

    // Blank and unknown lines, and overlong ones, which are dropped whole even when they start like
    // a command. Junk must not spell a command by accident: it starts with a character no command
    // has.
    std::string junkLine() {
        if (chance(25))
            return chance(50) ? "ucinewgame"
                              : std::string(static_cast<std::size_t>(pick(0, 5)), ' ');
        if (chance(30))
            return "position startpos moves" +
                   std::string(static_cast<std::size_t>(pick(16400, 40000)), 'x');
        std::string line = "#";
        for (int i = pick(1, 40); i > 0; --i)
            line += static_cast<char>(pick(' ', '~'));
        return line;
    }

    // One command while no search runs.
    void idleCommand() {
        const int kind = pick(0, 99);
        if (kind < 22)
            send(randomPosition());
        else if (kind < 34)
            send(malformedPosition());
        else if (kind < 44)
            send(std::string("setoption name ") + Options[pick(0, lastIndex(Options))] +
                 OptionValues[pick(0, lastIndex(OptionValues))]);
        else if (kind < 56)
            send(chance(70) ? (chance(50) ? "debug on" : "debug off") : "debug maybe");
        else if (kind < 72)
            send(junkLine());
        else if (kind < 84)
            send("isready");
        else if (kind < 92)
            send(chance(50) ? "stop" : "ponderhit"); // nothing owed: nothing sent
        else
            send(chance(50) ? "uci" : "UCI");
    }

    // One command sent right after a `go`, usually while the search runs.
    void commandDuringSearch(bool openEnded) {
        const int kind = pick(0, 99);
        if (kind < 30 || kind >= 88)
            send("isready");
        else if (kind < 45)
            send(chance(50) ? "debug on" : "debug off");
        else if (kind < 55)
            send(junkLine()); // an unknown word stops the search too
        else if (kind < 70 && !openEnded)
            send(chance(50) ? "stop" : "ponderhit"); // a stop ends it early; never a second move
        else if (kind < 80)
            idleCommand(); // any other command stops the search and waits for it to end
        else
            sendGo(limitedGo()); // the earlier go is answered first
    }

    // A `go` with commands after it. An open-ended search then gets `stop` or `ponderhit`.
    void searchEpisode(bool openEnded) {
        sendGo(openEnded ? OpenEndedGoes[pick(0, 3)] : limitedGo());
        for (int i = openEnded ? pick(0, 8) : pick(0, 3); i > 0; --i)
            commandDuringSearch(openEnded);
        if (openEnded) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pick(0, 30)));
            send(chance(60) ? "stop" : "ponderhit");
        }
        readAnswers(false);
        send("isready");
        readAnswers(true);
    }

    // Checks one output line and counts what it answers.
    void takeLine(const std::string& line) {
        if (line == "readyok") {
            EXPECT_GT(readyOwed--, 0) << "a readyok nobody asked for";
        } else if (line.starts_with("bestmove ")) {
            ASSERT_FALSE(owed.empty()) << "a bestmove no go asked for: " << line;
            const std::set<std::string> answer = owed.front();
            owed.erase(owed.begin());
            if (answer.empty())
                EXPECT_EQ(line, "bestmove 0000") << "no legal move";
            else
                EXPECT_EQ(answer.count(bestMoveOf(line)), 1u) << "illegal best move: " << line;
        } else if (!line.starts_with("info ") && !line.starts_with("id ") &&
                   !line.starts_with("option ") && line != "uciok") {
            // Only the out-of-memory line of a Hash size that cannot be had may come besides.
            EXPECT_TRUE(line.ends_with(" Bytes Arbeitsspeicher nicht mehr verf\x81gbar")) << line;
        }
    }

    // Reads until every go sent so far has its bestmove, or with `untilReady` until every isready
    // has its readyok, with no bestmove among them: everything before an isready is done when its
    // readyok arrives.
    void readAnswers(bool untilReady) {
        while (untilReady ? readyOwed > 0 : !owed.empty()) {
            std::string line;
            std::string last;
            for (const std::string& each : recent)
                last += "\n  " + each;
            ASSERT_TRUE(engine.readLine(line, LineTimeoutMs))
                << readyOwed << " readyok and " << owed.size() << " bestmove lines missing after "
                << commandsSent << " commands; the last ones:" << last;
            ASSERT_FALSE(untilReady && line.starts_with("bestmove"))
                << "a second bestmove for one go";
            takeLine(line);
        }
    }

    void run() {
        ASSERT_TRUE(engine.start(tarnwick_test::engineCommand(), directory));
        tarnwick::setupPosition("startpos");
        send("uci");
        while (commandsSent < SessionCommands && !::testing::Test::HasFatalFailure()) {
            const int kind = pick(0, 99);
            if (kind < 55)
                idleCommand();
            else
                searchEpisode(kind >= 85);
            if (kind < 55 && readyOwed > 0 && chance(20))
                readAnswers(true);
        }
        readAnswers(false);
        send("isready");
        readAnswers(true);
        engine.sendLine("quit");
        int status = -1;
        EXPECT_TRUE(engine.waitForExit(status, LineTimeoutMs));
        EXPECT_EQ(status, 0); // also a sanitizer's report in the engine
        std::vector<std::string> rest;
        engine.readToEnd(rest, 1000);
        EXPECT_TRUE(rest.empty()) << "output after the last readyok: " << rest.front();
        tarnwick_test::removeDirectory(directory);
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    std::mt19937 random{20261206};
    tarnwick_test::EngineProcess engine;
    std::string directory = tarnwick_test::makeTemporaryDirectory();
    std::set<std::string> legal; // of the position a command is being made for
    int commandsSent = 0;
    int readyOwed = 0;
    std::vector<std::set<std::string>> owed; // the legal moves of each unanswered go
    std::vector<std::string> recent;         // the last commands, for failure messages
};

TEST(Stress, ASeededRandomSessionKeepsTheProtocol) {
    tarnwick::prepareTables();
    StressSession().run();
}

} // namespace
