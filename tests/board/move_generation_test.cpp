// The generators: their order (which is the search's move ordering), castling and en passant
// rules, the promotion expansion, the killer test, and stopping on the callback's word.
#include "board/board.h"
#include "board/move_generation.h"
#include "board_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

std::vector<Move> movesOfKind(const std::vector<Move>& moves, int kind) {
    std::vector<Move> result;
    for (const Move& move : moves) {
        if (move.kind == kind)
            result.push_back(move);
    }
    return result;
}

std::vector<Move> movesFrom(const std::vector<Move>& moves, int square) {
    std::vector<Move> result;
    for (const Move& move : moves) {
        if (move.from == square)
            result.push_back(move);
    }
    return result;
}

TEST(MoveGeneration, StartPositionHasTwentyMovesInListOrder) {
    setPosition("startpos");
    EXPECT_EQ(movesText(legalMoves()),
              "b1c3 b1a3 g1h3 g1f3 a2a3 a2a4 b2b3 b2b4 c2c3 c2c4 d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 "
              "g2g3 g2g4 h2h3 h2h4");
}

TEST(MoveGeneration, CapturesMostValuableVictimFirstWithLeastValuableAttacker) {
    // Queen e5 and rook c5 can be taken; the king's quiet moves lead the quiet part.
    setPosition("fen 4k3/8/8/2r1q3/3P4/5N2/8/4RK2 w");
    const std::vector<Move> moves = pseudoLegalMoves();
    ASSERT_GE(moves.size(), 8u);
    EXPECT_EQ(movesText({moves.begin(), moves.begin() + 8}),
              "d4e5 f3e5 e1e5 d4c5 f1e2 f1g2 f1f2 f1g1");
    EXPECT_EQ(moves[0].captured, Queen);
    EXPECT_EQ(moves[3].captured, Rook);
}

TEST(MoveGeneration, PawnPushesStopAtTheFirstOccupiedSquare) {
    setPosition("fen 4k3/8/8/8/8/4n3/4P3/4K3 w");
    EXPECT_EQ(movesText(movesFrom(pseudoLegalMoves(), sq("e2"))), "");
    setPosition("fen 4k3/8/8/8/4n3/8/4P3/4K3 w");
    EXPECT_EQ(movesText(movesFrom(pseudoLegalMoves(), sq("e2"))), "e2e3");
    // A pawn on its own last rank (odd input) has no pushes and reads nothing off the board.
    setPosition("fen P3k3/8/8/8/8/8/8/4K3 w");
    EXPECT_TRUE(movesFrom(pseudoLegalMoves(), sq("a8")).empty());
    setPosition("fen 4k3/8/8/8/8/8/8/p3K3 b");
    EXPECT_TRUE(movesFrom(pseudoLegalMoves(), sq("a1")).empty());
}

int recordingCalls = 0;
int stopAfterCalls = 0;
Move recorded[16];

int recordMove(SearchFrame*) {
    if (recordingCalls < 16)
        recorded[recordingCalls] = moveStack[currentSlot];
    ++recordingCalls;
    return recordingCalls == stopAfterCalls ? 1 : 0;
}

TEST(MoveGeneration, PromotionsComeQueenRookBishopKnightThenThePawnMoveAgain) {
    setPosition("fen 3r1k2/4P3/8/8/8/8/8/4K3 w");
    const std::vector<Move> moves = movesFrom(pseudoLegalMoves(), sq("e7"));
    EXPECT_EQ(movesText(moves), "e7d8q e7d8r e7d8b e7d8n e7e8q e7e8r e7e8b e7e8n");
    for (const Move& move : moves)
        EXPECT_EQ(move.kind, Promotion);
    // After the last promotion the slot describes the plain pawn move again.
    moveCallback = recordMove;
    recordingCalls = 0;
    stopAfterCalls = 0;
    EXPECT_EQ(generateQuietMoves(sq("e7"), nullptr), 0);
    EXPECT_EQ(recordingCalls, 4);
    EXPECT_EQ(moveStack[currentSlot].kind, NormalMove);
    EXPECT_EQ(moveStack[currentSlot].piece, Pawn);
}

