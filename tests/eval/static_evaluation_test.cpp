// The pawn-structure arithmetic on file masks and the score change of single moves.
#include "board/make_unmake.h"
#include "eval/static_evaluation.h"
#include "eval_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

std::uint8_t fileBits(const char* files) {
    int bits = 0;
    for (const char* f = files; *f != 0; ++f)
        bits |= 1 << (*f - 'a');
    return static_cast<std::uint8_t>(bits);
}

TEST(PawnStructure, PenaltyForIsolatedAndDoubledFiles) {
    struct Case {
        const char* files;
        const char* doubled;
        int penalty;
    };
    const Case cases[] = {
        {"", "", 0},
        {"a", "", 20},                // isolated
        {"a", "a", 68},               // isolated and doubled
        {"de", "d", 8},               // doubled, not isolated
        {"ac", "", 40},               // two isolated files
        {"abcdefgh", "abcdefgh", 64}, // a doubled full row has no isolated file
        {"bcfh", "bh", 16 + 40 + 40}, // f and h isolated, b and h doubled, h both
    };
    for (const Case& c : cases) {
        PawnFileMasks record{};
        record.files[Black] = fileBits(c.files);
        record.doubled[Black] = fileBits(c.doubled);
        EXPECT_EQ(pawnStructurePenalty(record, Black), c.penalty) << c.files << "/" << c.doubled;
        EXPECT_EQ(pawnStructurePenalty(record, White), 0);
    }
}

// Taking a pawn off a file changes only the current ply's record and answers the colour's gain
// against the parent record.
TEST(PawnStructure, RemovingAPawnFromAFile) {
    struct Case {
        const char* files;
        const char* doubled;
        const char* square;
        const char* filesAfter;
        const char* doubledAfter;
        int gain;
    };
    const Case cases[] = {
        {"a", "", "a5", "", "", 20},      // the isolated pawn goes
        {"a", "a", "a5", "a", "", 48},    // 68 -> 20: one of two stays
        {"de", "e", "e3", "de", "", 8},   // three on e: the file stays, no longer doubled
        {"de", "", "e3", "d", "", -20},   // leaves d isolated
        {"cde", "", "d7", "ce", "", -40}, // splits a chain into two isolated files
    };
    for (const Case& c : cases) {
        resetEvaluation();
        ply = 3;
        PawnFileMasks& parent = pawnRecordOfPly(2);
        parent.files[White] = fileBits(c.files);
        parent.doubled[White] = fileBits(c.doubled);
        pawnRecordOfPly(3) = parent;
        EXPECT_EQ(removePawnFromFile(White, squareNamed(c.square)), c.gain) << c.files;
        EXPECT_EQ(pawnRecordOfPly(3).files[White], fileBits(c.filesAfter)) << c.files;
        EXPECT_EQ(pawnRecordOfPly(3).doubled[White], fileBits(c.doubledAfter)) << c.files;
        EXPECT_EQ(parent.files[White], fileBits(c.files));
    }
    ply = 0;
}

// Plays one move at ply 0 as the search does and returns its score change.
int playAndEvaluate(const char* from, const char* to, int kind, int piece, int captured) {
    Move& slot = moveStack[currentSlot];
    slot = Move{.to = static_cast<std::int16_t>(squareNamed(to)),
                .from = static_cast<std::int16_t>(squareNamed(from)),
                .kind = static_cast<std::uint8_t>(kind),
                .piece = static_cast<std::uint8_t>(piece),
                .captured = static_cast<std::uint8_t>(captured)};
    makeMove(slot);
    pawnRecordOfPly(ply) = pawnMaskStack[ply];
    return evaluateMove();
}

TEST(EvaluateMove, QuietKnightMoveIsItsTableDifference) {
    setUpRoot("startpos");
    prepareRootEvaluation();
    EXPECT_EQ(playAndEvaluate("g1", "f3", NormalMove, Knight, Empty), 21);
    EXPECT_EQ(pawnRecordOfPly(0).files[White], 0xFF);
    EXPECT_EQ(pawnRecordOfPly(0).doubled[White], 0);
}

TEST(EvaluateMove, PawnCaptureDoublesTheFileItReaches) {
    // d4xe5 with a white pawn on e2: e becomes doubled and isolated (68 from 0), d is cleared, and
    // black loses its isolated e-pawn (a gain of 20 for black, counted against white).
    setUpRoot("fen 4k3/8/8/4p3/3P4/8/4P3/4K3 w - - 0 1");
    prepareRootEvaluation();
    const int expected = tableValue(White, Pawn, "e5") - tableValue(White, Pawn, "d4") +
                         tableValue(Black, Pawn, "e5") + 256 - 68 - 20;
    EXPECT_EQ(playAndEvaluate("d4", "e5", NormalMove, Pawn, Pawn), expected);
    EXPECT_EQ(pawnRecordOfPly(0).files[White], fileBits("e"));
    EXPECT_EQ(pawnRecordOfPly(0).doubled[White], fileBits("e"));
    EXPECT_EQ(pawnRecordOfPly(0).files[Black], 0);
    EXPECT_EQ(pawnMaskStack[0].files[White], fileBits("de"));
}

TEST(EvaluateMove, EnPassantTakesThePawnBesideTheOrigin) {
    setUpRoot("fen 4k3/8/8/3Pp3/8/8/8/4K3 w - - 0 1");
    prepareRootEvaluation();
    const int expected = tableValue(White, Pawn, "e6") - tableValue(White, Pawn, "d5") +
                         tableValue(Black, Pawn, "e5") + 256 - 20;
    // White's d-pawn moves to the e-file, still isolated: no change for white.
    EXPECT_EQ(playAndEvaluate("d5", "e6", EnPassant, Pawn, Empty), expected);
    EXPECT_EQ(pawnRecordOfPly(0).files[Black], 0);
    EXPECT_EQ(pawnRecordOfPly(0).files[White], fileBits("e"));
}

TEST(EvaluateMove, PromotionReplacesThePawnByThePiece) {
    setUpRoot("fen 1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    prepareRootEvaluation();
    const int quiet = tableValue(White, Queen, "a8") + 2304 - tableValue(White, Pawn, "a7") - 256 +
                      20; // the isolated a-pawn leaves white's structure
    EXPECT_EQ(playAndEvaluate("a7", "a8", Promotion, Queen, Empty), quiet);

    setUpRoot("fen 1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    prepareRootEvaluation();
    const int capture = tableValue(White, Knight, "b8") + 760 - tableValue(White, Pawn, "a7") -
                        256 + 20 + tableValue(Black, Rook, "b8") + 1216;
    EXPECT_EQ(playAndEvaluate("a7", "b8", Promotion, Knight, Rook), capture);
}

TEST(EvaluateMove, CastlingEarnsItsBonusOnTopOfKingAndRookMoves) {
    setUpRoot("fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    prepareRootEvaluation();
    EXPECT_EQ(playAndEvaluate("e1", "g1", CastleKingSide, King, Empty),
              tableValue(White, King, "g1") - tableValue(White, King, "e1") +
                  tableValue(White, Rook, "f1") - tableValue(White, Rook, "h1") + 32);

    setUpRoot("fen r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    prepareRootEvaluation();
    EXPECT_EQ(playAndEvaluate("e8", "c8", CastleQueenSide, King, Empty),
              tableValue(Black, King, "c8") - tableValue(Black, King, "e8") +
                  tableValue(Black, Rook, "d8") - tableValue(Black, Rook, "a8") + 16);
}

} // namespace
} // namespace tarnwick
