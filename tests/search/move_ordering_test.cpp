// The killer table's storing rules.
#include "search_fixture.h"

namespace tarnwick_test {
namespace {

TEST_F(SearchTest, KillerStoringRules) {
    const Move a = makeMoveRecord("g1f3", Knight), b = makeMoveRecord("b1c3", Knight);
    const Move third = makeMoveRecord("f1c4", Bishop);
    const Move onLastSquare = makeMoveRecord("d2e4", Knight, Pawn); // takes the man that moved
    const Move enPassant = makeMoveRecord("d5e6", Pawn, 0, EnPassant);
    const std::tuple<const char*, std::vector<Move>, Move, Move> cases[] = {
        {"first killer", {a}, a, SentinelMove},
        {"same move twice", {a, a}, a, SentinelMove},
        {"second distinct move", {a, b}, b, a},
        {"slot 1 move exchanges the slots", {a, b, a}, a, b},
        {"a third move drops the oldest", {a, b, third}, third, b},
        {"capture of the man that just moved", {a, onLastSquare}, a, SentinelMove},
        {"en passant", {a, enPassant}, a, SentinelMove},
        {"no move", {a, SentinelMove}, a, SentinelMove},
    };
    ply = 3;
    currentSlot = RootSlot + 3;
    moveStack[currentSlot - 1] = makeMoveRecord("e7e4", Queen); // the move that led to the node
    for (const auto& [name, stored, slot0, slot1] : cases) {
        clearKillers(killers);
        for (const Move& move : stored)
            storeKiller(&move);
        EXPECT_EQ(killers[3][0], slot0) << name;
        EXPECT_EQ(killers[3][1], slot1) << name;
        EXPECT_TRUE(isEmptyKiller(killers[2][0])) << name; // other plies untouched
    }
    ply = 0;
    currentSlot = RootSlot;
}

} // namespace
} // namespace tarnwick_test