TEST(MoveGeneration, AStopEndsTheWholeGeneration) {
    setPosition("fen 4k3/8/8/2r1q3/3P4/5N2/8/4RK2 w");
    moveCallback = recordMove;
    recordingCalls = 0;
    stopAfterCalls = 1; // stop at the first of three captures of the queen
    EXPECT_EQ(generateCaptures(sq("e5"), nullptr), 1);
    EXPECT_EQ(recordingCalls, 1);
    recordingCalls = 0;
    stopAfterCalls = 2;
    EXPECT_EQ(generateAllMoves(nullptr), 1);
    EXPECT_EQ(recordingCalls, 2);
    // The promotion expansion stops too.
    setPosition("fen 3r1k2/4P3/8/8/8/8/8/4K3 w");
    moveCallback = recordMove;
    recordingCalls = 0;
    stopAfterCalls = 2;
    EXPECT_EQ(generateQuietMoves(sq("e7"), nullptr), 1);
    EXPECT_EQ(recordingCalls, 2);
}

struct CastlingCase {
    const char* position;
    const char* generated; // castling moves handed over
    const char* legal;     // of those, the legal ones
};

TEST(MoveGeneration, CastlingFollowsHistoryChecksAndEmptySquares) {
    const CastlingCase cases[] = {
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", "e1g1 e1c1", "e1g1 e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1 e1c1", "e1g1 e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1", "e8g8 e8c8", "e8g8 e8c8"},
        {"fen 4k3/4r3/8/8/8/8/8/R3K2R w", "", ""},                   // in check
        {"fen 4k3/8/8/8/8/8/8/RN2K1NR w", "", ""},                   // squares between occupied
        {"fen 4k3/8/8/8/8/8/5r2/R3K2R w", "e1c1", "e1c1"},           // f1 attacked
        {"fen 4k3/8/8/8/8/8/3r4/R3K2R w", "e1g1", "e1g1"},           // d1 attacked
        {"fen 4k3/8/8/8/8/8/6r1/R3K2R w", "e1g1 e1c1", "e1c1"},      // only g1 attacked
        {"fen 4k3/8/8/8/8/8/1r6/R3K2R w", "e1g1 e1c1", "e1g1 e1c1"}, // b1 may be attacked
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves e1e2 e8e7 e2e1 e7e8", "", ""},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves h1h2 a8a7 h2h1 a7a8", "e1c1", "e1c1"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves a1a2 h8h7 a2a1 h7h8", "e1g1", "e1g1"},
    };
    for (const CastlingCase& c : cases) {
        setPosition(c.position);
        std::vector<Move> generated = movesOfKind(pseudoLegalMoves(), CastleKingSide);
        for (const Move& move : movesOfKind(pseudoLegalMoves(), CastleQueenSide))
            generated.push_back(move);
        std::vector<Move> legal = movesOfKind(legalMoves(), CastleKingSide);
        for (const Move& move : movesOfKind(legalMoves(), CastleQueenSide))
            legal.push_back(move);
        EXPECT_EQ(movesText(generated), c.generated) << c.position;
        EXPECT_EQ(movesText(legal), c.legal) << c.position;
    }
}

TEST(MoveGeneration, EnPassantAnswersOnlyTheDoubleStepJustPlayed) {
    setPosition("startpos moves e2e4 d7d5 e4e5 f7f5");
    std::vector<Move> moves = pseudoLegalMoves();
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(movesText({moves[0]}), "e5f6"); // en passant leads the root order
    EXPECT_EQ(moves[0].kind, EnPassant);
    EXPECT_EQ(moves[0].captured, Empty);
    // From both sides of the pawn that stepped.
    setPosition("fen 4k3/8/8/8/3p1p2/8/4P3/4K3 w moves e2e4");
    EXPECT_EQ(movesText(movesOfKind(pseudoLegalMoves(), EnPassant)), "d4e3 f4e3");
    // Not once another move came between.
    setPosition("startpos moves e2e4 d7d5 e4e5 f7f5 g1f3 g8f6");
    EXPECT_TRUE(movesOfKind(pseudoLegalMoves(), EnPassant).empty());
}

