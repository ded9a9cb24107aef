// isRepetition on hand-built move sequences: the move stack is all it reads.
#include <gtest/gtest.h>

#include "search/repetition.h"
#include "test_support.h"

namespace tarnwick_test {
namespace {

TEST(Repetition, Cases) {
    using namespace tarnwick;
    const Move ng1f3 = moveRecord("g1f3", Knight), nb8c6 = moveRecord("b8c6", Knight);
    const Move nf3g1 = moveRecord("f3g1", Knight), nc6b8 = moveRecord("c6b8", Knight);
    const Move ng8f6 = moveRecord("g8f6", Knight), nf6g8 = moveRecord("f6g8", Knight);
    const Move pe2e4 = moveRecord("e2e4", Pawn);
    // The six-ply cycle: the white king e1-e2-d1-e1, a black rook a8-b8-c8-a8.
    const std::vector<Move> sixPly = {moveRecord("e1e2", King), moveRecord("a8b8", Rook),
                                      moveRecord("e2d1", King), moveRecord("b8c8", Rook),
                                      moveRecord("d1e1", King), moveRecord("c8a8", Rook)};
    // Eight plies: a king walk back to its square, the other side's knight out and back twice.
    const std::vector<Move> eightPly = {
        moveRecord("e1e2", King), ng8f6, moveRecord("e2e3", King), nf6g8,
        moveRecord("e3e2", King), ng8f6, moveRecord("e2e1", King), nf6g8};
    // Name, the moves (oldest first; the last one is the current move), at the root, expected.
    const std::tuple<const char*, std::vector<Move>, int, int> cases[] = {
        {"knight dance at the root", {ng1f3, nb8c6, nf3g1, nc6b8}, 1, 1},
        {"knight dance in the tree", {ng1f3, nb8c6, nf3g1, nc6b8}, 0, 1},
        {"three reversible plies only", {nb8c6, nf3g1, nc6b8}, 1, 0},
        {"three reversible plies in the tree", {pe2e4, nb8c6, nf3g1, nc6b8}, 0, 0},
        {"six-ply cycle at the root", sixPly, 1, 1},
        {"six-ply cycle in the tree", sixPly, 0, 0},
        {"eight plies at the root", eightPly, 1, 1},
        {"eight plies in the tree", eightPly, 0, 0},
        {"another man moved meanwhile", {ng1f3, nb8c6, nf3g1, ng8f6}, 1, 0},
        {"a capture breaks it", {ng1f3, nb8c6, nf3g1, moveRecord("c6b8", Knight, Pawn)}, 1, 0},
        {"a pawn move breaks it", {ng1f3, nb8c6, nf3g1, nc6b8, pe2e4, nb8c6, ng1f3, nc6b8}, 1, 0},
        {"the dance after a pawn move", {pe2e4, ng1f3, nb8c6, nf3g1, nc6b8}, 1, 1},
        {"the dance twice over", {ng1f3, nb8c6, nf3g1, nc6b8, ng1f3, nb8c6, nf3g1, nc6b8}, 0, 1},
    };
    for (const auto& [name, moves, atRoot, expected] : cases) {
        // The last move in currentSlot: the root slot for a root move, higher up for a move
        // inside the tree; a sentinel below the first.
        std::fill(std::begin(moveStack), std::end(moveStack), Move{});
        currentSlot = atRoot ? RootSlot : RootSlot + 6;
        const int first = currentSlot - static_cast<int>(moves.size()) + 1;
        moveStack[first - 1] = SentinelMove;
        std::copy(moves.begin(), moves.end(), moveStack + first);
        EXPECT_EQ(isRepetition(atRoot), expected) << name;
    }
    resetBoard();
}

} // namespace
} // namespace tarnwick_test
