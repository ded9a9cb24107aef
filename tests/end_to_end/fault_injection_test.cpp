// The engine binary with its surroundings broken: bad files and folders, memory or a thread that
// cannot be had, an interface that goes away during a search. It answers with legal moves and
// ends in order.
#include <chrono>
#include <filesystem>
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

namespace {

inline constexpr char OutOfMemoryEnd[] = " Bytes Arbeitsspeicher nicht mehr verf\x81gbar";

// The three endings the file covers, with either side to move, and a middle game.
const char* const Positions[] = {
    "fen 8/8/8/4k3/8/8/4P3/4K3 w - - 0 1", "fen 8/8/8/4k3/8/8/4P3/4K3 b - - 0 1",
    "fen 8/8/8/3k4/8/8/8/R3K3 w - - 0 1",  "fen 8/8/2k5/8/8/5Q2/8/6K1 w - - 0 1",
    "fen 8/8/8/8/8/1k6/8/K1Q5 b - - 0 1",  "startpos moves e2e4 e7e5 g1f3 b8c6",
};

class FaultInjection : public EngineSession {
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
    void write(const char* name, const std::string& contents) {
        std::ofstream(directory + "/" + name, std::ios::binary) << contents;
    }
    // Every test position, a short game of the king and pawn ending with the engine's own moves,
    // then the end of input and status 0.
    void expectLegalPlayAndCleanExit() {
        for (const char* position : Positions)
            legalAnswer(position, "go depth 4");
        std::string game = Positions[0];
        for (int ply = 0; ply < 6; ++ply)
            game.append(ply == 0 ? " moves " : " ").append(legalAnswer(game, "go depth 3"));
        finish();
    }

    static inline std::string goodFile;
};

// Root may write anywhere, so a file is made unwritable by a directory in its place. The files are
// looked for only once they are needed, so they are broken after the engine has started.
TEST_F(FaultInjection, BrokenFilesAndFoldersStillGiveLegalMoves) {
    ASSERT_EQ(goodFile.size(), static_cast<std::size_t>(tarnwick::EndgameFileSize));
    const std::string endgame = directory + "/Endgame.bin";
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"no endgame file", [] {}},
        {"empty", [&] { write("Endgame.bin", ""); }},
        {"short", [&] { write("Endgame.bin", goodFile.substr(0, 4096)); }},
        {"one byte short", [&] { write("Endgame.bin", goodFile.substr(1)); }},
        {"full of 255", [&] { write("Endgame.bin", std::string(goodFile.size(), -1)); }},
        {"read-only", [&] { write("Endgame.bin", goodFile), chmod(endgame.c_str(), 0444); }},
        {"bytes after", [&] { write("Endgame.bin", goodFile + std::string(99, -1)); }},
        {"a folder", [&] { mkdir(endgame.c_str(), 0755); }},
        {"logbook a folder", [&] { mkdir((directory + "/LogBook.txt").c_str(), 0755); }},
        {"working folder gone", [&] { rmdir(directory.c_str()); }},
    };
    for (const auto& [name, breakIt] : cases) {
        SCOPED_TRACE(name);
        tarnwick_test::removeDirectory(directory);
        mkdir(directory.c_str(), 0755);
        restart();
        exchange("uci\n", "uciok"); // the engine stands in its working folder
        breakIt();
        exchange("debug on\nucinewgame\nisready\n", "readyok");
        // A probed move that does not raise the best leaves the moves after it searched (at this
        // depth the search sees no mate faster than in 11).
        if (std::string(name) == "read-only") {
            EXPECT_NE(
                exchange("position fen 8/8/8/8/8/2k5/2p5/K1Q5 b - - 0 1\ngo depth 4\n", "bestmove")
                    .rbegin()[1]
                    .find(" seldepth 7 score mate -11 "),
                std::string::npos);
        }
        expectLegalPlayAndCleanExit();
    }
}