struct KillerCase {
    const char* position;
    Move move;
    int valid;
};

TEST(IsMoveValid, AcceptsOnlyMovesThatStillFitThePosition) {
    const KillerCase cases[] = {
        {"startpos",
         {.to = sq("f3"), .from = sq("g1"), .kind = NormalMove, .piece = Knight, .captured = 0},
         1},
        {"startpos",
         {.to = sq("g5"), .from = sq("f3"), .kind = NormalMove, .piece = Knight, .captured = 0},
         0},
        {"startpos",
         {.to = sq("e4"), .from = sq("e2"), .kind = NormalMove, .piece = Pawn, .captured = 0},
         1},
        {"startpos",
         {.to = sq("e4"), .from = sq("e2"), .kind = NormalMove, .piece = Pawn, .captured = Pawn},
         0},
        {"startpos",
         {.to = sq("a3"), .from = sq("a1"), .kind = NormalMove, .piece = Rook, .captured = 0},
         0},
        {"startpos",
         {.to = sq("e6"), .from = sq("e7"), .kind = NormalMove, .piece = Pawn, .captured = 0},
         0},
        {"fen 4k3/8/8/8/8/4n3/4P3/4K3 w",
         {.to = sq("e4"), .from = sq("e2"), .kind = NormalMove, .piece = Pawn, .captured = 0},
         0},
        {"fen 4k3/8/8/8/8/4n3/4P3/4K3 w",
         {.to = sq("e3"), .from = sq("e2"), .kind = NormalMove, .piece = Pawn, .captured = 0},
         0},
        {"fen 4k3/8/8/8/8/4n3/3P4/4K3 w",
         {.to = sq("e3"), .from = sq("d2"), .kind = NormalMove, .piece = Pawn, .captured = Knight},
         1},
        {"fen 4k3/8/8/8/8/4N3/3P4/4K3 w",
         {.to = sq("e3"), .from = sq("d2"), .kind = NormalMove, .piece = Pawn, .captured = Knight},
         0},
        {"startpos moves e2e4 d7d5 e4e5 f7f5",
         {.to = sq("f6"), .from = sq("e5"), .kind = EnPassant, .piece = Pawn, .captured = 0},
         0},
        {"fen 4k3/P7/8/8/8/8/8/4K3 w",
         {.to = sq("a8"), .from = sq("a7"), .kind = Promotion, .piece = Queen, .captured = 0},
         1},
        {"fen 4k3/P7/8/8/8/8/8/4K3 w",
         {.to = sq("a8"), .from = sq("a7"), .kind = NormalMove, .piece = Queen, .captured = 0},
         0},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w",
         {.to = sq("g1"), .from = sq("e1"), .kind = CastleKingSide, .piece = King, .captured = 0},
         1},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w",
         {.to = sq("c1"), .from = sq("e1"), .kind = CastleQueenSide, .piece = King, .captured = 0},
         1},
        {"fen r3k2r/8/8/8/8/8/5r2/R3K2R w",
         {.to = sq("g1"), .from = sq("e1"), .kind = CastleKingSide, .piece = King, .captured = 0},
         0},
        {"fen r3k2r/8/8/8/8/8/8/RN2K2R w",
         {.to = sq("c1"), .from = sq("e1"), .kind = CastleQueenSide, .piece = King, .captured = 0},
         0},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w moves h1h2 a8a7 h2h1 a7a8",
         {.to = sq("g1"), .from = sq("e1"), .kind = CastleKingSide, .piece = King, .captured = 0},
         0},
        {"startpos", SentinelMove, 0},
        {"startpos", NullMove, 0},
        {"startpos", Move{}, 0},
    };
    for (const KillerCase& c : cases) {
        setPosition(c.position);
        moveStack[currentSlot] = c.move;
        EXPECT_EQ(isMoveValid(), c.valid) << c.position << " " << movesText({c.move});
    }
}

} // namespace
} // namespace tarnwick
