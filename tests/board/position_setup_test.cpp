// The `position` command: the FEN reader's quirks, the game history, and the refusal of
// placements and game moves that the position cannot represent.
#include "board/board.h"
#include "board/position_setup.h"
#include "board_test_support.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

// The placement as a FEN-like text of 64 letters, a8 first, '.' for empty squares.
std::string placement() {
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0; file < 8; ++file) {
            const BoardCell& cell = board[makeSquare(file, rank)];
            char letter = cell.piece == Empty ? '.' : PieceLetters[cell.piece];
            if (cell.piece != Empty && cell.colour == White)
                letter = static_cast<char>(letter - 'a' + 'A');
            text += letter;
        }
    }
    return text;
}

const char* const StartPlacement = "rnbqkbnrpppppppp................................"
                                   "PPPPPPPPRNBQKBNR";

void expectKeysFromScratch() {
    std::uint32_t lock = 0;
    std::uint32_t index = 0;
    computeKeysFromScratch(lock, index);
    EXPECT_EQ(lockKey, lock);
    EXPECT_EQ(indexKey, index);
}

TEST(SetupPosition, AnyTextWithoutFenGivesTheStartPosition) {
    for (const char* text : {"startpos", "", "something else", "fenx 8/8 w"}) {
        setPosition(text);
        EXPECT_EQ(placement(), StartPlacement) << text;
        EXPECT_EQ(sideToMove, White);
        EXPECT_EQ(otherSide, Black);
        EXPECT_EQ(positionIsValid, 1);
        EXPECT_EQ(moveStack[NewestHistorySlot], SentinelMove);
        EXPECT_EQ(moveStack[0], Move{});
        expectKeysFromScratch();
    }
}

