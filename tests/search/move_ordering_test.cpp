// The killer table's storing rules.
#include "search_fixture.h"

namespace tarnwick_test {
namespace {

TEST_F(SearchTest, KillerStoringRules) {
    const Move a = makeMoveRecord("g1f3", Knight);
    const Move b = makeMoveRecord("b1c3", Knight);
    const Move third = makeMoveRecord("f1c4", Bishop);
    const Move onLastSquare = makeMoveRecord("d2e4", Knight, Pawn);
    const Move enPassant = makeMoveRecord("d5e6", Pawn, 0, EnPassant);
    const struct {
        const char* name;
        std::vector<Move> stored;
        Move slot0;
        Move slot1;
    } cases[] = {
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
    for (const auto& c : cases) {
        clearKillers(killers);
        for (const Move& move : c.stored)
            storeKiller(&move);
        EXPECT_EQ(killers[3][0], c.slot0) << c.name;
        EXPECT_EQ(killers[3][1], c.slot1) << c.name;
        EXPECT_TRUE(isEmptyKiller(killers[2][0])) << c.name; // other plies untouched
    }
    ply = 0;
    currentSlot = RootSlot;
}

} // namespace
} // namespace tarnwick_test
