// The engine binary with its surroundings broken: a bad or missing endgame file, a logbook that
// cannot be written, a transposition table that cannot be had, and an interface that goes away
// in the middle of a search. In each case the engine goes on answering with legal moves.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "board/move_notation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "eval/endgame_data.h"
#include "search/transposition_table.h"
#include "test_support.h"

using namespace tarnwick_test;

namespace {

inline constexpr int TimeoutMs = 60000;
inline constexpr char OutOfMemoryEnd[] = " Bytes Arbeitsspeicher nicht mehr verf\x81gbar";

// Positions of the three endings the file covers, and one from the middle game.
const char* const EndgamePositions[] = {
    "fen 8/8/8/4k3/8/8/4P3/4K3 w - - 0 1", // king and pawn
    "fen 8/8/8/4k3/8/8/4P3/4K3 b - - 0 1", // the same, the lone king to move
    "fen 8/8/8/3k4/8/8/8/R3K3 w - - 0 1",  // king and rook
    "fen 8/8/2k5/8/8/5Q2/8/6K1 w - - 0 1", // king and queen
    "fen 8/8/8/8/8/1k6/8/K1Q5 b - - 0 1",  // the lone king to move, one square left
    "startpos moves e2e4 e7e5 g1f3 b8c6",
};

std::set<std::string> legalMovesOf(const std::string& position) {
    static std::set<std::string>* collected = nullptr;
    std::set<std::string> legal;
    collected = &legal;
    tarnwick::setupPosition(position.c_str());
    if (tarnwick::positionIsValid) {
        tarnwick::perft(1, [](const tarnwick::Move& move, std::uint64_t) {
            collected->insert(tarnwick::moveToText(move).text);
        });
    }
    return legal;
}

std::string bestMoveOf(const std::string& line) {
    const std::size_t end = line.find(' ', 9);
    return line.substr(9, end == std::string::npos ? std::string::npos : end - 9);
}

class FaultInjection : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tarnwick::prepareTables();
        // One correct endgame file for the whole suite, written by the tool.
        fileDirectory = makeTemporaryDirectory();
        EngineProcess tool;
        ASSERT_TRUE(tool.start(toolCommand(), fileDirectory, {"egtb", "build", "Endgame.bin"}));
        std::vector<std::string> ignored;
        tool.readToEnd(ignored, TimeoutMs);
        int status = -1;
        ASSERT_TRUE(tool.waitForExit(status, TimeoutMs));
        ASSERT_EQ(status, 0);
        ASSERT_TRUE(readFile(fileDirectory + "/Endgame.bin", goodFile));
        ASSERT_EQ(goodFile.size(), static_cast<std::size_t>(tarnwick::EndgameFileSize));
    }
    static void TearDownTestSuite() { removeDirectory(fileDirectory); }

    void SetUp() override { directory = makeTemporaryDirectory(); }
    void TearDown() override {
        chmod((directory + "/Endgame.bin").c_str(), 0644);
        rmdir((directory + "/LogBook.txt").c_str());
        removeDirectory(directory);
    }

    void writeFile(const std::string& name, const std::string& contents) {
        std::ofstream out(directory + "/" + name, std::ios::binary);
        out << contents;
    }

    void startEngine() {
        engine = std::make_unique<EngineProcess>();
        ASSERT_TRUE(engine->start(engineCommand(), directory));
        send("uci");
        awaitReady();
    }
    void send(const std::string& line) { ASSERT_TRUE(engine->sendLine(line)) << line; }
    // Sends `isready` and returns the lines up to its "readyok".
    std::vector<std::string> awaitReady() {
        send("isready");
        std::vector<std::string> lines;
        EXPECT_TRUE(engine->readUntil("readyok", lines, TimeoutMs));
        return lines;
    }
    // Searches `position` and checks that the answer is one of its legal moves.
    void expectLegalAnswer(const std::string& position, const std::string& go) {
        send("position " + position);
        send(go);
        std::vector<std::string> lines;
        ASSERT_TRUE(engine->readUntil("bestmove ", lines, TimeoutMs)) << position;
        const std::string best = bestMoveOf(lines.back());
        EXPECT_EQ(legalMovesOf(position).count(best), 1u) << position << ": " << lines.back();
    }
    // Every test position, then a short game from the king and pawn ending with the engine's
    // own moves, then quit with status 0.
    void expectLegalPlayAndCleanExit() {
        for (const char* position : EndgamePositions)
            expectLegalAnswer(position, "go depth 4");
        std::string game = EndgamePositions[0];
        game += " moves";
        for (int ply = 0; ply < 8; ++ply) {
            send("position " + game);
            send("go depth 3");
            std::vector<std::string> lines;
            ASSERT_TRUE(engine->readUntil("bestmove ", lines, TimeoutMs)) << game;
            const std::string best = bestMoveOf(lines.back());
            const std::set<std::string> legal = legalMovesOf(game);
            if (legal.empty()) {
                EXPECT_EQ(best, "0000") << game;
                break;
            }
            ASSERT_EQ(legal.count(best), 1u) << game << ": " << lines.back();
            game += " " + best;
        }
        expectCleanExit();
    }
    void expectCleanExit() {
        engine->sendLine("quit");
        int status = -1;
        EXPECT_TRUE(engine->waitForExit(status, TimeoutMs));
        EXPECT_EQ(status, 0); // also catches a sanitizer's report in the engine
    }

    static std::string fileDirectory;
    static std::string goodFile;
    std::unique_ptr<EngineProcess> engine; // one per engine run
    std::string directory;
};
std::string FaultInjection::fileDirectory;
std::string FaultInjection::goodFile;

