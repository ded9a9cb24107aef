// The engine binary with its surroundings broken: a bad or missing endgame file, a logbook that
// cannot be written, a working folder that vanishes, a transposition table that cannot be had,
// and an interface that goes away in the middle of a search. The engine goes on answering with
// legal moves and ends with status 0.
#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "engine_session.h"
#include "eval/endgame_data.h"
#include "search/transposition_table.h"

using namespace end_to_end;
using tarnwick_test::EngineProcess;

namespace {

inline constexpr int TimeoutMs = 60000;
inline constexpr char OutOfMemoryEnd[] = " Bytes Arbeitsspeicher nicht mehr verf\x81gbar";

// The three endings the file covers, with either side to move, and a middle game.
const char* const Positions[] = {
    "fen 8/8/8/4k3/8/8/4P3/4K3 w - - 0 1", "fen 8/8/8/4k3/8/8/4P3/4K3 b - - 0 1",
    "fen 8/8/8/3k4/8/8/8/R3K3 w - - 0 1",  "fen 8/8/2k5/8/8/5Q2/8/6K1 w - - 0 1",
    "fen 8/8/8/8/8/1k6/8/K1Q5 b - - 0 1",  "startpos moves e2e4 e7e5 g1f3 b8c6",
};

class FaultInjection : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tarnwick::prepareTables();
        // One correct endgame file for the whole suite, written by the tool.
        const std::string folder = tarnwick_test::makeTemporaryDirectory();
        std::vector<std::string> ignored;
        ASSERT_EQ(tarnwick_test::runTool({"egtb", "build"}, ignored, folder), 0);
        ASSERT_TRUE(tarnwick_test::readFile(folder + "/Endgame.bin", goodFile));
        tarnwick_test::removeDirectory(folder);
    }

    void SetUp() override { directory = tarnwick_test::makeTemporaryDirectory(); }
    void TearDown() override { tarnwick_test::removeDirectory(directory); }
    std::string path(const char* name) const { return directory + "/" + name; }

    void startEngine(const std::vector<std::string>& command = tarnwick_test::engineCommand(),
                     const std::vector<std::string>& arguments = {}) {
        engine = std::make_unique<EngineProcess>();
        ASSERT_TRUE(engine->start(command, directory, arguments));
        awaitReady("uci");
    }
    void send(const std::string& line) { ASSERT_TRUE(engine->sendLine(line)) << line; }
    // Sends the commands and `isready`; the lines up to its "readyok".
    std::vector<std::string> awaitReady(const std::string& commands) {
        send(commands + "\nisready");
        std::vector<std::string> lines;
        EXPECT_TRUE(engine->readUntil("readyok", lines, TimeoutMs)) << commands;
        return lines;
    }
    // The engine's answer, which must be legal in `position`.
    std::string expectLegalAnswer(const std::string& position, const std::string& go) {
        send("position " + position + "\n" + go);
        std::vector<std::string> lines;
        EXPECT_TRUE(engine->readUntil("bestmove ", lines, TimeoutMs)) << position;
        const std::string best = lines.empty() ? "" : bestMoveOf(lines.back());
        EXPECT_EQ(legalMoveTexts(position).count(best), 1u) << position << ": " << best;
        return best;
    }
    // Every test position, a short game of the king and pawn ending with the engine's own moves,
    // then quit with status 0 (a sanitizer's report in the engine would make it 1).
    void expectLegalPlayAndCleanExit() {
        for (const char* position : Positions)
            expectLegalAnswer(position, "go depth 4");
        std::string game = Positions[0];
        for (int ply = 0; ply < 6; ++ply)
            game.append(ply == 0 ? " moves " : " ").append(expectLegalAnswer(game, "go depth 3"));
        send("quit");
        int status = -1;
        EXPECT_TRUE(engine->waitForExit(status, TimeoutMs));
        EXPECT_EQ(status, 0);
    }

    static inline std::string goodFile;
    std::unique_ptr<EngineProcess> engine;
    std::string directory;
};

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

