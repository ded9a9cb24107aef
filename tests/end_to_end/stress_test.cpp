// A long seeded random session against the real binary: valid and malformed positions, searches
// with tiny limits, commands during searches, options with absurd values, unknown words, blank
// and overlong lines. Every `isready` must get its "readyok", every `go` exactly one `bestmove`,
// and every best move must be legal in the position the engine was given, which the test
// follows in its own process with the engine's own position reader and generator.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

#include "board/move_notation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "channel/input_reader.h"
#include "search/transposition_table.h"
#include "test_support.h"

using namespace tarnwick_test;

namespace {

// The sanitizer builds run the engine several times slower; the Release build runs the full
// session.
#if defined(__SANITIZE_THREAD__)
inline constexpr int SessionCommands = 1500;
#elif defined(__SANITIZE_ADDRESS__)
inline constexpr int SessionCommands = 2000;
#else
inline constexpr int SessionCommands = 5000;
#endif
inline constexpr unsigned SessionSeed = 20261206;
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

// The legal moves of the position set up in this process, as move texts.
std::set<std::string> legalTexts;
void collectLegal(const tarnwick::Move& move, std::uint64_t) {
    legalTexts.insert(tarnwick::moveToText(move).text);
}

// What the engine does with a line, followed in this process: zero bytes are left out, the
// line is normalised, and a `position` line is set up with the same reader the engine uses.
char lineBuffer[tarnwick::CommandBufferSize];
void followLine(const std::string& line) {
    if (line.size() >= sizeof lineBuffer)
        return; // dropped whole by the reader
    std::size_t length = 0;
    for (char c : line) {
        if (c != 0)
            lineBuffer[length++] = c;
    }
    lineBuffer[length] = 0;
    if (!tarnwick::normaliseLine(lineBuffer))
        return;
    char* blank = std::strchr(lineBuffer, ' ');
    if (blank != nullptr)
        *blank = 0;
    if (strcasecmp(lineBuffer, "position") == 0)
        tarnwick::setupPosition(blank != nullptr ? blank + 1 : "");
}

void listLegalMoves() {
    legalTexts.clear();
    if (tarnwick::positionIsValid)
        tarnwick::perft(1, collectLegal);
}

class StressSession {
  public:
    explicit StressSession(unsigned seed) : random(seed) {}

    void run(int commandCount);

  private:
    // One `go` whose bestmove has not been read yet: the legal moves of its position.
    struct OwedMove {
        std::set<std::string> legal;
    };

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    void send(const std::string& line);
    void sendGo(const std::string& arguments);
    std::string randomPosition();
    std::string malformedPosition();
    std::string randomOption();
    std::string limitedGoArguments();
    std::string junkLine();
    void idleCommand();
    void commandDuringSearch(bool openEnded);
    void searchEpisode(bool openEnded);
    void readAnswers();
    void synchronise();
    void takeLine(const std::string& line);

    std::mt19937 random;
    EngineProcess engine;
    std::string directory;
    int commandsSent = 0;
    int readyOwed = 0;
    std::vector<OwedMove> owed;
    std::vector<std::string> recent; // the last commands sent, for failure messages

