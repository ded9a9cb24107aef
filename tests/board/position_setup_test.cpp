// The `position` command: the FEN reader's quirks, the game history, and the refusal of
// placements and game moves the position cannot represent.
#include "board/board.h"
#include "board/position_setup.h"
#include "board_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(SetupPosition, ReadsOnlyPlacementAndSideToMove) {
    setPosition("startpos");
    const PositionSnapshot start = takeSnapshot();
    // Anything without "fen " is the start position; slashless ranks, slashes, FEN in capitals
    // and the castling field make no difference.
    for (const char* text : {"", "anything", "fen rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w - - 0 1",
                             "FEN rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"}) {
        setPosition(text);
        EXPECT_EQ(takeSnapshot(), start) << text;
        EXPECT_EQ(sideToMove, White) << text;
        EXPECT_EQ(moveStack[NewestHistorySlot], SentinelMove);
    }
    setPosition("fen 4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(sideToMove, Black);
    EXPECT_EQ(otherSide, White);
    EXPECT_TRUE(keysMatchScratch());
    setPosition("fen 4k3/8/8/8/8/8/8/4K3 b"); // " b " needs a blank on both sides
    EXPECT_EQ(sideToMove, White);
    // A placement that ends early leaves the rest empty: kings on a8 and a7.
    setPosition("fen k7K");
    EXPECT_EQ(positionIsValid, 1);
    EXPECT_EQ(pieceCount, 2);
    EXPECT_EQ(board[sq("a7")].colour, White);
    EXPECT_TRUE(keysMatchScratch());
    // The en passant field is ignored; only a double step in the move list allows the capture.
    setPosition("fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");
    EXPECT_EQ(findMove("e5f6").piece, Empty);
    setPosition("startpos moves e2e4 d7d5 e4e5 f7f5");
    EXPECT_EQ(findMove("e5f6").kind, EnPassant);
}

TEST(SetupPosition, FilesGameMovesAndRebuildsTheLists) {
    setPosition("startpos moves e2e4");
    EXPECT_EQ(sideToMove, Black);
    EXPECT_EQ(moveStack[NewestHistorySlot], move("e2e4", NormalMove, Pawn, Empty));
    EXPECT_EQ(moveStack[NewestHistorySlot - 1], SentinelMove);
    EXPECT_EQ(moveStack[0], SentinelMove);
    setPosition("fen 4k3/1P6/8/8/8/8/8/4K3 w moves b7b8r e8d7");
    EXPECT_EQ(pieceList[White][1].piece, Rook); // the promoted man is an officer again
    EXPECT_EQ(lastOfficerIndex[White], 1);
    // 120 moves: only the last 103 are remembered, the oldest fall out at the bottom.
    std::string text = "startpos moves";
    for (int i = 0; i < 30; ++i)
        text += " g1f3 g8f6 f3g1 f6g8";
    setPosition(text.c_str());
    EXPECT_EQ(moveStack[0], SentinelMove);
    EXPECT_EQ(moveStack[NewestHistorySlot].from, sq("f6"));
    EXPECT_TRUE(keysMatchScratch());
}

TEST(SetupPosition, RefusesPlacementsTheListsCannotHold) {
    const char* const refused[][2] = {
        {"fen 8/8/8/8/8/8/8/8 w - - 0 1", "white has no king"},
        {"fen 4k3/8/8/8/8/8/8/3KK3 w - - 0 1", "white has more than one king"},
        {"fen 8/8/8/8/8/8/8/4K3 w - - 0 1 moves e1e2", "black has no king"},
        {"fen 4k3/8/8/8/8/1Q6/PPPPPPPP/RNBQKBNR w - - 0 1", "white has more than 16 men"},
        {"fen rnbqkbnr/pppppppp/pp6/8/8/8/8/4K3 b - - 0 1", "black has more than 16 men"},
    };
    for (const auto& [text, reason] : refused) {
        setPosition("startpos");
        setPosition(text);
        EXPECT_EQ(positionIsValid, 0) << text;
        EXPECT_STREQ(positionRefusal, reason);
        EXPECT_EQ(pieceCount, 0); // nothing half-built survives
        EXPECT_EQ(boardIsConsistent(), 1);
    }
    setPosition("startpos");
    EXPECT_EQ(positionIsValid, 1);
}

TEST(SetupPosition, SkipsGameMovesThatWouldCorruptThePosition) {
    // Each skipped move leaves white to move, so the g1f3 after it is played.
    for (const char* text :
         {"fen 4k3/8/8/8/8/8/8/4K1N1 w moves e3e4 g1f3",       // empty origin
          "fen 4k3/8/8/8/8/8/8/4K1N1 w moves e8e7 g1f3",       // man of the other side
          "fen 4k3/8/8/8/8/8/8/R3K1N1 w moves a1e1 g1f3",      // own man on the target
          "fen 4k3/4Q3/8/8/8/8/8/4K1N1 w moves e7e8 g1f3",     // a king on the target
          "fen 4k3/8/8/8/8/8/8/1R2K1N1 w moves e1c1 g1f3",     // castling without rook
          "fen 4k3/8/8/8/8/8/8/R2BK1N1 w moves e1c1 g1f3",     // rook's square taken
          "fen 4k3/8/8/3Pn3/8/8/8/4K1N1 w moves d5e6 g1f3",    // en passant of a knight
          "fen 4k3/8/8/8/8/8/8/4K1N1 w moves e1e2q g1f3",      // a king promoting
          "fen 4k3/8/8/8/8/8/8/4K1N1 w moves e9e4 e2 g1f3"}) { // malformed
        setPosition(text);
        EXPECT_EQ(board[sq("f3")].piece, Knight) << text;
        EXPECT_EQ(sideToMove, Black) << text;
        EXPECT_EQ(boardIsConsistent(), 1) << text;
        EXPECT_TRUE(keysMatchScratch()) << text;
    }
    // Odd but harmless moves are played as they come, and the keys still describe the board.
    setPosition("fen 4k3/P7/8/8/8/8/8/4K1N1 w moves a7a8x e8d8 g1f3q");
    EXPECT_EQ(board[sq("a8")].piece, Pawn); // a letter that names no piece keeps the pawn
    EXPECT_EQ(board[sq("f3")].piece, Queen);
    EXPECT_TRUE(keysMatchScratch());
}

} // namespace
} // namespace tarnwick
