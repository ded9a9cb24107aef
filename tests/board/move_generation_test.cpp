// The generators: castling and en passant rules, the promotion expansion and pushes, the killer
// test, and the castling rights that moves keep and take back (the order of the generated moves
// is proved by the search's node counts).
#include <random>

#include "board_test_support.h"

namespace tarnwick {
namespace {

TEST(MoveGeneration, FollowsTheRootOrderWithCastlingAndEnPassantByTheRules) {
    const char* const cases[][3] = {
        // Position, the man whose moves are shown ("" for all, "!" castling and en passant
        // only), their texts (only the first ones up to "...").
        // Promotions queen, rook, bishop, knight, for captures and pushes.
        {"fen 3r1k2/4P3/8/8/8/8/8/4K3 w", "e7", "e7d8q e7d8r e7d8b e7d8n e7e8q e7e8r e7e8b e7e8n"},
        // Pushes stop at the first occupied square; a pawn on its own last rank (odd input)
        // has no pushes and reads nothing off the board.
        {"fen 4k3/8/8/8/8/4n3/4P3/4K3 w", "e2", ""},
        {"fen 4k3/8/8/8/4n3/8/4P3/4K3 w", "e2", "e2e3"},
        {"fen P3k3/8/8/8/8/8/8/4K3 w", "a8", ""},
        {"fen 4k3/8/8/8/8/8/8/p3K3 b - - 0 1", "a1", ""},
        // Castling needs its right: from the FEN's field (unknown letters ignored), or from where
        // the kings and rooks stand when there is no field. Not out of or through check; the
        // target square is left to the legality test; b1 may be attacked.
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "!", "e1g1 e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1", "!", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b KQkqX - 0 1", "!", "e8g8 e8c8"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b AHah - 0 1", "!", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b Kq - 0 1", "!", "e8c8"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", "!", "e1g1 e1c1"},
        {"fen 4k3/4r3/8/8/8/8/8/R3K2R w", "!", ""},
        {"fen 4k3/8/8/8/8/8/8/RN2K1NR w", "!", ""},
        {"fen 4k3/8/8/8/8/8/5r2/R3K2R w", "!", "e1c1"},
        {"fen 4k3/8/8/8/8/8/3r4/R3K2R w", "!", "e1g1"},
        {"fen 4k3/8/8/8/8/8/6r1/R3K2R w", "!", "e1g1 e1c1"},
        {"fen 4k3/8/8/8/8/8/1r6/R3K2R w", "!", "e1g1 e1c1"},
        // A king or rook that went away and came back has lost its right, and so has a rook
        // taken on its square, even when another one takes its place.
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1e2 e8e7 e2e1 e7e8", "!", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves h1h2 a8a7 h2h1 a7a8", "!", "e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves a1a8 h8h1 a8b8 h1h8", "!", ""},
        // En passant answers the double step just played, or the FEN's square when a pawn of
        // the side to move can take there, and comes first of all. A square on the wrong rank,
        // without the pawn that stepped, or with a man on it or on the step's origin gives none.
        {"startpos moves e2e4 d7d5 e4e5 f7f5", "", "e5f6 e1e2 ..."},
        {"startpos moves e2e4 d7d5 e4e5 f7f5", "!", "e5f6"},
        {"fen 4k3/8/8/8/3p1p2/8/4P3/4K3 w moves e2e4", "!", "d4e3 f4e3"},
        {"startpos moves e2e4 d7d5 e4e5 f7f5 g1f3 g8f6", "!", ""},
        {"fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "!", "e5f6"},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - d6 0 1", "!", "e5d6"},
        {"fen 4k3/8/8/8/3pPp2/8/8/4K3 b - e3 0 1", "!", "d4e3 f4e3"},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - f3 0 1", "!", ""},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - e6 0 1", "!", ""},
        {"fen 4k3/5p2/8/3pPp2/8/8/8/4K3 w - f6 0 1", "!", ""},
        {"fen 4k3/8/5n2/3pPp2/8/8/8/4K3 w - f6 0 1", "!", ""},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - f6x 0 1", "!", ""},
        {"fen 4k3/8/8/3pPp2/8/8/8/4K3 w - f6 0 1 moves e1e2 e8e7", "!", ""},
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
        {"startpos", moveRecord("g1f3", Knight, Empty, NormalMove), 1},
        {"startpos", moveRecord("f3g5", Knight, Empty, NormalMove), 0}, // origin empty now
        {"startpos", moveRecord("a1a3", Rook, Empty, NormalMove), 0},   // blocked
        {"fen 4k3/8/8/8/8/4n3/4P3/4K3 w", moveRecord("e2e4", Pawn, Empty, NormalMove), 0},
        {"startpos moves e2e4 d7d5 e4e5 f7f5", moveRecord("e5f6", Pawn, Empty, EnPassant), 0},
        {"fen 4k3/P7/8/8/8/8/8/4K3 w", moveRecord("a7a8", Queen, Empty, Promotion), 1},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", moveRecord("e1c1", King, Empty, CastleQueenSide), 1},
        {"fen r3k2r/8/8/8/8/8/5r2/R3K2R w", moveRecord("e1g1", King, Empty, CastleKingSide), 0},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1",
         moveRecord("e1c1", King, Empty, CastleQueenSide), 0},
        {"startpos", Move{}, 0},
    };
    for (const auto& c : cases) {
        setPosition(c.position);
        moveStack[currentSlot] = c.killer;
        EXPECT_EQ(isMoveValid(), c.valid) << c.position << " " << moveToText(c.killer).text;
    }
}