    std::string recentCommands() const {
        std::string text;
        for (const std::string& line : recent)
            text += "\n  " + line;
        return text;
    }
};

void StressSession::send(const std::string& line) {
    ASSERT_TRUE(engine.sendLine(line)) << "the engine stopped reading after " << commandsSent;
    ++commandsSent;
    recent.push_back(line.substr(0, 200));
    if (recent.size() > 12)
        recent.erase(recent.begin());
    followLine(line);
    if (strcasecmp(line.c_str(), "isready") == 0)
        ++readyOwed;
}

void StressSession::sendGo(const std::string& arguments) {
    listLegalMoves();
    owed.push_back({legalTexts});
    send("go" + (arguments.empty() ? "" : " " + arguments));
}

// A game walked from the start or a stored position with random legal moves; now and then long
// enough to run past the engine's game history.
std::string StressSession::randomPosition() {
    std::string text = chance(50) ? "startpos" : std::string("fen ") + Fens[pick(0, 9)];
    const int plies = chance(5) ? pick(90, 130) : pick(0, 12);
    std::string moves;
    for (int i = 0; i < plies; ++i) {
        const std::string attempt = text + (moves.empty() ? "" : " moves" + moves);
        tarnwick::setupPosition(attempt.c_str());
        listLegalMoves();
        if (legalTexts.empty())
            break;
        auto it = legalTexts.begin();
        std::advance(it, pick(0, static_cast<int>(legalTexts.size()) - 1));
        moves += " " + *it;
    }
    return "position " + text + (moves.empty() ? "" : " moves" + moves);
}

std::string StressSession::malformedPosition() {
    static const char* const broken[] = {
        "position",
        "position fen",
        "position startpos moves e2e5 e7e5",
        "position startpos moves e2e4 e2e4 e7e5",
        "position startpos moves e7e5",
        "position startpos moves e2e4 zz99 e7e5",
        "position startpos moves e1g1",
        "position fen kkkkkkkk/8/8/8/8/8/8/KKKKKKKK w - - 0 1",
        "position fen 8/8/8/8/8/8/8/8 w - - 0 1",
        "position fen 8/8/8/8/8/8/8/K7 b - - 0 1 moves a1a2",
        "position fen pppppppp/pppppppp/pppppppp/8/8/PPPPPPPP/PPPPPPPP/K6k w - -",
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8/8/8 w",
        "position fen 99999999999/8/8 w",
        "position fen 4k3/8/8/8/8/8/8/4K3 x - - 0 1",
        "position fen 4k3/8/8/8/8/8/8/4K3",
        "position fen 4k3/8/8/8/8/8/4p3/4K3 b - - 0 1 moves e2e1q e1e2 e1e2",
        "position fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8x a7a8",
        "position fen 4K3/8/8/8/8/8/8/4k3 w - - 0 1 moves e8e7",
        "position moves e2e4",
        "position startpos fen 8/8/8/8/8/8/8/8",
        "POSITION StartPos MOVES E2E4",
        "position \t startpos \t  moves   e2e4\t e7e5 ",
    };
    if (chance(5))
        return std::string("posi\0tion startpos moves d2d4", 29); // the reader drops zero bytes
    if (chance(30)) {
        // A valid position with a few of its characters replaced by printable junk.
        std::string text = randomPosition();
        const int changes = pick(1, 4);
        for (int i = 0; i < changes && text.size() > 9; ++i)
            text[static_cast<std::size_t>(pick(9, static_cast<int>(text.size()) - 1))] =
                static_cast<char>(pick(' ', '~'));
        return text;
    }
    return broken[pick(0, static_cast<int>(std::size(broken)) - 1)];
}

// Hash sizes: the odd ones, and small real ones; 1025 to 4095 MiB would really be allocated.
// The other spins take the same values, held to their ranges.
std::string StressSession::randomOption() {
    static const char* const values[] = {
        "0",         "-1",         "-2147483648",    "1",  "2",   "16", "abc", "", "4096",
        "100000000", "2147483647", "99999999999999", "+3", "1e3", " 8", "0x10"};
    switch (pick(0, 7)) {
    case 0:
        return "setoption name Ponder value false";
    case 1:
        return "setoption name NoSuchOption value 1";
    case 2:
        return "setoption";
    case 3:
        return std::string("setoption name MultiPV value ") + values[pick(0, 15)];
    case 4:
        return std::string("setoption name Move Overhead value ") + values[pick(0, 15)];
    case 5:
        return "setoption name Clear Hash";
    default:
        return std::string("setoption name Hash value ") + values[pick(0, 15)];
    }
}

std::string StressSession::limitedGoArguments() {
    listLegalMoves();
    std::string arguments;
    switch (pick(0, 6)) {
    case 0:
        arguments = "depth " + std::to_string(pick(1, 2));
        break;
    case 1:
        arguments = "depth 3";
        break;
    case 2:
        arguments = "nodes " + std::to_string(pick(1000, 20000));
        break;
    case 3:
        arguments = "movetime " + std::to_string(pick(1, 20));
        break;
    case 4:
        arguments = "wtime " + std::to_string(pick(0, 300)) + " btime " +
                    std::to_string(pick(0, 300)) + " winc 10 binc 10 movestogo " +
                    std::to_string(pick(0, 3));
        break;
    case 5:
        arguments = chance(50) ? "depth 0" : "mate " + std::to_string(pick(-1, 2)); // 0: depth 1
        break;
    default:
        arguments = "movestogo x depth 2 nodes -5"; // a node limit of 1
        break;
    }
    if (chance(15) && !legalTexts.empty()) {
        // searchmoves with some of the legal moves, now and then one that is not.
        arguments += " searchmoves";
        auto it = legalTexts.begin();
        std::advance(it, pick(0, static_cast<int>(legalTexts.size()) - 1));
        arguments += " " + *it;
        if (chance(30))
            arguments += " a1a1";
    }
    return arguments;
}

std::string StressSession::junkLine() {
    switch (pick(0, 6)) {
    case 0:
        return "";
    case 1:
        return std::string(static_cast<std::size_t>(pick(1, 5)), ' ') + "\t ";
    case 2:
        return "ucinewgame";
    case 3:
        return "register later";
    case 4: {
        // An overlong line is dropped whole, even one that starts like a position.
        std::string line = "position startpos moves";
        while (line.size() < tarnwick::CommandBufferSize + 200)
            line += " e2e4 e7e5";
        return line;
    }
    case 5:
        return std::string(static_cast<std::size_t>(pick(17000, 40000)), 'x');
    default: {
        std::string line;
        const int length = pick(1, 40);
        for (int i = 0; i < length; ++i)
            line += static_cast<char>(pick(' ', '~'));
        // Junk must not spell a command by accident: it starts with a character no command has.
        return "#" + line;
    }
    }
}

// One command while no search runs.
void StressSession::idleCommand() {
    const int kind = pick(0, 99);
    if (kind < 22)
        send(randomPosition());
    else if (kind < 34)
        send(malformedPosition());
    else if (kind < 44)
        send(randomOption());
    else if (kind < 52)
        send(chance(50) ? "debug on" : "debug off");
    else if (kind < 56)
        send(chance(50) ? "debug" : "debug maybe");
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
void StressSession::commandDuringSearch(bool openEnded) {
    const int kind = pick(0, 99);
    if (kind < 30) {
        send("isready");
    } else if (kind < 45) {
        send(chance(50) ? "debug on" : "debug off");
    } else if (kind < 55) {
        send(junkLine()); // an unknown word stops the search too
    } else if (kind < 62 && !openEnded) {
        // Ends a limited search early, or finds it over; either way no second move.
        send("stop");
    } else if (kind < 70 && !openEnded) {
        send("ponderhit"); // nothing to do for a search that was not pondering
    } else if (kind < 80) {
        // Any other command stops the search and waits for it to end.
        send(chance(50) ? randomPosition() : randomOption());
    } else if (kind < 88) {
        const std::string arguments = limitedGoArguments();
        sendGo(arguments); // the earlier go is answered first
    } else {
        send("isready");
    }
}

// A `go` with commands after it. An open-ended search then gets `stop` or `ponderhit`.
void StressSession::searchEpisode(bool openEnded) {
    if (openEnded) {
        static const char* const kinds[] = {"infinite", "ponder movetime 20",
                                            "ponder wtime 1000 btime 1000", "ponder"};
        sendGo(kinds[pick(0, 3)]);
    } else {
        const std::string arguments = limitedGoArguments();
        sendGo(arguments);
    }
    const int extra = openEnded ? pick(0, 8) : pick(0, 3);
    for (int i = 0; i < extra; ++i)
        commandDuringSearch(openEnded);
    if (openEnded) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pick(0, 30)));
        send(chance(60) ? "stop" : "ponderhit");
    }
    readAnswers();
    synchronise();
}

