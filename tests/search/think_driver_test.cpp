// The think driver through whole searches: mates and draws found and reported, the `go` limits,
// the root move list and its limits, and searches that must not run.
#include "search_fixture.h"

#include <algorithm>
#include <set>

namespace tarnwick_test {
namespace {

using namespace tarnwick;

struct MateCase {
    const char* position;
    const char* score;
    std::set<std::string> moves; // every mating first move
};

TEST_F(SearchTest, MatesAreFoundWithExactScores) {
    const MateCase cases[] = {
        {"fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "mate 1", {"d1d8"}},
        {"fen r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", "mate 1", {"a8a1"}},
        {"fen 4k3/8/8/8/8/8/R7/1R4K1 w - - 0 1", "mate 2", {"b1b7", "a2a7"}},
        {"fen r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", "mate 3", {"f8c5"}},
        // Being mated: every move loses, the score counts the moves to the mate against.
        {"fen 7k/R7/6K1/8/8/8/8/1R6 b - - 0 1", "mate -1", {"h8g8"}},
    };
    for (const MateCase& c : cases) {
        restart();
        const std::vector<std::string> lines = search(c.position, "depth 8");
        const std::string info = lastInfo(lines);
        EXPECT_EQ(field(info, "score"), c.score) << c.position;
        EXPECT_TRUE(c.moves.count(bestMoveText())) << c.position << ": " << bestMoveText();
        // A mate ends the deepening long before the depth limit.
        EXPECT_LT(std::stoi(field(info, "depth")), 8) << c.position;
    }
}

TEST_F(SearchTest, NoLegalMoveAtTheRootGivesNoBestMove) {
    // Checkmated and stalemated root positions: an empty list, the value 0, bestmove 0000.
    for (const char* position :
         {"fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "fen 7k/8/8/8/8/6q1/5r2/7K w - - 0 1"}) {
        restart();
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

TEST_F(SearchTest, AMoveIntoStalemateScoresZero) {
    // Qc7 leaves Black without a legal move; everything else wins easily.
    search("fen k7/8/2Q5/7p/7P/8/8/7K w - - 0 1", "depth 3");
    const Move stalemating = makeMoveRecord("c6c7", Queen);
    int found = 0;
    for (int i = 0; i < rootMoveCount; ++i) {
        if (rootMoves[i].move == stalemating) {
            EXPECT_EQ(rootMoves[i].score, 0);
            ++found;
        }
    }
    EXPECT_EQ(found, 1);
    EXPECT_GT(rootScore, 1000);
    EXPECT_NE(bestMoveText(), "c6c7");
}

TEST_F(SearchTest, RepeatingAtTheRootScoresZero) {
    // The knight's way back to b8 repeats the start position.
    search("startpos moves g1f3 b8c6 f3g1", "depth 4");
    const Move back = makeMoveRecord("c6b8", Knight);
    int found = 0;
    for (int i = 0; i < rootMoveCount; ++i) {
        if (rootMoves[i].move == back) {
            EXPECT_EQ(rootMoves[i].score, 0);
            EXPECT_EQ(rootMoves[i].line[1], SentinelMove); // the line ends at the repetition
            ++found;
        }
    }
    EXPECT_EQ(found, 1);
}

TEST_F(SearchTest, DepthLimitEndsAfterTheIterationIsComplete) {
    for (int depth : {1, 2, 3, 5}) {
        restart();
        const std::string arguments = "depth " + std::to_string(depth);
        const std::vector<std::string> lines = search("startpos", arguments.c_str());
        int deepest = 0;
        for (const std::string& line : lines) {
            if (line.rfind("info depth ", 0) == 0)
                deepest = std::max(deepest, std::stoi(field(line, "depth")));
        }
        EXPECT_EQ(deepest, depth < 4 ? depth : depth) << "iteration " << depth + 1 << " ran";
        EXPECT_EQ(iterationDepth, depth + 1);
        // The final report names the depth after the last complete iteration.
        reportBestMove(0);
        EXPECT_EQ(field(lastInfo(sentLines()), "depth"), std::to_string(depth + 1));
    }
}

TEST_F(SearchTest, NodeLimitStopsAtExactlyThatCount) {
    search("startpos", "nodes 5000");
    EXPECT_EQ(nodeCount(), 5000u);
    EXPECT_EQ(searchRequest.stopRequested.load(), 1);
    EXPECT_NE(bestMoveText(), "");
}

TEST_F(SearchTest, SearchMovesRestrictTheRootList) {
    search("startpos", "depth 3 searchmoves a2a3 h2h3 e9e9");
    EXPECT_EQ(rootMoveCount, 2);
    const std::string best = bestMoveText();
    EXPECT_TRUE(best == "a2a3" || best == "h2h3") << best;
}

TEST_F(SearchTest, MoreThan128LegalMovesKeepTheFirst128) {
    // 218 legal moves for White.
    search("fen R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1", "depth 2");
    EXPECT_EQ(rootMoveCount, MaxRootMoves);
    EXPECT_NE(bestMoveText(), "");
}

TEST_F(SearchTest, ARefusedPositionAnswersAtOnce) {
    setUp("fen 8/8/8/8/8/8/8/8 w - - 0 1");
    ASSERT_EQ(positionIsValid, 0);
    std::snprintf(commandArgs, sizeof commandArgs, "infinite");
    think();
    EXPECT_EQ(searchRequest.ponderMode.load(), 0);
    EXPECT_EQ(searchRequest.thinking.load(), 0);
    EXPECT_EQ(bestMoveOwed.load(), 1);
    reportBestMove(0);
    const std::vector<std::string> lines = sentLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "bestmove 0000");
}

TEST_F(SearchTest, AGoBeforeAnyIsreadyBuildsTheTables) {
    releaseTables();
    search("startpos", "depth 3");
    EXPECT_EQ(tablesArePresent(), 1);
    EXPECT_NE(bestMoveText(), "");
}

TEST_F(SearchTest, FlagsAreSetInOrderAndThinkingClearedAtTheEnd) {
    commandPending.store(1);
    search("startpos", "depth 2");
    EXPECT_EQ(commandPending.load(), 0);
    EXPECT_EQ(bestMoveOwed.load(), 1);
    EXPECT_EQ(searchRequest.thinking.load(), 0);
    EXPECT_EQ(ply, 0);
    EXPECT_EQ(currentSlot, RootSlot);
}

TEST_F(SearchTest, TheSameSearchGivesTheSameNodesAndLine) {
    const char* position =
        "fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
    search(position, "depth 6");
    const std::uint64_t nodes = nodeCount();
    Move first[LineSlots];
    copyRootLine(first);
    restart();
    search(position, "depth 6");
    EXPECT_EQ(nodeCount(), nodes);
    Move second[LineSlots];
    copyRootLine(second);
    for (int k = 0; k < LineSlots && first[k].kind != Sentinel; ++k)
        EXPECT_EQ(first[k], second[k]) << "slot " << k;
}

TEST_F(SearchTest, SortRootMovesIsStableAndDescending) {
    const int scores[] = {5, 7, 7, 3};
    rootMoveCount = 4;
    for (int i = 0; i < 4; ++i) {
        rootMoves[i].score = static_cast<std::int16_t>(scores[i]);
        rootMoves[i].move.to = static_cast<std::int16_t>(i);
    }
    sortRootMoves();
    const int expectedScores[] = {7, 7, 5, 3};
    const int expectedOrigins[] = {1, 2, 0, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rootMoves[i].score, expectedScores[i]);
        EXPECT_EQ(rootMoves[i].move.to, expectedOrigins[i]);
    }
}

TEST_F(SearchTest, EachRootMoveKeepsItsOwnLineAndKillers) {
    search("fen r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7", "depth 5");
    int withKillers = 0;
    for (int i = 0; i < rootMoveCount; ++i) {
        // Every searched root move's line starts with the move itself.
        if (rootMoves[i].score >= LostRootMove) {
            EXPECT_EQ(rootMoves[i].line[0], rootMoves[i].move) << i;
        }
        // Ply 0 killers would be root moves: the root never stores killers.
        EXPECT_TRUE(isEmptyKiller(rootMoves[i].killers[0][0]));
        if (!isEmptyKiller(rootMoves[i].killers[1][0]))
            ++withKillers;
    }
    EXPECT_GT(withKillers, 1);
    // Killers of one root move's subtree are replies to that move only.
    for (int i = 0; i < rootMoveCount; ++i) {
        const Move& killer = rootMoves[i].killers[1][0];
        if (!isEmptyKiller(killer)) {
            EXPECT_EQ(board[killer.from].colour, Black) << i;
        }
    }
}

} // namespace
} // namespace tarnwick_test
