// Perft over the real generators against the published counts, the one count that differs by
// the design of castling rights, and the tool's output and refusals.
#include "board/board.h"
#include "board/move_notation.h"
#include "board/perft.h"
#include "board/position_setup.h"
#include "board_test_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace tarnwick {
namespace {

const char* const Position5 = "fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";

struct PerftCase {
    const char* position;
    int depth;
    std::uint64_t leaves;
};

TEST(Perft, MatchesThePublishedCounts) {
    const PerftCase cases[] = {
        {"startpos", 5, 4865609},
        {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 4, 4085603},
        {"fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 5, 674624},
        {"fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4, 422333},
        {Position5, 3, 62379},
        {"fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4,
         3894594},
    };
    for (const PerftCase& c : cases) {
        setPosition(c.position);
        EXPECT_EQ(perft(c.depth, nullptr), c.leaves) << c.position;
        EXPECT_EQ(boardIsConsistent(), 1);
    }
}

// Castling rights come from the move history: a king that went f8-e8 has never moved from e8,
// so it counts as unmoved and may castle. The published count for this position at depth 4
// (2,103,487) treats that king as moved; here the tree has 169 more leaves.
TEST(Perft, KingThatReturnsToItsSquareFromElsewhereMayCastle) {
    setPosition(Position5);
    EXPECT_EQ(perft(4, nullptr), 2103656u);
    // One such line: d7xc8=Q, Kf8-e8, a2-a3, and black castles with the king that came to e8.
    setPosition((std::string(Position5) + " moves d7c8q f8e8 a2a3").c_str());
    const std::string legal = movesText(legalMoves());
    EXPECT_NE(legal.find("e8g8"), std::string::npos);
    // A king that moved away from e8 itself has lost the right.
    setPosition("fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1 moves e8f8 a1a2 f8e8");
    EXPECT_EQ(movesText(legalMoves()).find("e8g8"), std::string::npos);
}

std::uint64_t reportedTotal = 0;
int reportedMoves = 0;

void sumRootMove(const Move&, std::uint64_t leaves) {
    reportedTotal += leaves;
    ++reportedMoves;
}

TEST(Perft, ReportsEachLegalRootMoveAndRestoresThePosition) {
    setPosition("fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
    const PositionSnapshot before = takeSnapshot();
    reportedTotal = 0;
    reportedMoves = 0;
    EXPECT_EQ(perft(2, sumRootMove), 2039u);
    EXPECT_EQ(reportedMoves, 48);
    EXPECT_EQ(reportedTotal, 2039u);
    EXPECT_TRUE(sameCellsListsAndKeys(before, takeSnapshot()));
    EXPECT_EQ(currentSlot, RootSlot);
    EXPECT_EQ(perft(0, nullptr), 1u);
}

struct ToolRun {
    std::string output;
    int status;
};

ToolRun runTool(const std::string& arguments) {
    ToolRun run{"", -1};
    const std::string command = std::string(TARNWICK_TOOL_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, count);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(PerftTool, PrintsRootMovesInGenerationOrderThenTheTotal) {
    const ToolRun run = runTool("perft 2 startpos moves e2e4 d7d5 e4e5 f7f5");
    EXPECT_EQ(run.status, 0);
    // En passant leads, then captures (none), then quiet moves from the king on.
    EXPECT_EQ(run.output.rfind("e5f6: 29\ne1e2: 24\nd1e2: 24\n", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("\n\nNodes searched: 707\nNodes/second: "), std::string::npos)
        << run.output;
    const ToolRun plain = runTool("perft 1");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.output.rfind("b1c3: 1\nb1a3: 1\n", 0), 0u) << plain.output;
    EXPECT_NE(plain.output.find("Nodes searched: 20\n"), std::string::npos);
}

TEST(PerftTool, RefusesBadDepthsAndPositionsWithOneErrorLine) {
    for (const char* arguments :
         {"perft", "perft x", "perft 0", "perft -1", "perft 2x", "perft 65", "perft 99999999999",
          "perft 2 fen 8/8/8/8 w", "perft 1 fen 4k3/8/8/8/8/8/8/3KK3 w"}) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << arguments << run.output;
        EXPECT_EQ(run.output.find("Nodes"), std::string::npos);
    }
}

} // namespace
} // namespace tarnwick