// Checks one output line and counts what it answers.
void StressSession::takeLine(const std::string& line) {
    if (line == "readyok") {
        EXPECT_GT(readyOwed, 0) << "a readyok nobody asked for";
        --readyOwed;
        return;
    }
    if (line.rfind("bestmove ", 0) == 0) {
        ASSERT_FALSE(owed.empty()) << "a bestmove no go asked for: " << line;
        const OwedMove answer = owed.front();
        owed.erase(owed.begin());
        const std::string best = line.substr(9, line.find(' ', 9) - 9);
        if (answer.legal.empty()) {
            EXPECT_EQ(best, "0000") << "no legal move, but " << line;
        } else {
            EXPECT_TRUE(answer.legal.count(best) == 1) << "illegal best move: " << line;
        }
        return;
    }
    static const char* const expected[] = {"info ", "id ", "option ", "uciok"};
    for (const char* prefix : expected) {
        if (line.rfind(prefix, 0) == 0)
            return;
    }
    // The out-of-memory line of a Hash size that cannot be had.
    EXPECT_TRUE(line.find(" Bytes Arbeitsspeicher nicht mehr verf\x81gbar") != std::string::npos)
        << "unexpected output: " << line;
}

// Reads until every go sent so far has its bestmove.
void StressSession::readAnswers() {
    while (!owed.empty()) {
        std::string line;
        ASSERT_TRUE(engine.readLine(line, LineTimeoutMs))
            << owed.size() << " bestmove lines missing after " << commandsSent
            << " commands; the last ones:" << recentCommands();
        takeLine(line);
    }
}

