// The engine binary through pipes as a GUI drives it: exactly one `bestmove` per `go` in every
// flow, `isready` answered during a search, and the clock ending searches within generous
// margins.
#include "test_support.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace tarnwick_test;

namespace {

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int countPrefixed(const std::vector<std::string>& lines, const std::string& prefix) {
    int count = 0;
    for (const std::string& line : lines)
        count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
}

class SearchFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = makeTemporaryDirectory();
        ASSERT_TRUE(engine.start(TARNWICK_ENGINE_PATH, directory));
        send("uci");
        send("isready");
        std::vector<std::string> lines;
        ASSERT_TRUE(engine.readUntil("readyok", lines, 10000));
    }
    void TearDown() override {
        engine.sendLine("quit");
        int status = -1;
        EXPECT_TRUE(engine.waitForExit(status, 10000));
        EXPECT_EQ(status, 0); // also catches a sanitizer's report in the engine
        removeDirectory(directory);
    }

    void send(const std::string& line) { ASSERT_TRUE(engine.sendLine(line)); }
    void pause(int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    // Reads up to the next `bestmove` line; the lines read are kept in `received`.
    std::string awaitBestMove(int timeoutMs) {
        std::vector<std::string> lines;
        EXPECT_TRUE(engine.readUntil("bestmove", lines, timeoutMs)) << "no bestmove";
        received.insert(received.end(), lines.begin(), lines.end());
        return lines.empty() ? "" : lines.back();
    }

    // Sends `isready` and reads up to "readyok": the number of `bestmove` lines in between.
    int bestMovesUntilReady(int timeoutMs = 10000) {
        send("isready");
        std::vector<std::string> lines;
        EXPECT_TRUE(engine.readUntil("readyok", lines, timeoutMs));
        received.insert(received.end(), lines.begin(), lines.end());
        return countPrefixed(lines, "bestmove");
    }

    EngineProcess engine;
    std::string directory;
    std::vector<std::string> received;
};

TEST_F(SearchFlow, ANormalSearchEndsWithOneBestMoveAndAStrayStopAddsNone) {
    send("position startpos");
    send("go depth 4");
    const std::string best = awaitBestMove(30000);
    EXPECT_EQ(best.rfind("bestmove ", 0), 0u);
    // The final report before the bestmove names depth 5: depth 4 was the last complete one.
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[received.size() - 2].rfind("info depth 5 ", 0), 0u);
    EXPECT_NE(best.find(" ponder "), std::string::npos) << best;
    send("stop");
    send("ponderhit");
    EXPECT_EQ(bestMovesUntilReady(), 0);
}

TEST_F(SearchFlow, StopDuringAClockedSearchSendsOneBestMoveWithoutPonder) {
    send("position startpos");
    send("go wtime 300000 btime 300000");
    pause(300);
    send("stop");
    const std::string best = awaitBestMove(5000);
    EXPECT_EQ(best.find(" ponder "), std::string::npos) << best;
    EXPECT_EQ(bestMovesUntilReady(), 0);
}

TEST_F(SearchFlow, InfiniteWaitsForStopAndAnswersIsreadyMeanwhile) {
    send("position startpos moves e2e4");
    send("go infinite");
    pause(300);
    const long long asked = nowMs();
    EXPECT_EQ(bestMovesUntilReady(2000), 0);
    EXPECT_LT(nowMs() - asked, 2000);
    pause(1200); // the clock never ends an infinite search
    send("stop");
    const std::string best = awaitBestMove(5000);
    EXPECT_NE(best, "bestmove 0000");
    EXPECT_EQ(countPrefixed(received, "bestmove"), 1);
    EXPECT_EQ(bestMovesUntilReady(), 0);
}

TEST_F(SearchFlow, PonderhitDuringTheSearchLetsTheClockEndIt) {
    send("position startpos");
    // A budget of 3333 ms for White; the ponder time counts against it.
    send("go ponder wtime 200000 btime 200000");
    pause(300);
    EXPECT_EQ(bestMovesUntilReady(), 0);
    send("ponderhit");
    const std::string best = awaitBestMove(15000);
    EXPECT_NE(best.find(" ponder "), std::string::npos) << best;
    EXPECT_EQ(bestMovesUntilReady(), 0);
}

TEST_F(SearchFlow, APonderSearchThatEndsByItselfWaitsForPonderhitOrStop) {
    for (const char* ending : {"ponderhit", "stop"}) {
        send("position startpos");
        send("go ponder depth 3");
        pause(500); // long done by now
        EXPECT_EQ(bestMovesUntilReady(), 0);
        send(ending);
        const std::string best = awaitBestMove(5000);
        if (std::string(ending) == "ponderhit") {
            EXPECT_NE(best.find(" ponder "), std::string::npos) << best;
        } else {
            EXPECT_EQ(best.find(" ponder "), std::string::npos) << best;
        }
        EXPECT_EQ(bestMovesUntilReady(), 0);
    }
}

TEST_F(SearchFlow, ANewCommandDuringTheSearchEndsItWithOneBestMove) {
    send("position startpos");
    send("go wtime 300000 btime 300000");
    pause(300);
    send("position startpos moves d2d4");
    awaitBestMove(5000);
    EXPECT_EQ(bestMovesUntilReady(), 0);
    // The queued position was set up after the search: Black is to move now.
    send("go depth 2");
    const std::string best = awaitBestMove(10000);
    EXPECT_TRUE(best[10] >= '5' && best[10] <= '8') << best;
}

TEST_F(SearchFlow, ARefusedPositionAnswersBestMove0000AtOnce) {
    send("position fen 8/8/8/8/8/8/8/8 w - - 0 1");
    send("go infinite");
    EXPECT_EQ(awaitBestMove(3000), "bestmove 0000");
    EXPECT_EQ(bestMovesUntilReady(), 0);
}

TEST_F(SearchFlow, AClockBudgetEndsTheSearchBetweenTwoThirdsAndTheBudget) {
    // 300000 ms on the clock gives 6500 ms; no iteration starts after 4333 ms.
    send("position startpos");
    const long long start = nowMs();
    send("go wtime 300000 btime 300000");
    awaitBestMove(20000);
    const long long elapsed = nowMs() - start;
    EXPECT_GE(elapsed, 4000);
    EXPECT_LE(elapsed, 9000);
}

TEST_F(SearchFlow, MovetimeIsTheBudget) {
    send("position startpos moves e2e4 e7e5");
    const long long start = nowMs();
    send("go movetime 500");
    awaitBestMove(10000);
    EXPECT_LE(nowMs() - start, 1500);
    EXPECT_EQ(bestMovesUntilReady(), 0);
}

TEST_F(SearchFlow, EndOfInputDuringAnInfiniteSearchSendsTheBestMoveAndQuits) {
    send("position startpos");
    send("go infinite");
    pause(300);
    engine.closeInput();
    std::vector<std::string> lines;
    EXPECT_TRUE(engine.readToEnd(lines, 10000));
    EXPECT_EQ(countPrefixed(lines, "bestmove"), 1);
}

} // namespace
