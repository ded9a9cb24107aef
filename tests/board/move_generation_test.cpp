// The generators: their order (the search's move ordering), castling and en passant rules, the
// promotion expansion, the killer test, and the history test behind castling rights.
#include "board_test_support.h"

namespace tarnwick {
namespace {

TEST(MoveGeneration, FollowsTheRootOrderWithCastlingAndEnPassantByTheRules) {
    const char* const cases[][3] = {
        // Position, the man whose moves are shown ("" for all, "!" castling and en passant
        // only), their texts (only the first ones up to "...").
        {"startpos", "",
         "b1c3 b1a3 g1h3 g1f3 a2a3 a2a4 b2b3 b2b4 c2c3 c2c4 d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 g2g3 "
         "g2g4 h2h3 h2h4"},
        // Queen before rook as victims, pawn before knight before rook as attackers, then the
        // king's quiet moves before all others.
        {"fen 4k3/8/8/2r1q3/3P4/5N2/8/4RK2 w", "", "d4e5 f3e5 e1e5 d4c5 f1e2 f1g2 f1f2 f1g1 ..."},
        // Promotions queen, rook, bishop, knight, for captures and pushes.
        {"fen 3r1k2/4P3/8/8/8/8/8/4K3 w", "e7", "e7d8q e7d8r e7d8b e7d8n e7e8q e7e8r e7e8b e7e8n"},
        // Pushes stop at the first occupied square; a pawn on its own last rank (odd input)
        // has no pushes and reads nothing off the board.
        {"fen 4k3/8/8/8/8/4n3/4P3/4K3 w", "e2", ""},
        {"fen 4k3/8/8/8/4n3/8/4P3/4K3 w", "e2", "e2e3"},
        {"fen P3k3/8/8/8/8/8/8/4K3 w", "a8", ""},
        {"fen 4k3/8/8/8/8/8/8/p3K3 b - - 0 1", "a1", ""},
        // Castling follows the history, not the FEN; not out of or through check; the target
        // square is left to the legality test; b1 may be attacked.
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "!", "e1g1 e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1", "!", "e8g8 e8c8"},
        {"fen 4k3/4r3/8/8/8/8/8/R3K2R w", "!", ""},
        {"fen 4k3/8/8/8/8/8/8/RN2K1NR w", "!", ""},
        {"fen 4k3/8/8/8/8/8/5r2/R3K2R w", "!", "e1c1"},
        {"fen 4k3/8/8/8/8/8/3r4/R3K2R w", "!", "e1g1"},
        {"fen 4k3/8/8/8/8/8/6r1/R3K2R w", "!", "e1g1 e1c1"},
        {"fen 4k3/8/8/8/8/8/1r6/R3K2R w", "!", "e1g1 e1c1"},
        // A king or rook that went away and came back has moved (isUnmoved reads the history).
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1e2 e8e7 e2e1 e7e8", "!", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves h1h2 a8a7 h2h1 a7a8", "!", "e1c1"},
        // En passant answers only the double step just played (the FEN's field is ignored),
        // and comes first of all.
        {"startpos moves e2e4 d7d5 e4e5 f7f5", "", "e5f6 e1e2 ..."},
        {"startpos moves e2e4 d7d5 e4e5 f7f5", "!", "e5f6"},
        {"fen 4k3/8/8/8/3p1p2/8/4P3/4K3 w moves e2e4", "!", "d4e3 f4e3"},
        {"startpos moves e2e4 d7d5 e4e5 f7f5 g1f3 g8f6", "!", ""},
        {"fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "!", ""},
    };
    for (const auto& [position, from, expected] : cases) {
        const bool special = std::strcmp(from, "!") == 0;
        std::string text = movesText(position, special ? "" : from, special);
        if (std::string_view(expected).ends_with("..."))
            text = text.substr(0, std::strlen(expected) - 3) + "...";
        EXPECT_EQ(text, expected) << position;
    }
}

TEST(IsMoveValid, AcceptsOnlyKillersThatStillFitThePosition) {
    const struct {
        const char* position;
        Move killer;
        int valid;
    } cases[] = {
        {"startpos", move("g1f3", NormalMove, Knight, Empty), 1},
        {"startpos", move("f3g5", NormalMove, Knight, Empty), 0}, // origin empty now
        {"startpos", move("e2e4", NormalMove, Pawn, Pawn), 0},    // target holds something else
        {"startpos", move("a1a3", NormalMove, Rook, Empty), 0},   // blocked
        {"fen 4k3/8/8/8/8/4n3/4P3/4K3 w", move("e2e4", NormalMove, Pawn, Empty), 0},
        {"fen 4k3/8/8/8/8/4N3/3P4/4K3 w", move("d2e3", NormalMove, Pawn, Knight), 0},
        {"startpos moves e2e4 d7d5 e4e5 f7f5", move("e5f6", EnPassant, Pawn, Empty), 0},
        {"fen 4k3/P7/8/8/8/8/8/4K3 w", move("a7a8", Promotion, Queen, Empty), 1},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", move("e1c1", CastleQueenSide, King, Empty), 1},
        {"fen r3k2r/8/8/8/8/8/5r2/R3K2R w", move("e1g1", CastleKingSide, King, Empty), 0},
        {"startpos", Move{}, 0},
    };
    for (const auto& c : cases) {
        setPosition(c.position);
        moveStack[currentSlot] = c.killer;
        EXPECT_EQ(isMoveValid(), c.valid) << c.position << " " << moveToText(c.killer).text;
    }
}

TEST(IsUnmoved, LooksBelowCurrentSlotDownToTheSentinel) {
    setPosition("startpos");
    EXPECT_EQ(isUnmoved(sq("e1"), King, White), 1);
    EXPECT_EQ(isUnmoved(sq("e1"), King, Black), 0); // the cell must hold that man
    // A search move in the line below currentSlot counts for the plies above it only.
    moveStack[RootSlot] = move("h8h6", NormalMove, Rook, Empty);
    currentSlot = RootSlot + 1;
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 0);
    currentSlot = RootSlot;
    EXPECT_EQ(isUnmoved(sq("h8"), Rook, Black), 1);
}

} // namespace
} // namespace tarnwick