// A GUI may start the engine in any working folder: without "Endgame.bin" there, the engine reads
// the one beside its executable, started through a link as an installed engine is (Windows starts
// the program itself); a file in the working folder comes first. A file of draws tells them apart.
// The first search that needs the file says which one it reads, or that none is there, once a
// process, before its own lines.
TEST_F(FaultInjection, TheFileBesideTheExecutableServesAnyOtherWorkingFolder) {
    std::vector<std::string> command = tarnwick_test::engineCommand();
    const std::string name = command.back().substr(command.back().rfind('/') + 1);
    for (const char* folder : {"/lib", "/games", "/work"})
        mkdir((directory + folder).c_str(), 0755);
    std::filesystem::copy_file(command.back(), directory + "/lib/" + name);
    const bool linked = !name.ends_with(".exe");
    ASSERT_TRUE(!linked ||
                symlink(("../lib/" + name).c_str(), (directory + "/games/" + name).c_str()) == 0);
    command.back() = directory + (linked ? "/games/" : "/lib/") + name;
    const auto lineAtDepthOne = [&](const std::string& notice) {
        EXPECT_TRUE(engine.start(command, directory + "/work"));
        const std::string go = "position fen 4k3/8/8/8/8/8/8/3QK3 w - - 0 1\ngo depth 1\n";
        const std::vector<std::string> lines = exchange(go, "bestmove");
        std::string told = lines.front(); // Wine names the folders Z:\tmp\...
        std::replace(told.begin(), told.end(), '\\', '/');
        for (std::size_t at; (at = told.find("Z:/")) != std::string::npos;)
            told.erase(at, 2);
        EXPECT_EQ(told, "info string " + notice);
        EXPECT_EQ(countPrefixed(exchange(go, "bestmove"), "info string"), 0);
        return lines.rbegin()[1];
    };
    lineAtDepthOne("No readable Endgame.bin in " + directory + "/work/ or in " + directory +
                   "/lib/; endings of three men are played by search alone");
    write("lib/Endgame.bin", goodFile);
    EXPECT_NE(lineAtDepthOne("Endgame.bin read from " + directory + "/lib/Endgame.bin")
                  .find(" score mate 8 "),
              std::string::npos);
    write("work/Endgame.bin", std::string(goodFile.size(), tarnwick::EndgameDraw));
    EXPECT_NE(lineAtDepthOne("Endgame.bin read from " + directory + "/work/Endgame.bin")
                  .find(" score cp 0 "),
              std::string::npos);
    finish();
}

// Sizes beyond what a table can be asked for, and a real allocation failure with the address
// space limited so that a 1 GiB table cannot be had, print the out-of-memory line and leave the
// smallest table. The limit is tried on the native build without sanitizers only: they, and Wine,
// need more address space than it leaves.
TEST_F(FaultInjection, AHashSizeThatCannotBeHadLeavesAWorkingTable) {
    exchange("uci\n", "uciok");
    for (const char* size : {"100000000", "2147483647", "32768"}) { // 2^32 entries and more
        const std::vector<std::string> lines =
            exchange(std::string("setoption name Hash value ") + size + "\nisready\n", "readyok");
        ASSERT_EQ(lines.size(), 2u) << size;
        EXPECT_TRUE(lines[0][0] >= '1' && lines[0][0] <= '9') << lines[0];
        EXPECT_EQ(lines[0].substr(lines[0].find(' ')), OutOfMemoryEnd) << lines[0];
        legalAnswer(Positions[5], "go depth 5");
    }
    EXPECT_EQ(exchange("setoption name Hash value 2\nisready\n", "readyok").size(), 1u);
    expectLegalPlayAndCleanExit();
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    if (tarnwick_test::engineCommand() != std::vector<std::string>{TARNWICK_ENGINE_PATH})
        return;
    restart({"/bin/sh"}, {"-c", std::string("ulimit -v 400000 && exec ") + TARNWICK_ENGINE_PATH});
    EXPECT_EQ(exchange("uci\nsetoption name Hash value 1024\nisready\n", "readyok").rbegin()[1],
              std::string("1073741824") + OutOfMemoryEnd);
    expectLegalPlayAndCleanExit();
    // Thread stacks larger than the space left: without its input thread the engine ends at once
    // with status 1 rather than wait for commands that cannot arrive.
    restart({"/bin/sh"}, {"-c", std::string("ulimit -s 4000000 && ulimit -v 400000 && exec ") +
                                    TARNWICK_ENGINE_PATH});
    int status = -1;
    EXPECT_TRUE(engine.waitForExit(status, ReplyTimeoutMs));
    EXPECT_EQ(status, 1);
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
        restart();
        ASSERT_TRUE(engine.sendLine("position " + position + "\n" + go));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::vector<std::string> lines = finish();
        EXPECT_EQ(countPrefixed(lines, "bestmove "), 1);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(legal.count(bestMoveOf(lines.back())), 1u) << lines.back();
    }
    // A GUI that crashes closes both pipes: every write fails from then on, and the engine ends.
    restart();
    ASSERT_TRUE(engine.sendLine("position " + position + "\ngo infinite"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    engine.closeOutput();
    engine.closeInput();
    int status = -1;
    EXPECT_TRUE(engine.waitForExit(status, ReplyTimeoutMs));
    EXPECT_EQ(status, 0);
}

} // namespace