// An `isready` after the answers: everything before it is done when its readyok arrives, and
// no further bestmove may come in between.
void StressSession::synchronise() {
    send("isready");
    while (readyOwed > 0) {
        std::string line;
        ASSERT_TRUE(engine.readLine(line, LineTimeoutMs))
            << readyOwed << " readyok lines missing after " << commandsSent
            << " commands; the last ones:" << recentCommands();
        ASSERT_NE(line.rfind("bestmove", 0), 0u) << "a second bestmove for one go";
        takeLine(line);
    }
}

void StressSession::run(int commandCount) {
    directory = makeTemporaryDirectory();
    ASSERT_TRUE(engine.start(engineCommand(), directory));
    tarnwick::setupPosition("startpos");
    send("uci");
    while (commandsSent < commandCount && !::testing::Test::HasFatalFailure()) {
        const int kind = pick(0, 99);
        if (kind < 55) {
            idleCommand();
            if (readyOwed > 0 && chance(20))
                synchronise();
        } else if (kind < 85) {
            searchEpisode(false);
        } else {
            searchEpisode(true);
        }
    }
    if (!::testing::Test::HasFatalFailure()) {
        readAnswers();
        synchronise();
    }
    engine.sendLine("quit");
    int status = -1;
    EXPECT_TRUE(engine.waitForExit(status, LineTimeoutMs));
    EXPECT_EQ(status, 0); // also a sanitizer's report in the engine
    std::vector<std::string> rest;
    engine.readToEnd(rest, 1000);
    EXPECT_TRUE(rest.empty()) << "output after the last readyok: " << rest.front();
    removeDirectory(directory);
}

TEST(Stress, ASeededRandomSessionKeepsTheProtocol) {
    tarnwick::prepareTables();
    StressSession session(SessionSeed);
    session.run(SessionCommands);
}

// A search stopped by its limit before it has searched a single root move still owes a legal
// move: "bestmove 0000" is a null move that an interface takes for a forfeit.
TEST(Stress, ASearchEndedAtOnceStillNamesALegalMove) {
    const std::string directory = makeTemporaryDirectory();
    EngineProcess engine;
    ASSERT_TRUE(engine.start(engineCommand(), directory));
    for (const char* go : {"go nodes 1", "go depth 1 nodes 1"}) {
        engine.sendLine("position startpos");
        engine.sendLine(go);
        std::vector<std::string> lines;
        ASSERT_TRUE(engine.readUntil("bestmove", lines, LineTimeoutMs));
        EXPECT_NE(lines.back().rfind("bestmove 0000", 0), 0u) << go;
    }
    engine.sendLine("quit");
    int status = -1;
    EXPECT_TRUE(engine.waitForExit(status, LineTimeoutMs));
    EXPECT_EQ(status, 0);
    removeDirectory(directory);
}

} // namespace
