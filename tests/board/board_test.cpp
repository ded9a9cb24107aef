// The history test behind castling rights. The attack tests and the piece lists are exercised
// as a whole by the perft counts and the generation order tests.
#include "board/board.h"
#include "board_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(IsUnmoved, LooksBelowCurrentSlotDownToTheSentinel) {
    setPosition("startpos");
    EXPECT_EQ(isUnmoved(sq("e1"), King, White), 1);
    EXPECT_EQ(isUnmoved(sq("e1"), King, Black), 0); // the cell must hold that man
    // A king that went away and came back has moved, as long as the move is remembered.
    setPosition("startpos moves e2e4 e7e5 e1e2 e8e7 e2e1");
    EXPECT_EQ(isUnmoved(sq("e1"), King, White), 0);
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 1);
    // A search move in the line below currentSlot counts for the plies above it only.
    setPosition("startpos");
    moveStack[RootSlot] = move("h8h6", NormalMove, Rook, Empty);
    currentSlot = RootSlot + 1;
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 0);
    currentSlot = RootSlot;
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 1);
}

} // namespace
} // namespace tarnwick
