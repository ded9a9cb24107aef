// The endgame probe on hand-made data files: the mate score arithmetic, bytes without meaning, and
// files missing, empty, short or long.
#include "eval_test_support.h"

#include <gtest/gtest.h>
#include <string>

namespace tarnwick {
namespace {

// Worked example: white king e1 and queen d1 against the black king e8, Black to move.
constexpr char QueenExample[] = "fen 4k3/8/8/8/8/8/8/3QK3 b - - 0 1";
constexpr int QueenExampleOffset = 32137;

// "Endgame.bin" of `size` bytes of no knowledge, with the byte at `offset` set to `value`.
void writeEndgameFile(int size, int offset, int value) {
    std::string data(static_cast<std::size_t>(size), static_cast<char>(EndgameNoKnowledge));
    if (offset < size)
        data[static_cast<std::size_t>(offset)] = static_cast<char>(value);
    writeFile(EndgameFileName, data.data(), data.size());
}

// The probe as the search makes it: `justMoved` has just moved, at `atPly`.
int probeAfterMove(const char* position, int justMoved, int atPly) {
    setUpPosition(position);
    sideToMove = justMoved;
    otherSide = 1 - justMoved;
    ply = atPly;
    const int score = probeEndgame();
    ply = 0;
    return score;
}

TEST(EndgameData, MateScoresAndBytesWithoutMeaning) {
    struct Case {
        const char* position;
        int justMoved;
        int atPly;
        int offset;
        int value;
        int score;
    };
    const Case cases[] = {
        // The strong side has just moved and the weak side is to move: t = 1.
        {QueenExample, White, 7, QueenExampleOffset, 5, 31982},
        // The weak side has just moved: t = 0, the score is the strong side's, negated.
        {"fen 4k3/8/8/8/8/8/8/3QK3 w - - 0 1", Black, 7, QueenExampleOffset - 1, 5, -31983},
        // Black's rook ending is flipped in the ranks onto the same squares as the example.
        {"fen 3rk3/8/8/8/8/8/8/4K3 w - - 0 1", Black, 0, EndgameRookOffset + QueenExampleOffset, 7,
         31985},
        {QueenExample, White, 0, QueenExampleOffset, 200, 31599},
        {QueenExample, White, 0, QueenExampleOffset, 253, 0},
        {QueenExample, White, 0, QueenExampleOffset, 201, EndgameNoKnowledge},
        {QueenExample, White, 0, QueenExampleOffset, 252, EndgameNoKnowledge},
        {QueenExample, White, 0, QueenExampleOffset, 255, EndgameNoKnowledge},
    };
    const WorkingFolder folder;
    for (const Case& c : cases) {
        writeEndgameFile(EndgameFileSize, c.offset, c.value);
        resetEndgameData();
        EXPECT_EQ(probeAfterMove(c.position, c.justMoved, c.atPly), c.score)
            << c.position << " value " << c.value;
    }
}

// A missing file is looked for once. A file shorter than 425,984 bytes counts as missing; a longer
// one is read for its first 425,984 bytes, and nothing past the pawn section is ever read.
TEST(EndgameData, MissingEmptyShortAndLongFiles) {
    const WorkingFolder folder;
    EXPECT_EQ(probeAfterMove(QueenExample, White, 7), EndgameNoKnowledge);
    writeEndgameFile(EndgameFileSize, QueenExampleOffset, 5);
    EXPECT_EQ(probeAfterMove(QueenExample, White, 7), EndgameNoKnowledge);
    for (int size : {0, 1000, EndgameFileSize - 1, EndgameFileSize, EndgameFileSize + 4096}) {
        writeEndgameFile(size, QueenExampleOffset, 5);
        resetEndgameData();
        EXPECT_EQ(probeAfterMove(QueenExample, White, 7),
                  size >= EndgameFileSize ? 31982 : EndgameNoKnowledge)
            << size;
        EXPECT_EQ(endgameLookup(EndgameKeyCount - 1, Pawn), EndgameNoKnowledge) << size;
    }
}

} // namespace
} // namespace tarnwick