TEST_F(FaultInjection, EveryKindOfEndgameFileStillGivesLegalMoves) {
    struct Case {
        const char* name;
        std::string contents; // written as "Endgame.bin" unless absent
        bool present;
        bool readOnly;
    };
    const Case cases[] = {
        {"missing", "", false, false},
        {"empty", "", true, false},
        {"short", goodFile.substr(0, 4096), true, false},
        {"one byte short", goodFile.substr(0, goodFile.size() - 1), true, false},
        {"full of 255", std::string(goodFile.size(), '\xff'), true, false},
        {"correct but read-only", goodFile, true, true},
        {"correct with bytes after it", goodFile + std::string(1000, '\xff'), true, false},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        if (each.present)
            writeFile("Endgame.bin", each.contents);
        if (each.readOnly) {
            ASSERT_EQ(chmod((directory + "/Endgame.bin").c_str(), 0444), 0);
        }
        startEngine();
        expectLegalPlayAndCleanExit();
        chmod((directory + "/Endgame.bin").c_str(), 0644);
        unlink((directory + "/Endgame.bin").c_str());
    }
}

TEST_F(FaultInjection, AnEndgameFileThatIsADirectoryIsIgnored) {
    ASSERT_EQ(mkdir((directory + "/Endgame.bin").c_str(), 0755), 0);
    startEngine();
    expectLegalPlayAndCleanExit();
    rmdir((directory + "/Endgame.bin").c_str());
}

// Root may write anywhere, so the logbook is made unwritable by a directory in its place.
TEST_F(FaultInjection, ALogbookThatCannotBeWrittenChangesNothing) {
    ASSERT_EQ(mkdir((directory + "/LogBook.txt").c_str(), 0755), 0);
    startEngine();
    send("debug on");
    send("ucinewgame");
    expectLegalPlayAndCleanExit();
}

TEST_F(FaultInjection, AWorkingFolderThatVanishesChangesNothing) {
    startEngine();
    ASSERT_EQ(rmdir(directory.c_str()), 0);
    send("debug on");
    expectLegalPlayAndCleanExit();
    ASSERT_EQ(mkdir(directory.c_str(), 0755), 0); // for TearDown
}

// Sizes beyond what a table can be asked for take the out-of-memory line and leave the smallest
// table; nothing is allocated for them.
TEST_F(FaultInjection, AHashSizeThatCannotBeHadLeavesAWorkingTable) {
    startEngine();
    for (const char* size : {"100000000", "2147483647", "4096"}) {
        send(std::string("setoption name Hash value ") + size);
        const std::vector<std::string> lines = awaitReady();
        ASSERT_EQ(lines.size(), 2u) << size;
        EXPECT_TRUE(lines[0][0] >= '1' && lines[0][0] <= '9') << lines[0];
        EXPECT_EQ(lines[0].substr(lines[0].find(' ')), OutOfMemoryEnd) << lines[0];
        expectLegalAnswer(EndgamePositions[5], "go depth 5");
    }
    send("setoption name Hash value 2");
    EXPECT_EQ(awaitReady().size(), 1u); // a size that can be had: no message
    expectLegalPlayAndCleanExit();
}

// A real allocation failure: the address space is limited so that a 1 GiB table cannot be had.
// The sanitizers reserve far more address space than any such limit allows.
TEST_F(FaultInjection, AFailedAllocationLeavesAWorkingTable) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
    const std::string command = std::string("ulimit -v 400000 && exec ") + TARNWICK_ENGINE_PATH;
    engine = std::make_unique<EngineProcess>();
    ASSERT_TRUE(engine->start({"/bin/sh"}, directory, {"-c", command}));
    send("uci");
    awaitReady();
    send("setoption name Hash value 1024");
    const std::vector<std::string> lines = awaitReady();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string("1073741824") + OutOfMemoryEnd);
    expectLegalPlayAndCleanExit();
}

// The interface goes away during a search: an open-ended search is stopped and answered, a
// search with its own limit finishes and is answered, and the engine exits with status 0.
TEST_F(FaultInjection, InputClosedDuringASearchEndsWithABestMoveAndStatusZero) {
    const std::string position = "startpos moves d2d4 d7d5 c2c4";
    const std::set<std::string> legal = legalMovesOf(position);
    for (const char* go : {"go infinite", "go ponder wtime 100000 btime 100000", "go depth 4",
                           "go movetime 300", "go wtime 100000 btime 100000"}) {
        SCOPED_TRACE(go);
        startEngine();
        send("position " + position);
        send(go);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        engine->closeInput();
        std::vector<std::string> lines;
        ASSERT_TRUE(engine->readToEnd(lines, TimeoutMs));
        int bestMoves = 0;
        for (const std::string& line : lines) {
            if (line.rfind("bestmove ", 0) == 0) {
                ++bestMoves;
                EXPECT_EQ(legal.count(bestMoveOf(line)), 1u) << line;
            }
        }
        EXPECT_EQ(bestMoves, 1);
        int status = -1;
        EXPECT_TRUE(engine->waitForExit(status, TimeoutMs));
        EXPECT_EQ(status, 0);
    }
}

} // namespace