// Root may write anywhere, so a file is made unwritable by a directory in its place.
TEST_F(FaultInjection, BrokenFilesAndFoldersStillGiveLegalMoves) {
    ASSERT_EQ(goodFile.size(), static_cast<std::size_t>(tarnwick::EndgameFileSize));
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"no endgame file", [] {}},
        {"empty", [&] { writeFile(path("Endgame.bin"), ""); }},
        {"short", [&] { writeFile(path("Endgame.bin"), goodFile.substr(0, 4096)); }},
        {"one byte short", [&] { writeFile(path("Endgame.bin"), goodFile.substr(1)); }},
        {"full of 255", [&] { writeFile(path("Endgame.bin"), std::string(goodFile.size(), -1)); }},
        {"read-only",
         [&] {
             writeFile(path("Endgame.bin"), goodFile);
             chmod(path("Endgame.bin").c_str(), 0444);
         }},
        {"bytes after", [&] { writeFile(path("Endgame.bin"), goodFile + std::string(99, -1)); }},
        {"a folder", [&] { mkdir(path("Endgame.bin").c_str(), 0755); }},
        {"logbook a folder", [&] { mkdir(path("LogBook.txt").c_str(), 0755); }},
        {"working folder gone", [&] { rmdir(directory.c_str()); }},
    };
    for (const auto& [name, breakIt] : cases) {
        SCOPED_TRACE(name);
        TearDown();
        SetUp();
        startEngine(); // the files are looked for only once they are needed
        breakIt();
        awaitReady("debug on\nucinewgame");
        expectLegalPlayAndCleanExit();
        mkdir(directory.c_str(), 0755);
    }
}

// Sizes beyond what a table can be asked for, and a real allocation failure with the address
// space limited so that a 1 GiB table cannot be had, print the out-of-memory line and leave the
// smallest table. The limit is tried on the native build without sanitizers only: they, and Wine,
// need more address space than it leaves.
TEST_F(FaultInjection, AHashSizeThatCannotBeHadLeavesAWorkingTable) {
    startEngine();
    for (const char* size : {"100000000", "2147483647", "4096"}) {
        const std::vector<std::string> lines =
            awaitReady(std::string("setoption name Hash value ") + size);
        ASSERT_EQ(lines.size(), 2u) << size;
        EXPECT_TRUE(lines[0][0] >= '1' && lines[0][0] <= '9') << lines[0];
        EXPECT_EQ(lines[0].substr(lines[0].find(' ')), OutOfMemoryEnd) << lines[0];
        expectLegalAnswer(Positions[5], "go depth 5");
    }
    EXPECT_EQ(awaitReady("setoption name Hash value 2").size(), 1u); // no message
    expectLegalPlayAndCleanExit();
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    if (tarnwick_test::engineCommand() != std::vector<std::string>{TARNWICK_ENGINE_PATH})
        return;
    startEngine({"/bin/sh"},
                {"-c", std::string("ulimit -v 400000 && exec ") + TARNWICK_ENGINE_PATH});
    EXPECT_EQ(awaitReady("setoption name Hash value 1024")[0],
              std::string("1073741824") + OutOfMemoryEnd);
    expectLegalPlayAndCleanExit();
#endif
}

// The interface goes away during a search: an open-ended search is stopped and answered, a
// search with its own limit finishes and is answered, and the engine exits with status 0.
TEST_F(FaultInjection, InputClosedDuringASearchEndsWithABestMoveAndStatusZero) {
    const std::string position = "startpos moves d2d4 d7d5 c2c4";
    const std::set<std::string> legal = legalMoveTexts(position);
    for (const char* go : {"go infinite", "go ponder wtime 100000 btime 100000", "go depth 4",
                           "go movetime 300", "go wtime 100000 btime 100000"}) {
        SCOPED_TRACE(go);
        startEngine();
        send("position " + position + "\n" + go);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        engine->closeInput();
        std::vector<std::string> lines;
        ASSERT_TRUE(engine->readToEnd(lines, TimeoutMs));
        EXPECT_EQ(countPrefixed(lines, "bestmove "), 1);
        EXPECT_EQ(legal.count(bestMoveOf(lines.back())), 1u) << lines.back();
        int status = -1;
        EXPECT_TRUE(engine->waitForExit(status, TimeoutMs));
        EXPECT_EQ(status, 0);
    }
}

} // namespace
