// The `position` command: the FEN reader's quirks, game moves read from their texts, the game
// history, and the refusal of placements and game moves the position cannot represent.
#include "board_test_support.h"

namespace tarnwick {
namespace {

// Everything but the leftovers on empty squares and in captured men's entries: the keys stand
// for the board.
PositionSnapshot setUpAndSummarise(const char* text) {
    setPosition(text);
    PositionSnapshot summary = takeSnapshot();
    std::memset(summary.cells, 0, sizeof summary.cells);
    for (int colour = 0; colour < 2; ++colour)
        for (int i = 0; i < PieceListSize; ++i)
            if (summary.pieces[colour][i] == Empty)
                summary.squares[colour][i] = 0;
    return summary;
}

TEST(SetupPosition, GivesTheSamePositionAsTheEquivalentPlacement) {
    const char* const cases[][2] = {
        // Anything without "fen " is the start position; slashless ranks, FEN in capitals and
        // a FEN without fields after the side make no difference.
        {"", "startpos"},
        {"anything", "startpos"},
        {"fen rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w", "startpos"},
        {"FEN rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "startpos"},
        {"fen 4k3/8/8/8/8/8/8/4K3 b", "fen 4k3/8/8/8/8/8/8/4K3 w"}, // " b " needs two blanks
        {"fen k7K", "fen k7/K7/8/8/8/8/8/8 w"}, // a placement that ends early: the rest empty
        // Castling, en passant, a plain pawn capture, promotion with and without a letter.
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1g1 e8c8", "fen 2kr3r/8/8/8/8/8/8/R4RK1 w"},
        {"fen 4k3/8/8/3Pp3/8/8/8/4K3 w moves d5e6", "fen 4k3/8/4P3/8/8/8/8/4K3 b -"},
        {"fen 4k3/8/4n3/3Pp3/8/8/8/4K3 w moves d5e6", "fen 4k3/8/4P3/4p3/8/8/8/4K3 b -"},
        {"fen 3k4/4P3/8/8/8/8/8/4K3 w moves e7e8q", "fen 3kQ3/8/8/8/8/8/8/4K3 b -"},
        {"fen 3k4/4P3/8/8/8/8/8/4K3 w moves e7e8", "fen 3kP3/8/8/8/8/8/8/4K3 b -"},
        // The lists are rebuilt after the moves: the promoted man is an officer again.
        {"fen 4k3/1P6/8/8/8/8/8/4K3 w moves b7b8r e8d7", "fen 1R6/3k4/8/8/8/8/8/4K3 w"},
        // Game moves that would corrupt the position are skipped like malformed ones, each
        // leaving white to move: an empty origin, a man of the other side, an own man or a king
        // on the target, castling into the bishop's square, en passant of a knight, a king
        // promoting, malformed texts; castling without a rook. The g1f3 after them is played.
        {"fen 4k3/4Q3/8/3Pn3/8/8/8/R2BK1N1 w moves e3e4 e8e7 a1e1 e7e8 e1c1 d5e6 e1e2q e9e4 e2 "
         "g1f3",
         "fen 4k3/4Q3/8/3Pn3/8/5N2/8/R2BK3 b Q -"},
        {"fen 4k3/8/8/8/8/8/8/1R2K1N1 w moves e1c1 g1f3", "fen 4k3/8/8/8/8/5N2/8/1R2K3 b -"},
        // Odd but harmless moves are played as they come: a letter that names no piece keeps
        // the pawn, a knight move with a letter turns the knight into a queen.
        {"fen 4k3/P7/8/8/8/8/8/4K1N1 w moves a7a8x e8d8 g1f3q", "fen P2k4/8/8/8/8/5Q2/8/4K3 b -"},
    };
    for (const auto& [text, equivalent] : cases) {
        const PositionSnapshot expected = setUpAndSummarise(equivalent);
        const PositionSnapshot got = setUpAndSummarise(text);
        EXPECT_EQ(got, expected) << text;
        EXPECT_EQ(positionIsValid, 1) << text;
        EXPECT_EQ(boardIsConsistent(), 1) << text;
        EXPECT_TRUE(keysMatchScratch()) << text;
    }
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
}

TEST(MoveToText, WritesSquaresAndAPromotionLetterIntoItsOwnBuffer) {
    const MoveText first = moveToText(moveRecord("e2e4", Pawn, Empty, NormalMove));
    const MoveText second = moveToText(moveRecord("b7a8", Knight, Rook, Promotion));
    EXPECT_STREQ(first.text, "e2e4"); // still intact after the second call
    EXPECT_STREQ(second.text, "b7a8n");
}

} // namespace
} // namespace tarnwick
