// A long seeded random session against the real binary: valid and malformed positions, tiny
// searches, commands during searches, absurd options, junk and overlong lines. Every `isready`
// gets its "readyok", every `go` one `bestmove`, legal in the position the test follows itself.
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <thread>

#include "channel/input_reader.h"
#include "channel/options.h"
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

using Words = std::vector<std::string>;
const Words Fens = {
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",   // king and pawn, from the endgame file
    "8/8/8/3k4/8/8/8/R3K3 b - - 0 1",    // king and rook
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",    // stalemate
    "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",    // mate
    "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", // promotions
    "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", // Chess960
    "2r1kr2/pp1bqppp/2np1n2/4p3/4P3/2NP1N2/PP1BQPPP/2R1KR2 w KQkq - 0 1",
};
// Positions the engine refuses or reads in its own way (the position fuzzer tries many more), and
// a zero byte, which the reader drops.
// clang-format off
const Words Broken = {
    "position fen", "position startpos moves e2e4 zz99 e7e5 e7e5 e1g1",
    "position fen kkkkkkkk/8/8/8/8/8/8/KKKKKKKK w - - 0 1", "POSITION StartPos MOVES E2E4",
    "position fen 4k3/8/8/8/8/8/4p3/4K3 b - - 0 1 moves e2e1q e1e2 e1e2",
    "position fen r3k2r/8/8/8/8/8/8/R3K2R w AHahX e6 0 1 moves e1c1",
    "position \t startpos \t  moves   e2e4\t e7e5 ", std::string("posi\0tion startpos moves d2d4", 29)};
// clang-format on
// Options with odd values (1025 to 4095 MiB of Hash would really be allocated), unknown words,
// blank lines, and junk that cannot spell a command, starting with a character none has. Some
// commands come twice, so that they come more often.
// clang-format off
const Words Idle = {
    "setoption name Hash value 0", "setoption name Hash value 2", "setoption name Hash value abc",
    "setoption name Hash value 4096", "setoption name Hash value 99999999999999",
    "setoption name MultiPV value 3", "setoption name MultiPV value 1", "setoption",
    "setoption name Move Overhead value 1e3", "setoption name Clear Hash", "debug on", "debug off",
    "setoption name UCI_LimitStrength value true", "setoption name UCI_Elo value 0",
    "setoption name UCI_LimitStrength value false", "setoption name UCI_Chess960 value true",
    "setoption name UCI_Chess960 value false",
    "debug maybe", "ucinewgame", "uci", "UCI", "isready", "isready", "stop", "ponderhit", "",
    "  \t ", "#x+-=*", "#position startpos"};
const Words LimitedGoes = {"depth 1", "depth 3", "depth 0", "mate -1", "mate 2", "nodes 1",
                           "movetime 5", "movestogo x depth 2 nodes -5",
                           "wtime 200 btime 100 winc 10 binc 10 movestogo 2"};
const Words OpenEndedGoes = {"infinite", "ponder movetime 20", "ponder wtime 1000 btime 1000",
                             "ponder"};
// clang-format on