// Random walks from a position where both sides can castle and take rooks, with every
// combination of rights in the FEN: after each make and each unmake the rights are those of the
// FEN less those of every king and rook square a move has left or reached, and no castling is
// generated without its right.
TEST(CastlingRights, FollowTheMovesOfRandomWalksAndComeBackWhenTheyAreTakenBack) {
    std::mt19937 random(2026);
    const char* const squares[] = {"e1", "e1", "h1", "a1", "e8", "e8", "h8", "a8"};
    const int rightOf[] = {WhiteKingSide, WhiteQueenSide, WhiteKingSide, WhiteQueenSide,
                           BlackKingSide, BlackQueenSide, BlackKingSide, BlackQueenSide};
    for (int walk = 0; walk < 64; ++walk) {
        const int fenRights = walk % 16;
        std::string fen = "fen r3k2r/p1pq1ppp/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w -";
        for (int bit = 0; bit < 4; ++bit)
            if (fenRights & (1 << bit))
                fen += "KQkq"[bit];
        setPosition((fen + " - 0 1").c_str());
        std::vector<Move> played;
        std::vector<int> rights{fenRights}; // after each move of `played`
        while (played.size() < 50) {
            ASSERT_EQ(castlingRights, rights.back()) << fen;
            std::vector<Move> legal = generatedMoves(true);
            for (const Move& each : legal) {
                const int right = each.kind == CastleKingSide    ? kingSideRight[sideToMove]
                                  : each.kind == CastleQueenSide ? queenSideRight[sideToMove]
                                                                 : 0;
                EXPECT_EQ(castlingRights & right, right) << fen;
            }
            if (legal.empty())
                break;
            played.push_back(moveStack[currentSlot] = legal[random() % legal.size()]);
            rights.push_back(rights.back());
            for (int k = 0; k < 8; ++k)
                if (played.back().from == squareOf(squares[k]) ||
                    played.back().to == squareOf(squares[k]))
                    rights.back() &= ~rightOf[k];
            makeMove(played.back());
            std::swap(sideToMove, otherSide);
            ++currentSlot;
        }
        for (; !played.empty(); played.pop_back(), rights.pop_back()) {
            --currentSlot;
            std::swap(sideToMove, otherSide);
            unmakeMove(played.back());
            ASSERT_EQ(castlingRights, rights[rights.size() - 2]) << fen;
        }
    }
}

} // namespace
} // namespace tarnwick
