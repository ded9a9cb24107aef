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

// A quiet move at ply 0, made and scored as the search does, changes no pawn record.
TEST(EvaluateMove, QuietKnightMoveIsItsTableDifference) {
    setUpRoot("startpos");
    prepareRootEvaluation();
    moveStack[currentSlot] = Move{.to = static_cast<std::int16_t>(squareNamed("f3")),
                                  .from = static_cast<std::int16_t>(squareNamed("g1")),
                                  .kind = NormalMove,
                                  .piece = Knight,
                                  .captured = Empty};
    makeMove(moveStack[currentSlot]);
    pawnRecordOfPly(0) = pawnMaskStack[0];
    EXPECT_EQ(evaluateMove(), 21);
    EXPECT_EQ(pawnRecordOfPly(0).files[White], 0xFF);
    EXPECT_EQ(pawnRecordOfPly(0).doubled[White], 0);
}

} // namespace
} // namespace tarnwick
