// searchNode called directly, one ply below a root: mate and stalemate values, the quiescence
// stand-pat cut and the balance of ply, slot and sides on every return.
#include "board/move_generation.h"
#include "eval/root_evaluation.h"
#include "search/node_search.h"
#include "search_fixture.h"

#include <utility>

namespace tarnwick_test {
namespace {

using namespace tarnwick;

class NodeSearchTest : public SearchTest {
  protected:
    // The position as if the side not to move had just played into it at ply 0.
    void enterAtPly1(const char* position) {
        setUp(position);
        prepareRootEvaluation();
        moveCallback = searchMove;
        std::swap(sideToMove, otherSide);
        moveStack[RootSlot] = SentinelMove;
        ply = 1;
        currentSlot = RootSlot + 1;
        line[1] = SentinelMove;
    }
    void expectBalanced(int side) {
        EXPECT_EQ(ply, 1);
        EXPECT_EQ(currentSlot, RootSlot + 1);
        EXPECT_EQ(sideToMove, side);
    }
    Move line[LineSlots]{};
};

TEST_F(NodeSearchTest, MatedAndStalematedNodes) {
    struct Case {
        const char* position;
        int inCheck;
        int alpha;
        int beta;
        int expected;
    };
    const Case cases[] = {
        {"fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", 1, -FullWindow, FullWindow, 1 - MateScore},
        {"fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", 1, -200, 200, -200}, // clamped to the window
        {"fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, -FullWindow, FullWindow, 0},
        {"fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, 50, 100, 50},
    };
    for (const Case& c : cases) {
        restart();
        enterAtPly1(c.position);
        const int side = sideToMove;
        EXPECT_EQ(searchNode(c.alpha, c.beta, 2, 0, line, c.inCheck), c.expected) << c.position;
        expectBalanced(side);
    }
}

TEST_F(NodeSearchTest, StandPatAtOrAboveBetaCutsBeforeAnything) {
    enterAtPly1("startpos moves e2e4");
    const int side = sideToMove;
    // Stand-pat is -parentScore = 500 >= beta: beta at once, nothing searched.
    EXPECT_EQ(searchNode(-100, 100, 0, -500, line, 0), 100);
    EXPECT_EQ(nodeCount(), 0u);
    expectBalanced(side);
    // Below beta the captures are tried, and the result stays in the window.
    const int value = searchNode(-100, 100, 0, 0, line, 0);
    EXPECT_GE(value, -100);
    EXPECT_LE(value, 100);
    expectBalanced(side);
}

TEST_F(NodeSearchTest, ADeepSearchLeavesEverythingBalanced) {
    enterAtPly1("fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1");
    const int side = sideToMove;
    std::uint32_t lock = lockKey;
    std::uint32_t index = indexKey;
    const int value = searchNode(-FullWindow, FullWindow, 5, 0, line, 0);
    EXPECT_GT(value, -MateScore + 100);
    EXPECT_LT(value, MateScore - 100);
    expectBalanced(side);
    EXPECT_EQ(lockKey, lock);
    EXPECT_EQ(indexKey, index);
    EXPECT_EQ(boardIsConsistent(), 1);
    EXPECT_NE(line[1].piece, 0); // the node's best move heads the line
}

} // namespace
} // namespace tarnwick_test
