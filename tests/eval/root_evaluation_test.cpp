// The root tables, phase, weaker side and root score on positions whose values are worked out by
// hand.
#include "eval/root_evaluation.h"
#include "eval_test_support.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

constexpr char BlackToMoveStart[] = "fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1";

int mirrored(int square) {
    return square ^ 0x70;
}

TEST(RootEvaluation, StartPositionScoresZeroForEitherSide) {
    setUpRoot("startpos");
    EXPECT_EQ(prepareRootEvaluation(), 0);
    EXPECT_EQ(rootPhase, 45);
    EXPECT_EQ(rootWeakerSide, -1);
    EXPECT_EQ(pawnMaskStack[0].files[White], 0xFF);
    EXPECT_EQ(pawnMaskStack[0].files[Black], 0xFF);
    EXPECT_EQ(pawnMaskStack[0].doubled[White], 0);

    setUpRoot(BlackToMoveStart);
    EXPECT_EQ(prepareRootEvaluation(), 0);
}

TEST(RootEvaluation, StartPositionTables) {
    setUpRoot("startpos");
    prepareRootEvaluation();
    struct Case {
        int piece;
        const char* square;
        int value;
    };
    const Case cases[] = {
        {Knight, "g1", -13}, {Knight, "b1", -13}, {Knight, "f3", 8},  {Knight, "c3", 8},
        {Knight, "d5", 46},  {Knight, "e5", 56},  {Pawn, "a2", -4},   {Pawn, "c2", 2},
        {Pawn, "d2", 11},    {Pawn, "e2", 14},    {Pawn, "e3", 15},   {Pawn, "d4", 15},
        {Pawn, "e4", 20},    {Pawn, "e5", 28},    {Bishop, "c1", 0},  {Bishop, "d3", -4},
        {Bishop, "e3", -4},  {Bishop, "f4", 15},  {Bishop, "b5", 17}, {Bishop, "g5", 17},
        {Rook, "a1", 0},     {Rook, "d1", 0},     {Rook, "e1", 0},    {Queen, "d1", 0},
        {Queen, "d4", 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tableValue(White, c.piece, c.square), c.value)
            << PieceLetters[c.piece] << " " << c.square;

    // The position is symmetric, so black's tables are white's mirrored in the ranks; the king's
    // table is flat before the endgame; off-board entries and the empty row stay 0.
    for (int s = 0; s < BoardCells; ++s) {
        for (int piece = 0; piece <= Pawn; ++piece) {
            if (!isOnBoard(s) || piece == Empty || piece == King) {
                EXPECT_EQ(pieceSquareTable[White][piece][s], 0) << s;
                EXPECT_EQ(pieceSquareTable[Black][piece][s], 0) << s;
            } else {
                EXPECT_EQ(pieceSquareTable[Black][piece][s],
                          pieceSquareTable[White][piece][mirrored(s)])
                    << PieceLetters[piece] << " " << s;
            }
        }
    }
}

TEST(RootEvaluation, PhaseFollowsMaterialAboveTheEndgameLine) {
    struct Case {
        const char* position;
        int phase;
    };
    const Case cases[] = {
        {"fen 3qk2r/pp6/8/8/8/8/PP6/3QK2R w - - 0 1", 0},     // T = 8064
        {"fen 3qk2r/pppp4/8/8/8/8/PPPP4/3QK2R w - - 0 1", 3}, // T = 9088
        {"fen 4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1", 0},
        {"startpos", 45},
    };
    for (const Case& c : cases) {
        setUpRoot(c.position);
        prepareRootEvaluation();
        EXPECT_EQ(rootPhase, c.phase) << c.position;
        EXPECT_EQ(rootWeakerSide, -1) << c.position;
    }
}

TEST(RootEvaluation, KingTableCentralisesOnlyInTheEndgame) {
    setUpRoot("fen 3qk2r/pp6/8/8/8/8/PP6/3QK2R w - - 0 1");
    prepareRootEvaluation();
    for (const char* centre : {"d4", "e4", "d5", "e5"}) {
        EXPECT_EQ(tableValue(White, King, centre), 0);
        EXPECT_EQ(tableValue(Black, King, centre), 0);
    }
    for (const char* corner : {"a1", "h1", "a8", "h8"}) {
        EXPECT_EQ(tableValue(White, King, corner), -12);
        EXPECT_EQ(tableValue(Black, King, corner), -12);
    }
    EXPECT_EQ(tableValue(White, King, "b2"), -8);

    setUpRoot("fen 3qk2r/pppp4/8/8/8/8/PPPP4/3QK2R w - - 0 1");
    prepareRootEvaluation();
    EXPECT_EQ(tableValue(White, King, "a1"), 0);
}

// The squares around the enemy king weigh more for the knight only while the phase is above 0.
TEST(RootEvaluation, EnemyKingNeighbourhoodCountsOnlyAbovePhaseZero) {
    struct Case {
        const char* kingOnE8;
        const char* kingOnA8;
        bool tablesEqual;
    };
    const Case cases[] = {
        {"fen 3qk2r/pp6/8/8/8/8/PP6/3QK2R w - - 0 1", "fen k2q3r/pp6/8/8/8/8/PP6/3QK2R w - - 0 1",
         true},
        {"fen 3qk2r/pppp4/8/8/8/8/PPPP4/3QK2R w - - 0 1",
         "fen k2q3r/pppp4/8/8/8/8/PPPP4/3QK2R w - - 0 1", false},
    };
    for (const Case& c : cases) {
        setUpRoot(c.kingOnE8);
        prepareRootEvaluation();
        std::int16_t knightTable[BoardCells];
        for (int s = 0; s < BoardCells; ++s)
            knightTable[s] = pieceSquareTable[White][Knight][s];
        setUpRoot(c.kingOnA8);
        prepareRootEvaluation();
        bool equal = true;
        for (int s = 0; s < BoardCells; ++s)
            equal = equal && knightTable[s] == pieceSquareTable[White][Knight][s];
        EXPECT_EQ(equal, c.tablesEqual) << c.kingOnE8;
    }
}

TEST(RootEvaluation, WeakerSideNeedsLittleMaterialAndAClearGap) {
    struct Case {
        const char* position;
        int weaker;
    };
    const Case cases[] = {
        {"fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 1", Black},     // rook against bare king
        {"fen 4k3/8/8/8/8/8/8/r3K3 b - - 0 1", White},     // the same, colours exchanged
        {"fen 4kb2/8/8/8/8/8/8/R3K3 w - - 0 1", Black},    // rook against bishop: gap 440 exactly
        {"fen 4kn2/8/8/8/8/8/8/B3K3 w - - 0 1", -1},       // bishop against knight: gap 16
        {"fen 4kr2/8/8/8/8/8/8/3QK3 w - - 0 1", Black},    // queen against rook
        {"fen 3qk3/8/8/8/8/8/8/R2QK3 w - - 0 1", -1},      // the poorer side has a queen
        {"fen 4k3/pppp4/8/8/8/8/8/4K3 w - - 0 1", White},  // four pawns against none
        {"fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1", -1},         // bare kings
        {"fen 1b2kb2/8/8/8/8/8/8/RR2K3 w - - 0 1", Black}, // m = 1552 exactly
        {"fen 1n2kb2/8/8/8/8/8/8/RR2K3 w - - 0 1", Black}, // m = 1536
        {"fen 1r2kb2/8/8/8/8/8/8/QR2K3 w - - 0 1", -1},    // m = 1992
    };
    for (const Case& c : cases) {
        setUpRoot(c.position);
        prepareRootEvaluation();
        EXPECT_EQ(rootWeakerSide, c.weaker) << c.position;
    }
}

TEST(RootEvaluation, RookAgainstBareKingDrivesTheKingToTheEdge) {
    setUpRoot("fen k7/8/8/8/8/8/8/R3K3 w - - 0 1");
    prepareRootEvaluation();
    ASSERT_EQ(rootWeakerSide, Black);
    struct Case {
        int colour;
        const char* square;
        int value;
    };
    const Case cases[] = {
        {Black, "a8", 28},  {Black, "h1", 28},  {Black, "d4", 128}, {Black, "e5", 128},
        {Black, "a4", 92},  {Black, "d8", 64},  {Black, "b7", 72},  {White, "e1", 68},
        {White, "d5", 104}, {White, "a5", 100}, {White, "a7", 108}, {White, "b6", 116},
        {White, "c6", 112}, {White, "g3", 84},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tableValue(c.colour, King, c.square), c.value) << c.colour << " " << c.square;
    for (int s = 0; s < BoardCells; ++s) {
        for (int colour = White; colour <= Black; ++colour) {
            for (int piece = Queen; piece <= Knight; ++piece)
                EXPECT_EQ(pieceSquareTable[colour][piece][s], 0);
        }
    }
}

// Along a ray the first man that is neither the slider's kind nor a queen is counted in full and
// halves every square beyond it, once; a second such man changes nothing more.
TEST(RootEvaluation, SliderRaysHalveOnceBehindTheFirstBlocker) {
    // Weights of white's seventh rank at phase 0: 3 3 3 5 5 3 3 3; a8 3; a6 1.
    struct Case {
        const char* position;
        int rookOnA7;
    };
    const Case cases[] = {
        {"fen 8/R1N1b3/8/7r/8/7k/8/7K w - - 0 1", (3 + 3 + 2 + 2 + 1 + 1 + 1) / 4},
        {"fen 8/R1Q1b3/8/7r/8/7k/8/7K w - - 0 1", (3 + 3 + 5 + 5 + 1 + 1 + 1) / 4},
        {"fen 8/R1R1R3/8/6qr/8/7k/8/7K w - - 0 1", (3 + 3 + 5 + 5 + 3 + 3 + 3) / 4},
        {"fen 7N/R1P1b3/8/7r/8/7k/8/7K w - - 0 1", (3 + 3) / 4},
    };
    for (const Case& c : cases) {
        setUpRoot(c.position);
        prepareRootEvaluation();
        ASSERT_EQ(rootWeakerSide, -1) << c.position;
        ASSERT_EQ(rootPhase, 0) << c.position;
        EXPECT_EQ(tableValue(White, Rook, "a7"), c.rookOnA7) << c.position;
    }
}

// A black pawn on e4 that no white pawn can stop: 40 for the pawn there, 16 for the rooks of both
// colours on e4 and every square behind it. A white pawn on f2 (off all those rays) stops it.
TEST(RootEvaluation, PassedPawnAndRooksBehindIt) {
    setUpRoot("fen k7/8/8/8/4p3/8/8/7K w - - 0 1");
    prepareRootEvaluation();
    std::int16_t passed[2][7][BoardCells];
    std::memcpy(passed, pieceSquareTable, sizeof passed);
    setUpRoot("fen k7/8/8/8/4p3/8/5P2/7K w - - 0 1");
    prepareRootEvaluation();
    ASSERT_EQ(rootWeakerSide, -1);

    const int e4 = squareNamed("e4");
    EXPECT_EQ(passed[Black][Pawn][e4] - pieceSquareTable[Black][Pawn][e4], 40);
    EXPECT_EQ(passed[Black][Pawn][e4], 28 + 2 + 40); // advance, pawn on the square, passed
    for (const char* square : {"e4", "e5", "e6", "e7", "e8"}) {
        const int q = squareNamed(square);
        EXPECT_EQ(passed[White][Rook][q] - pieceSquareTable[White][Rook][q], 16) << square;
        EXPECT_EQ(passed[Black][Rook][q] - pieceSquareTable[Black][Rook][q], 16) << square;
    }
    EXPECT_EQ(passed[White][Rook][squareNamed("d5")],
              pieceSquareTable[White][Rook][squareNamed("d5")]);
}

TEST(RootEvaluation, BishopInFrontOfItsCentrePawnLosesTwenty) {
    struct Case {
        const char* withPawn;
        const char* withoutPawn;
        int colour;
        const char* square;
    };
    const Case cases[] = {
        {"fen b3k3/7p/8/8/8/3B4/3P4/4K3 w - - 0 1", "fen b3k3/7p/8/8/8/3B4/8/4K3 w - - 0 1", White,
         "d3"},
        {"fen b3k3/7p/8/8/8/4B3/4P3/4K3 w - - 0 1", "fen b3k3/7p/8/8/8/4B3/8/4K3 w - - 0 1", White,
         "e3"},
        {"fen 4k3/3p4/3b4/8/8/8/7P/B3K3 w - - 0 1", "fen 4k3/8/3b4/8/8/8/7P/B3K3 w - - 0 1", Black,
         "d6"},
        {"fen 4k3/4p3/4b3/8/8/8/7P/B3K3 w - - 0 1", "fen 4k3/8/4b3/8/8/8/7P/B3K3 w - - 0 1", Black,
         "e6"},
    };
    for (const Case& c : cases) {
        setUpRoot(c.withoutPawn);
        prepareRootEvaluation();
        const int unblocked = tableValue(c.colour, Bishop, c.square);
        const int otherColour = tableValue(1 - c.colour, Bishop, c.square);
        setUpRoot(c.withPawn);
        prepareRootEvaluation();
        EXPECT_EQ(tableValue(c.colour, Bishop, c.square), unblocked - 20) << c.withPawn;
        EXPECT_EQ(tableValue(1 - c.colour, Bishop, c.square), otherColour) << c.withPawn;
        EXPECT_EQ(rootWeakerSide, -1) << c.withPawn;
    }
}

} // namespace
} // namespace tarnwick
