// The root tables, phase, weaker side and root score on positions worked out by hand, and the
// pawn-structure arithmetic on file masks.
#include <gtest/gtest.h>
#include <tuple>

#include "eval_test_support.h"

namespace tarnwick {
namespace {

constexpr char Start[] = "startpos";
constexpr char Ending[] = "fen 3qk2r/pp6/8/8/8/8/PP6/3QK2R w - - 0 1";        // T 8064
constexpr char FourPawns[] = "fen 3qk2r/pppp4/8/8/8/8/PPPP4/3QK2R w - - 0 1"; // T 9088
constexpr char RookVsKing[] = "fen k7/8/8/8/8/8/8/R3K3 w - - 0 1";

// Entries of the root tables for the rules the search's node counts cannot tell apart: the king's
// at phase 0, drawn to the centre, and at phase 3, still flat; a bare king's, driven to the edge,
// and the strong king's, drawn towards it; a passed pawn's 40 (70 with its advance and square)
// and 16 for the rooks on its file behind it (on top of their ray values); a bishop in front of its
// own centre pawn 20 less.
// Along a slider's ray the first man that is neither of its kind nor a queen counts in full and
// halves every square beyond it: at phase 0 white's seventh rank weighs 3 3 3 5 5 3 3 3, a8 3 and
// a6 1, so a rook on a7 gets (3+3+2+2+1+1+1)/4 behind a knight and a bishop, and (3+3+5+5+1+1+1)/4
// behind a queen and a bishop.
TEST(RootEvaluation, TableEntries) {
    const std::tuple<const char*, int, int, const char*, int> cases[] = {
        {Start, White, Knight, "d5", 46},
        {Start, White, Bishop, "d3", -4},
        {Ending, White, King, "a1", -12},
        {Ending, Black, King, "e5", 0},
        {FourPawns, White, King, "a1", 0},
        {RookVsKing, Black, King, "a8", 28},
        {RookVsKing, White, King, "b6", 116},
        {"fen k7/8/8/8/4p3/8/8/7K w - - 0 1", Black, Pawn, "e4", 70},
        {"fen k7/8/8/8/4p3/8/8/7K w - - 0 1", White, Rook, "e4", 10 + 16},
        {"fen k7/8/8/8/4p3/8/8/7K w - - 0 1", Black, Rook, "e8", 5 + 16},
        {"fen b3k3/7p/8/8/8/3B4/3P4/4K3 w - - 0 1", White, Bishop, "d3", 6 - 20},
        {"fen 8/R1N1b3/8/7r/8/7k/8/7K w - - 0 1", White, Rook, "a7", 3},
        {"fen 8/R1Q1b3/8/7r/8/7k/8/7K w - - 0 1", White, Rook, "a7", 4}};
    for (const auto& [position, colour, piece, square, value] : cases) {
        setUpRoot(position);
        prepareRootEvaluation();
        EXPECT_EQ(pieceSquareTable[colour][piece][tarnwick_test::squareOf(square)], value)
            << position << " " << PieceLetters[piece] << " " << square;
    }
}

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
