// The root evaluation's symmetry, phase and weaker side on positions worked out by hand, and the
// pawn-structure arithmetic on file masks. The table values themselves are proved by the search's
// node counts.
#include <gtest/gtest.h>
#include <tuple>

#include "eval_test_support.h"

namespace tarnwick {
namespace {

constexpr char Start[] = "startpos";
constexpr char Ending[] = "fen 3qk2r/pp6/8/8/8/8/PP6/3QK2R w - - 0 1";        // T 8064
constexpr char FourPawns[] = "fen 3qk2r/pppp4/8/8/8/8/PPPP4/3QK2R w - - 0 1"; // T 9088
// The start position scores 0 with either side to move, and is symmetric: black's tables are
// white's mirrored in the ranks; the king's table is flat before the endgame.
TEST(RootEvaluation, StartPosition) {
    setUpRoot("fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(prepareRootEvaluation(), 0);
    setUpRoot(Start);
    EXPECT_EQ(prepareRootEvaluation(), 0);
    for (int s = 0; s < BoardCells; ++s) {
        for (int piece = Empty; piece <= Pawn; ++piece) {
            const bool zero = !isOnBoard(s) || piece == Empty || piece == King;
            const int white = zero ? 0 : pieceSquareTable[White][piece][s ^ 0x70];
            EXPECT_EQ(pieceSquareTable[Black][piece][s], white) << PieceLetters[piece] << s;
            EXPECT_TRUE(!zero || pieceSquareTable[White][piece][s] == 0)
                << PieceLetters[piece] << s;
        }
    }
}

TEST(RootEvaluation, PhaseAndWeakerSide) {
    const std::tuple<const char*, int, int> cases[] = {
        {Start, 45, -1},
        {Ending, 0, -1},
        {FourPawns, 3, -1},
        {"fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 0, Black},     // rook against bare king
        {"fen 4k3/8/8/8/8/8/8/r3K3 b - - 0 1", 0, White},     // colours exchanged
        {"fen 4kb2/8/8/8/8/8/8/R3K3 w - - 0 1", 0, Black},    // rook against bishop: gap 440
        {"fen 4kn2/8/8/8/8/8/8/B3K3 w - - 0 1", 0, -1},       // bishop against knight
        {"fen 4kr2/8/8/8/8/8/8/3QK3 w - - 0 1", 0, Black},    // queen against rook
        {"fen 3qk3/8/8/8/8/8/8/R2QK3 w - - 0 1", 0, -1},      // the poorer side has a queen
        {"fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0, -1},         // bare kings
        {"fen 1b2kb2/8/8/8/8/8/8/RR2K3 w - - 0 1", 0, Black}, // m = 1552 exactly
        {"fen 1r2kb2/8/8/8/8/8/8/QR2K3 w - - 0 1", 0, -1},    // m = 1992
    };
    for (const auto& [position, phase, weaker] : cases) {
        setUpRoot(position);
        prepareRootEvaluation();
        EXPECT_EQ(rootPhase, phase) << position;
        EXPECT_EQ(rootWeakerSide, weaker) << position;
    }
}

std::uint8_t fileBits(const char* files) {
    int bits = 0;
    for (const char* f = files; *f != 0; ++f)
        bits |= 1 << (*f - 'a');
    return static_cast<std::uint8_t>(bits);
}

// Black's penalty for files and doubled files (isolated 20, doubled 8, both 68), then the gain of
// taking a pawn off a square at ply 3, and the files and doubled files that leaves.
TEST(PawnStructure, PenaltiesAndRemovingAPawn) {
    const std::tuple<const char*, const char*, int, const char*, int, const char*, const char*>
        cases[] = {
            {"a", "", 20, "a5", 20, "", ""},
            {"a", "a", 68, "a5", 48, "a", ""},
            {"de", "e", 8, "e3", 8, "de", ""}, // three on e: the file stays, no longer doubled
            {"de", "", 0, "e3", -20, "d", ""},
            {"cde", "", 0, "d7", -40, "ce", ""}, // splits a chain into two isolated files
            {"bcfh", "bh", 16 + 40 + 40, "c2", -60, "bfh", "bh"}, // b left isolated
            {"abcdefgh", "abcdefgh", 64, "a2", 8, "abcdefgh", "bcdefgh"}};
    for (const auto& [files, doubled, penalty, square, gain, filesAfter, doubledAfter] : cases) {
        resetEvaluation();
        ply = 3;
        PawnFileMasks& parent = pawnRecordOfPly(2);
        parent.files[Black] = fileBits(files);
        parent.doubled[Black] = fileBits(doubled);
        EXPECT_EQ(pawnStructurePenalty(parent, Black), penalty) << files << "/" << doubled;
        EXPECT_EQ(pawnStructurePenalty(parent, White), 0);
        pawnRecordOfPly(3) = parent;
        EXPECT_EQ(removePawnFromFile(Black, tarnwick_test::squareOf(square)), gain)
            << files << square;
        EXPECT_EQ(pawnRecordOfPly(3).files[Black], fileBits(filesAfter)) << files << square;
        EXPECT_EQ(pawnRecordOfPly(3).doubled[Black], fileBits(doubledAfter)) << files << square;
        EXPECT_EQ(parent.files[Black], fileBits(files));
    }
    ply = 0;
}

} // namespace
} // namespace tarnwick
