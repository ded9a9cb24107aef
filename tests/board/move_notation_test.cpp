// Long algebraic move text, both ways: printing moves and reading game moves.
#include "board/board.h"
#include "board/move_notation.h"
#include "board_test_support.h"

#include <gtest/gtest.h>
#include <string>

namespace tarnwick {
namespace {

TEST(MoveToText, WritesSquaresPromotionLetterOrNothing) {
    const struct {
        Move move;
        const char* text;
    } cases[] = {
        {{.to = sq("e4"), .from = sq("e2"), .kind = NormalMove, .piece = Pawn, .captured = 0},
         "e2e4"},
        {{.to = sq("a8"), .from = sq("b7"), .kind = Promotion, .piece = Knight, .captured = Rook},
         "b7a8n"},
        {{.to = sq("h1"), .from = sq("g2"), .kind = Promotion, .piece = Queen, .captured = 0},
         "g2h1q"},
        {{.to = sq("g1"), .from = sq("e1"), .kind = CastleKingSide, .piece = King, .captured = 0},
         "e1g1"},
        {{.to = sq("c8"), .from = sq("e8"), .kind = CastleQueenSide, .piece = King, .captured = 0},
         "e8c8"},
        {{.to = sq("f6"), .from = sq("e5"), .kind = EnPassant, .piece = Pawn, .captured = 0},
         "e5f6"},
        {NullMove, ""},
        {SentinelMove, ""},
        {Move{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(moveToText(c.move).text, c.text);
    // Each call has its own buffer: an earlier text survives a later call.
    const MoveText first = moveToText(cases[0].move);
    const MoveText second = moveToText(cases[1].move);
    EXPECT_STREQ(first.text, "e2e4");
    EXPECT_STREQ(second.text, "b7a8n");
}

TEST(PlayMoveText, InfersCastlingEnPassantAndPromotionFromTheBoard) {
    setPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1g1");
    EXPECT_EQ(moveStack[NewestHistorySlot].kind, CastleKingSide);
    EXPECT_EQ(board[sq("f1")].piece, Rook);
    EXPECT_EQ(board[sq("h1")].piece, Empty);
    setPosition("fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1 moves e8c8");
    EXPECT_EQ(moveStack[NewestHistorySlot].kind, CastleQueenSide);
    EXPECT_EQ(board[sq("d8")].piece, Rook);
    EXPECT_EQ(board[sq("a8")].piece, Empty);
    // d5e6 onto an empty square beside a black pawn takes en passant; onto a man, it captures.
    setPosition("fen 4k3/8/8/3Pp3/8/8/8/4K3 w moves d5e6");
    EXPECT_EQ(moveStack[NewestHistorySlot].kind, EnPassant);
    EXPECT_EQ(board[sq("e5")].piece, Empty);
    setPosition("fen 4k3/8/4n3/3Pp3/8/8/8/4K3 w moves d5e6");
    EXPECT_EQ(moveStack[NewestHistorySlot].kind, NormalMove);
    EXPECT_EQ(moveStack[NewestHistorySlot].captured, Knight);
    EXPECT_EQ(board[sq("e5")].piece, Pawn);
    // e7e8q promotes; e7e8 without a letter leaves a pawn on the last rank.
    setPosition("fen 3k4/4P3/8/8/8/8/8/4K3 w moves e7e8q");
    EXPECT_EQ(board[sq("e8")].piece, Queen);
    EXPECT_EQ(moveStack[NewestHistorySlot].kind, Promotion);
    setPosition("fen 3k4/4P3/8/8/8/8/8/4K3 w moves e7e8");
    EXPECT_EQ(board[sq("e8")].piece, Pawn);
    EXPECT_EQ(moveStack[NewestHistorySlot].kind, NormalMove);
}

TEST(PlayMoveText, MalformedMovesChangeNothing) {
    for (const char* bad : {"e9e4", "i2i4", "e2", "", "E2E4", "e2e-"}) {
        setPosition("startpos");
        const PositionSnapshot before = takeSnapshot();
        playMoveText(bad);
        EXPECT_TRUE(sameCellsListsAndKeys(before, takeSnapshot())) << bad;
        EXPECT_EQ(sideToMove, White) << bad;
        EXPECT_EQ(moveStack[NewestHistorySlot], SentinelMove) << bad;
    }
}

} // namespace
} // namespace tarnwick