class StressSession {
  public:
    void run() {
        ASSERT_TRUE(engine.start(tarnwick_test::engineCommand(), directory));
        tarnwick::setupPosition("startpos");
        while (sent < SessionCommands && !::testing::Test::HasFatalFailure()) {
            const int kind = pick(0, 99);
            if (kind < 55)
                idleCommand();
            else
                searchEpisode(kind >= 85);
        }
        readAnswers(false);
        send("isready");
        readAnswers(true);
        // After `quit` nothing more is said, and the status is 0 (a sanitizer's report makes it 1).
        std::vector<std::string> rest;
        int status = -1;
        EXPECT_TRUE(engine.sendLine("quit") && engine.readToEnd(rest, LineTimeoutMs) &&
                    engine.waitForExit(status, LineTimeoutMs) && status == 0 && rest.empty());
        tarnwick_test::removeDirectory(directory);
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    const std::string& any(const Words& words) {
        return words[static_cast<std::size_t>(pick(0, static_cast<int>(words.size()) - 1))];
    }

    // Sends a line and follows it in this process: a `position` line is set up with the reader
    // the engine uses, after the reader's own cutting and normalisation.
    void send(const std::string& line) {
        ASSERT_TRUE(engine.sendLine(line)) << "the engine stopped reading after " << sent;
        ++sent;
        last = line.substr(0, 200);
        static char text[tarnwick::CommandBufferSize];
        std::size_t length = 0;
        for (char c : line)
            if (c != 0 && length < sizeof text - 1)
                text[length++] = c;
        text[length] = 0;
        if (line.size() >= sizeof text || !tarnwick::normaliseLine(text))
            return; // an overlong line is dropped whole
        char* blank = std::strchr(text, ' ');
        if (blank != nullptr)
            *blank = 0;
        if (tarnwick::compareIgnoringCase(text, "position") == 0)
            tarnwick::setupPosition(blank != nullptr ? blank + 1 : "");
        if (tarnwick::compareIgnoringCase(text, "setoption") == 0 && blank != nullptr) {
            std::strcpy(tarnwick::commandArgs, blank + 1); // UCI_Chess960 for later positions
            tarnwick::applyOption();
        }
        readyOwed += tarnwick::compareIgnoringCase(text, "isready") == 0;
    }

    // A game walked from the start or a stored position with random legal moves, now and then
    // long enough to run past the engine's game history; or a broken one, or one with junk.
    std::string randomPosition() {
        if (pick(0, 9) == 0)
            return any(Broken);
        std::string text = pick(0, 1) ? "startpos" : "fen " + any(Fens);
        const int plies = pick(0, 19) == 0 ? pick(90, 130) : pick(0, 12);
        for (int i = 0; i < plies; ++i) {
            const std::set<std::string> legal = legalMoveTexts(text);
            if (legal.empty())
                break;
            text += (i == 0 ? " moves " : " ") +
                    *std::next(legal.begin(), pick(0, static_cast<int>(legal.size()) - 1));
        }
        if (pick(0, 9) == 0)
            text[static_cast<std::size_t>(pick(0, static_cast<int>(text.size()) - 1))] =
                static_cast<char>(pick(' ', '~'));
        return "position " + text;
    }

    void idleCommand() {
        const int kind = pick(0, 9);
        if (kind < 3)
            send(randomPosition());
        else if (kind < 4)
            send("position startpos moves" +
                 std::string(static_cast<std::size_t>(pick(16400, 40000)), 'x')); // overlong
        else
            send(any(Idle));
    }

    // A `go` with commands after it, the earlier ones while it runs: any of them but `isready`,
    // `debug`, `stop` and `ponderhit` stops it (a `go` after the earlier one's bestmove). An
    // open-ended search then gets `stop` or `ponderhit`.
    void searchEpisode(bool openEnded) {
        const std::string go = openEnded ? any(OpenEndedGoes) : any(LimitedGoes);
        owed.push_back(currentLegalMoveTexts());
        send("go " + go);
        for (int i = pick(0, openEnded ? 8 : 3); i > 0; --i) {
            if (pick(0, 9) == 0) {
                owed.push_back(currentLegalMoveTexts());
                send("go " + any(LimitedGoes));
            } else {
                idleCommand();
            }
        }
        if (openEnded) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pick(0, 30)));
            send(pick(0, 9) < 6 ? "stop" : "ponderhit");
        }
        readAnswers(false);
        send("isready");
        readAnswers(true);
    }

    // Reads until every go sent so far has its bestmove, or with `untilReady` until every
    // isready has its readyok, with no bestmove among them: everything before an isready is done
    // when its readyok arrives.
    void readAnswers(bool untilReady) {
        while (untilReady ? readyOwed > 0 : !owed.empty()) {
            std::string line;
            ASSERT_TRUE(engine.readLine(line, LineTimeoutMs))
                << readyOwed << " readyok and " << owed.size() << " bestmove missing after " << sent
                << " commands, the last: " << last;
            ASSERT_FALSE(untilReady && line.starts_with("bestmove")) << "a second bestmove";
            if (line == "readyok") {
                EXPECT_GT(readyOwed--, 0) << "a readyok nobody asked for";
            } else if (line.starts_with("bestmove ")) {
                ASSERT_FALSE(owed.empty()) << "a bestmove no go asked for: " << line;
                const std::set<std::string> legal = owed.front();
                owed.erase(owed.begin());
                EXPECT_TRUE(legal.empty() ? line == "bestmove 0000"
                                          : legal.count(bestMoveOf(line)) == 1)
                    << "not a legal move: " << line;
            } else if (!line.starts_with("info ") && !line.starts_with("id ") &&
                       !line.starts_with("option ") && line != "uciok") {
                // Only the out-of-memory line of a Hash size that cannot be had may come besides.
                EXPECT_TRUE(line.ends_with(" Bytes Arbeitsspeicher nicht mehr verf\x81gbar"))
                    << line;
            }
        }
    }

    std::mt19937 random{20261206};
    tarnwick_test::EngineProcess engine;
    std::string directory = tarnwick_test::makeTemporaryDirectory();
    int sent = 0, readyOwed = 0;
    std::vector<std::set<std::string>> owed; // the legal moves of each unanswered go
    std::string last;                        // the last command, for failure messages
};

TEST(Stress, ASeededRandomSessionKeepsTheProtocol) {
    tarnwick::prepareTables();
    StressSession().run();
}

} // namespace
