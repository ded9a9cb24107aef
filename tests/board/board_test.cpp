// The attack tests, the history test for castling rights and the piece list builder.
#include "board/board.h"
#include "board/make_unmake.h"
#include "board_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

struct AttackCase {
    const char* position;
    int piece;
    const char* from;
    const char* to;
    int expected;
};

TEST(PieceAttacks, FollowsTheMovementRulesOnTheCurrentBoard) {
    const AttackCase cases[] = {
        // A rook attacks along an empty rank whatever stands on the target, not through a man.
        {"fen 4k3/8/8/8/8/8/8/R3K2n w", Rook, "a1", "d1", 1},
        {"fen 4k3/8/8/8/8/8/8/R3K2n w", Rook, "a1", "h1", 0},
        {"fen 4k3/8/8/8/8/8/8/R5Kn w", Rook, "a1", "h1", 0},
        {"fen 4k3/8/8/8/4K3/8/8/R6n w", Rook, "a1", "h1", 1},
        {"fen 4k3/8/8/8/4K3/8/8/R6n w", Rook, "a1", "a1", 0},
        {"fen 4k3/8/8/8/4K3/8/8/R6n w", Rook, "a1", "b2", 0},
        // The king reaches adjacent squares only, the knight only its jumps.
        {"fen 4k3/8/8/8/4K3/8/8/8 w", King, "e4", "f5", 1},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", King, "e4", "e6", 0},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Knight, "e4", "f6", 1},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Knight, "e4", "f5", 0},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Knight, "h1", "f2", 1},
        // The queen along all eight lines, the bishop on diagonals only.
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Queen, "d4", "d8", 1},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Queen, "d4", "a7", 1},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Queen, "d4", "h8", 1},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Queen, "d4", "e6", 0},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Bishop, "d4", "d8", 0},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Bishop, "c3", "g7", 1},
        // Pawns and the empty code never attack here.
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Pawn, "d4", "e5", 0},
        {"fen 4k3/8/8/8/4K3/8/8/8 w", Empty, "d4", "d5", 0},
    };
    for (const AttackCase& c : cases) {
        setPosition(c.position);
        EXPECT_EQ(pieceAttacks(c.piece, sq(c.from), sq(c.to)), c.expected)
            << c.position << " " << c.from << "-" << c.to;
    }
}

TEST(IsSquareAttacked, SeesPawnsOfficersAndPromotedMen) {
    setPosition("fen 4k3/8/8/3p4/8/8/6P1/4K2R w");
    EXPECT_EQ(isSquareAttacked(Black, sq("e4")), 1); // black pawn d5 takes towards rank 1
    EXPECT_EQ(isSquareAttacked(Black, sq("c4")), 1);
    EXPECT_EQ(isSquareAttacked(Black, sq("d4")), 0);
    EXPECT_EQ(isSquareAttacked(White, sq("h3")), 1); // white pawn g2
    EXPECT_EQ(isSquareAttacked(White, sq("h8")), 1); // rook h1 up the open file
    EXPECT_EQ(isSquareAttacked(White, sq("g1")), 1); // king and rook
    EXPECT_EQ(isSquareAttacked(White, sq("a8")), 0);
    // Squares on the edge ranks: the pawn candidates lie off the board and are skipped.
    EXPECT_EQ(isSquareAttacked(White, sq("a1")), 0);
    EXPECT_EQ(isSquareAttacked(Black, sq("h8")), 0);
    // A man promoted from the pawn part of the list is seen by the officer scan.
    setPosition("fen 4k3/1P6/8/8/8/8/8/4K3 w");
    makeMove(findMove("b7b8q"));
    EXPECT_EQ(isSquareAttacked(White, sq("b1")), 1);
}

TEST(BuildPieceLists, OrdersTheStartPositionKingFirst) {
    setPosition("startpos");
    for (int colour = White; colour <= Black; ++colour) {
        EXPECT_EQ(pieceList[colour][0].piece, King);
        EXPECT_EQ(lastOfficerIndex[colour], 7);
        EXPECT_EQ(lastPieceIndex[colour], 15);
    }
    EXPECT_EQ(pieceCount, 32);
    // Queen, rooks a1/h1, bishops c1/f1, knights b1/g1, then the pawns by square.
    const int expected[8][2] = {{King, 4},   {Queen, 3},  {Rook, 0},   {Rook, 7},
                                {Bishop, 2}, {Bishop, 5}, {Knight, 1}, {Knight, 6}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(pieceList[White][i].piece, expected[i][0]);
        EXPECT_EQ(pieceList[White][i].square, expected[i][1]);
        EXPECT_EQ(board[expected[i][1]].listIndex, i);
    }
    EXPECT_EQ(pieceList[White][8].square, sq("a2"));
    EXPECT_EQ(board[sq("e4")].listIndex, NoListEntry);
    EXPECT_EQ(boardIsConsistent(), 1);
}

TEST(IsUnmoved, FollowsTheHistoryDownToTheSentinel) {
    setPosition("startpos");
    EXPECT_EQ(isUnmoved(sq("e1"), King, White), 1);
    EXPECT_EQ(isUnmoved(sq("e1"), Queen, White), 0); // wrong code
    EXPECT_EQ(isUnmoved(sq("e1"), King, Black), 0);  // wrong colour
    // A king that went away and came back counts as moved while the move is remembered.
    setPosition("startpos moves e2e4 e7e5 e1e2 e8e7 e2e1");
    EXPECT_EQ(isUnmoved(sq("e1"), King, White), 0);
    EXPECT_EQ(isUnmoved(sq("e8"), King, Black), 0); // the cell test: it stands on e7
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 1);
    // A search move from h8 in the line below currentSlot counts for the plies above it.
    setPosition("startpos");
    moveStack[RootSlot] =
        Move{.to = sq("h6"), .from = sq("h8"), .kind = NormalMove, .piece = Rook, .captured = 0};
    currentSlot = RootSlot + 1;
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 0);
    EXPECT_EQ(isUnmoved(sq("a8"), Rook, Black), 1);
    currentSlot = RootSlot;
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 1);
}

TEST(BoardIsConsistent, NoticesCellsAndListsThatDisagree) {
    setPosition("startpos");
    ASSERT_EQ(boardIsConsistent(), 1);
    board[sq("e4")] = board[sq("e2")]; // a man on two squares
    EXPECT_EQ(boardIsConsistent(), 0);
    setPosition("startpos");
    --pieceCount;
    EXPECT_EQ(boardIsConsistent(), 0);
    setPosition("startpos");
    pieceList[White][3].square = sq("e4");
    EXPECT_EQ(boardIsConsistent(), 0);
}

} // namespace
} // namespace tarnwick
