// Long algebraic move text, both ways: printing moves and reading game moves.
#include "board/board.h"
#include "board/move_notation.h"
#include "board_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(MoveToText, WritesSquaresAndAPromotionLetterIntoItsOwnBuffer) {
    const MoveText first = moveToText(move("e2e4", NormalMove, Pawn, Empty));
    const MoveText second = moveToText(move("b7a8", Promotion, Knight, Rook));
    EXPECT_STREQ(first.text, "e2e4"); // still intact after the second call
    EXPECT_STREQ(second.text, "b7a8n");
    EXPECT_STREQ(moveToText(move("e8c8", CastleQueenSide, King, Empty)).text, "e8c8");
    EXPECT_STREQ(moveToText(NullMove).text, "");
    EXPECT_STREQ(moveToText(SentinelMove).text, "");
}

TEST(PlayMoveText, InfersCastlingEnPassantAndPromotionFromTheBoard) {
    setPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1g1 e8c8");
    EXPECT_EQ(moveStack[NewestHistorySlot - 1].kind, CastleKingSide);
    EXPECT_EQ(moveStack[NewestHistorySlot].kind, CastleQueenSide);
    EXPECT_EQ(board[sq("f1")].piece, Rook);
    EXPECT_EQ(board[sq("d8")].piece, Rook);
    EXPECT_EQ(board[sq("a8")].piece, Empty);
    // d5e6 onto an empty square takes the pawn beside it; onto a man it is a plain capture.
    setPosition("fen 4k3/8/8/3Pp3/8/8/8/4K3 w moves d5e6");
    EXPECT_EQ(moveStack[NewestHistorySlot], move("d5e6", EnPassant, Pawn, Empty));
    EXPECT_EQ(board[sq("e5")].piece, Empty);
    setPosition("fen 4k3/8/4n3/3Pp3/8/8/8/4K3 w moves d5e6");
    EXPECT_EQ(moveStack[NewestHistorySlot], move("d5e6", NormalMove, Pawn, Knight));
    // e7e8q promotes; without a letter the pawn stays a pawn on the last rank.
    setPosition("fen 3k4/4P3/8/8/8/8/8/4K3 w moves e7e8q");
    EXPECT_EQ(moveStack[NewestHistorySlot], move("e7e8", Promotion, Queen, Empty));
    setPosition("fen 3k4/4P3/8/8/8/8/8/4K3 w moves e7e8");
    EXPECT_EQ(board[sq("e8")].piece, Pawn);
}

TEST(PlayMoveText, MalformedMovesChangeNothing) {
    for (const char* bad : {"e9e4", "i2i4", "e2", "", "E2E4"}) {
        setPosition("startpos");
        const PositionSnapshot before = takeSnapshot();
        playMoveText(bad);
        EXPECT_EQ(takeSnapshot(), before) << bad;
        EXPECT_EQ(sideToMove, White) << bad;
        EXPECT_EQ(moveStack[NewestHistorySlot], SentinelMove) << bad;
    }
}

} // namespace
} // namespace tarnwick
