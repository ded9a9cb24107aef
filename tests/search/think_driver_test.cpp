// The think driver through whole searches: mates and draws found and reported, the `go` limits,
// the root move list and its limits, the per-root-move lines and killers, and determinism.
#include <algorithm>
#include <set>

#include "search_fixture.h"

namespace tarnwick_test {
namespace {

TEST_F(SearchTest, MatesAreFoundWithExactScores) {
    // Position, score, every mating first move.
    const std::tuple<const char*, const char*, std::set<std::string>> cases[] = {
        {"fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "mate 1", {"d1d8"}},
        {"fen r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", "mate 1", {"a8a1"}},
        {"fen 4k3/8/8/8/8/8/R7/1R4K1 w - - 0 1", "mate 2", {"b1b7", "a2a7"}},
        {"fen r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", "mate 3", {"f8c5"}},
        // Being mated: every move loses, the score counts the moves to the mate against.
        {"fen 7k/R7/6K1/8/8/8/8/1R6 b - - 0 1", "mate -1", {"h8g8"}},
    };
    for (const auto& [position, score, moves] : cases) {
        restart();
        const std::vector<std::string> lines = search(position, "depth 8");
        EXPECT_EQ(lastInfoField(lines, "score"), score) << position;
        EXPECT_TRUE(moves.count(bestMoveText())) << position << ": " << bestMoveText();
        // A mate ends the deepening long before the depth limit.
        EXPECT_LT(std::stoi(lastInfoField(lines, "depth")), 8) << position;
    }
}

TEST_F(SearchTest, MovesIntoStalemateOrRepetitionScoreZero) {
    // Qc7 leaves Black without a legal move; the knight's way back to b8 repeats the start.
    for (const auto& [position, draw] : {std::pair{"fen k7/8/2Q5/7p/7P/8/8/7K w - - 0 1", "c6c7"},
                                         std::pair{"startpos moves g1f3 b8c6 f3g1", "c6b8"}}) {
        restart();
        search(position, "depth 4");
        const RootMove* found = std::find_if(rootMoves, rootMoves + rootMoveCount, [&](auto& r) {
            return std::string(moveToText(r.move).text) == draw;
        });
        ASSERT_NE(found, rootMoves + rootMoveCount) << draw;
        EXPECT_EQ(found->score, 0) << draw;
        EXPECT_EQ(found->line[1], SentinelMove) << draw; // the line ends at the draw
    }
}

TEST_F(SearchTest, NoSearchYetOrNoLegalRootMoveGivesBestMove0000WithoutEmptyMoves) {
    // Before any search, and for checkmated and stalemated roots: value 0, an empty list.
    for (const char* position :
         {"", "fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "fen 7k/8/8/8/8/6q1/5r2/7K w - - 0 1"}) {
        restart();
        if (*position != 0)
            search(position, "depth 3");
        EXPECT_EQ(rootMoveCount, 0);
        EXPECT_EQ(rootScore, 0);
        reportBestMove(0);
        const std::vector<std::string> lines = sentLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].find(" pv"), std::string::npos) << lines[0];
        EXPECT_EQ(lines[1], "bestmove 0000");
    }
}

TEST_F(SearchTest, DepthLimitEndsAfterTheIterationIsComplete) {
    for (int depth : {1, 2, 3, 5}) {
        restart();
        const std::vector<std::string> lines = search("startpos", "depth " + std::to_string(depth));
        EXPECT_EQ(lastInfoField(lines, "depth"), std::to_string(depth)) << "deeper ran";
        EXPECT_EQ(iterationDepth, depth + 1);
        // The final report names the depth after the last complete iteration.
        reportBestMove(0);
        EXPECT_EQ(lastInfoField(sentLines(), "depth"), std::to_string(depth + 1));
    }
}

TEST_F(SearchTest, NodeLimitSearchMovesAndTheRootListLimit) {
    search("startpos", "nodes 5000");
    EXPECT_EQ(nodeCount(), 5000u);
    EXPECT_EQ(searchRequest.stopRequested.load(), 1);
    EXPECT_NE(bestMoveText(), "");
    restart();
    search("startpos", "depth 3 searchmoves a2a3 h2h3 e9e9");
    EXPECT_EQ(rootMoveCount, 2);
    EXPECT_TRUE(bestMoveText() == "a2a3" || bestMoveText() == "h2h3") << bestMoveText();
    // 218 legal moves for White: the first 128 are kept.
    restart();
    search("fen R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1", "depth 2");
    EXPECT_EQ(rootMoveCount, MaxRootMoves);
    EXPECT_NE(bestMoveText(), "");
    // A go before any isready builds the tables first.
    restart();
    releaseTables();
    search("startpos", "depth 3");
    EXPECT_EQ(tablesArePresent(), 1);
    EXPECT_NE(bestMoveText(), "");
}

TEST_F(SearchTest, TheSameSearchGivesTheSameNodesAndLineAndLeavesThePositionAsItWas) {
    const char* position =
        "fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
    Move lines[2][LineSlots];
    std::uint64_t nodes[2];
    for (int run = 0; run < 2; ++run) {
        restart();
        search(position, "depth 6");
        nodes[run] = nodeCount();
        copyRootLine(lines[run]);
        const std::uint32_t lock = lockKey;
        setupPosition(positionText);
        EXPECT_EQ(lockKey, lock);
        EXPECT_EQ(boardIsConsistent(), 1);
        EXPECT_EQ(ply, 0);
        EXPECT_EQ(currentSlot, RootSlot);
        EXPECT_EQ(searchRequest.thinking.load(), 0);
    }
    EXPECT_EQ(nodes[0], nodes[1]);
    for (int k = 0; k < LineSlots && lines[0][k].kind != Sentinel; ++k)
        EXPECT_EQ(lines[0][k], lines[1][k]) << "slot " << k;
}

TEST_F(SearchTest, EachRootMoveKeepsItsOwnLineAndKillers) {
    search("fen r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7", "depth 5");
    int withKillers = 0;
    for (int i = 0; i < rootMoveCount; ++i) {
        // Every searched root move's line starts with the move itself.
        EXPECT_TRUE(rootMoves[i].score < LostRootMove || rootMoves[i].line[0] == rootMoves[i].move);
        // Ply 0 killers would be root moves: the root never stores killers.
        EXPECT_TRUE(isEmptyKiller(rootMoves[i].killers[0][0]));
        // Killers of one root move's subtree are replies to that move only.
        const Move& killer = rootMoves[i].killers[1][0];
        withKillers += !isEmptyKiller(killer);
        EXPECT_TRUE(isEmptyKiller(killer) || board[killer.from].colour == Black) << i;
    }
    EXPECT_GT(withKillers, 1);
}

} // namespace
} // namespace tarnwick_test