TEST(SetupPosition, ReadsPlacementAndSideOnly) {
    // The slashless start text, ranks written out with slashes, and FEN in capitals agree.
    setPosition("fen rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w - - 0 1");
    EXPECT_EQ(placement(), StartPlacement);
    setPosition("FEN rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(placement(), StartPlacement);
    // " b " anywhere makes black the side to move; "w" or no side field leaves white.
    setPosition("fen 4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(sideToMove, Black);
    EXPECT_EQ(otherSide, White);
    expectKeysFromScratch();
    setPosition("fen 4k3/8/8/8/8/8/8/4K3");
    EXPECT_EQ(sideToMove, White);
    // Only " b " with a blank on each side counts: a "b" that ends the text is not seen.
    setPosition("fen 4k3/8/8/8/8/8/8/4K3 b");
    EXPECT_EQ(sideToMove, White);
    // The en passant field has no effect: only a double step in the move list allows it.
    setPosition("fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");
    EXPECT_EQ(movesText(legalMoves()).find("e5f6"), std::string::npos);
    setPosition("startpos moves e2e4 d7d5 e4e5 f7f5");
    EXPECT_NE(movesText(legalMoves()).find("e5f6"), std::string::npos);
}

TEST(SetupPosition, PlacementEndingEarlyLeavesTheRestEmpty) {
    // A king on a8, seven empty squares, a king on a7, then the text ends.
    setPosition("fen k7K");
    EXPECT_EQ(positionIsValid, 1);
    EXPECT_EQ(board[sq("a8")].piece, King);
    EXPECT_EQ(board[sq("a7")].piece, King);
    EXPECT_EQ(board[sq("a7")].colour, White);
    EXPECT_EQ(pieceCount, 2);
    expectKeysFromScratch();
}

TEST(SetupPosition, FilesGameMovesInTheHistory) {
    setPosition("startpos moves e2e4");
    EXPECT_EQ(sideToMove, Black);
    EXPECT_EQ(moveStack[NewestHistorySlot],
              (Move{.to = 52, .from = 20, .kind = NormalMove, .piece = Pawn, .captured = 0}));
    EXPECT_EQ(moveStack[NewestHistorySlot - 1], SentinelMove);
    EXPECT_EQ(moveStack[0], SentinelMove);
    // Lists are canonical again after the list: the captured man is gone, counts are right.
    setPosition("startpos moves e2e4 d7d5 e4d5 d8d5");
    EXPECT_EQ(pieceCount, 30);
    EXPECT_EQ(lastPieceIndex[White], 14);
    EXPECT_EQ(lastPieceIndex[Black], 14);
    EXPECT_EQ(boardIsConsistent(), 1);
    expectKeysFromScratch();
    // Promotions join the officers when the lists are rebuilt.
    setPosition("fen 4k3/1P6/8/8/8/8/8/4K3 w moves b7b8r");
    EXPECT_EQ(pieceList[White][1].piece, Rook);
    EXPECT_EQ(lastOfficerIndex[White], 1);
}

TEST(SetupPosition, KeepsOnlyTheLast103GameMoves) {
    std::string text = "startpos moves";
    for (int i = 0; i < 30; ++i)
        text += " g1f3 g8f6 f3g1 f6g8";
    setPosition(text.c_str());
    EXPECT_EQ(placement(), StartPlacement);
    EXPECT_EQ(sideToMove, White);
    EXPECT_EQ(moveStack[0], SentinelMove); // the oldest entries fell out of the bottom
    EXPECT_EQ(moveStack[NewestHistorySlot].from, sq("f6"));
    expectKeysFromScratch();
}

struct RefusedCase {
    const char* text;
    const char* reason;
};

TEST(SetupPosition, RefusesPlacementsTheListsCannotHold) {
    const RefusedCase cases[] = {
        {"fen 8/8/8/8/8/8/8/8 w - - 0 1", "white has no king"},
        {"fen 4k3/8/8/8/8/8/8/8 w - - 0 1", "white has no king"},
        {"fen 4k3/8/8/8/8/8/8/3KK3 w - - 0 1", "white has more than one king"},
        {"fen 8/8/8/8/8/8/8/4K3 w - - 0 1 moves e1e2", "black has no king"},
        {"fen 3kk3/8/8/8/8/8/8/4K3 b", "black has more than one king"},
        {"fen 4k3/8/8/8/8/1Q6/PPPPPPPP/RNBQKBNR w - - 0 1", "white has more than 16 men"},
        {"fen rnbqkbnr/pppppppp/pp6/8/8/8/8/4K3 b - - 0 1", "black has more than 16 men"},
    };
    for (const RefusedCase& c : cases) {
        setPosition("startpos");
        setPosition(c.text);
        EXPECT_EQ(positionIsValid, 0) << c.text;
        EXPECT_STREQ(positionRefusal, c.reason) << c.text;
        // Nothing half-built survives: an empty, consistent board and an empty history.
        EXPECT_EQ(pieceCount, 0);
        EXPECT_EQ(boardIsConsistent(), 1);
        EXPECT_EQ(moveStack[NewestHistorySlot], SentinelMove);
    }
    setPosition("startpos");
    EXPECT_EQ(positionIsValid, 1);
    EXPECT_STREQ(positionRefusal, "");
}

struct SkippedMoveCase {
    const char* text; // the skipped move is followed by g1f3, which must still be played by white
    const char* skipped;
};

TEST(SetupPosition, SkipsGameMovesThatWouldCorruptThePosition) {
    const SkippedMoveCase cases[] = {
        {"fen 4k3/8/8/8/8/8/8/4K1N1 w moves e3e4 g1f3", "empty origin"},
        {"fen 4k3/8/8/8/8/8/8/4K1N1 w moves e8e7 g1f3", "man of the side not to move"},
        {"fen 4k3/8/8/8/8/8/8/R3K1N1 w moves a1e1 g1f3", "own man on the destination"},
        {"fen 4k3/8/8/8/8/8/8/R3K1N1 w moves a1a3 g1f3", "control: a plain move is played"},
        {"fen 4k3/8/8/8/8/8/8/R2qK1N1 w moves a1d1 g1f3", "control: a capture of a queen"},
        {"fen 4k3/4Q3/8/8/8/8/8/4K1N1 w moves e7e8 g1f3", "king on the destination"},
        {"fen 4k3/8/8/8/8/8/8/4K1N1 w moves e1c1 g1f3", "castling without a rook"},
        {"fen 4k3/8/8/8/8/8/8/1R2K1N1 w moves e1c1 g1f3", "castling rook not in the corner"},
        {"fen 4k3/8/8/8/8/8/8/R2BK1N1 w moves e1c1 g1f3", "rook's destination occupied"},
        {"fen 4k3/8/8/3P4/8/8/8/4K1N1 w moves d5e6 g1f3", "en passant without a pawn"},
        {"fen 4k3/8/8/3Pn3/8/8/8/4K1N1 w moves d5e6 g1f3", "en passant of a knight"},
        {"fen 4k3/8/8/8/8/8/8/4K1N1 w moves e1e2q g1f3", "a king promoting"},
        {"fen 4k3/8/8/8/8/8/8/4K1N1 w moves e9e4 g1f3", "malformed"},
        {"fen 4k3/8/8/8/8/8/8/4K1N1 w moves e2 g1f3", "too short"},
    };
    for (const SkippedMoveCase& c : cases) {
        setPosition(c.text);
        ASSERT_EQ(positionIsValid, 1) << c.text;
        // A skipped move leaves white to move, so white's g1f3 follows; after a played control
        // move black is to move and g1f3 is skipped in turn. Black is to move either way.
        const bool control = std::strncmp(c.skipped, "control", 7) == 0;
        EXPECT_EQ(board[sq("f3")].piece, control ? Empty : Knight) << c.skipped;
        EXPECT_EQ(sideToMove, Black) << c.skipped;
        EXPECT_EQ(boardIsConsistent(), 1) << c.skipped;
        expectKeysFromScratch();
    }
}

TEST(SetupPosition, PlaysWellFormedOddMovesAsTheyCome) {
    // A promotion letter that names no piece keeps the pawn: it stands on the last rank.
    setPosition("fen 4k3/P7/8/8/8/8/8/4K3 w moves a7a8x");
    EXPECT_EQ(board[sq("a8")].piece, Pawn);
    EXPECT_EQ(boardIsConsistent(), 1);
    expectKeysFromScratch();
    // A letter on another man changes its code; the keys still describe the board.
    setPosition("fen 4k3/8/8/8/8/8/8/4K1N1 w moves g1f3q");
    EXPECT_EQ(board[sq("f3")].piece, Queen);
    expectKeysFromScratch();
}

} // namespace
} // namespace tarnwick
