// Make and unmake: every kind of move is taken back exactly, the incremental keys equal keys
// computed from scratch, and the emptied cells keep what unmake needs.
#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

void exchangeSides() {
    sideToMove = otherSide;
    otherSide = 1 - sideToMove;
}

bool keysMatchScratch() {
    std::uint32_t lock = 0;
    std::uint32_t index = 0;
    computeKeysFromScratch(lock, index);
    return lock == lockKey && index == indexKey;
}

struct KindCase {
    const char* position;
    const char* move;
    int kind;
};

TEST(MakeUnmake, EveryKindRoundTripsAndKeepsKeysExact) {
    const KindCase cases[] = {
        {"startpos", "g1f3", NormalMove},
        {"startpos moves e2e4 d7d5", "e4d5", NormalMove},
        {"startpos moves e2e4 d7d5 e4e5 f7f5", "e5f6", EnPassant},
        {"fen 4k3/8/8/8/3p1p2/8/4P3/4K3 w moves e2e4", "f4e3", EnPassant},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", "e1g1", CastleKingSide},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R w", "e1c1", CastleQueenSide},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1", "e8g8", CastleKingSide},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1", "e8c8", CastleQueenSide},
        {"fen 4k3/1P6/8/8/8/8/8/4K3 w", "b7b8n", Promotion},
        {"fen r3k3/1P6/8/8/8/8/8/4K3 w", "b7a8q", Promotion},
        {"fen 4k3/8/8/8/8/8/6p1/4K2R b - - 0 1", "g2h1r", Promotion},
    };
    for (const KindCase& c : cases) {
        setPosition(c.position);
        const Move move = findMove(c.move);
        ASSERT_EQ(move.kind, c.kind) << c.position << " " << c.move;
        const PositionSnapshot before = takeSnapshot();
        makeMove(move);
        EXPECT_EQ(boardIsConsistent(), 1) << c.move;
        exchangeSides();
        EXPECT_TRUE(keysMatchScratch()) << c.move;
        exchangeSides();
        unmakeMove(move);
        EXPECT_TRUE(sameCellsListsAndKeys(before, takeSnapshot())) << c.move;
    }
}

TEST(MakeUnmake, TheMovedMenLandWhereTheKindSays) {
    setPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w");
    makeMove(findMove("e1g1"));
    EXPECT_EQ(board[sq("g1")].piece, King);
    EXPECT_EQ(board[sq("f1")].piece, Rook);
    EXPECT_EQ(board[sq("h1")].piece, Empty);
    EXPECT_EQ(pieceList[White][board[sq("f1")].listIndex].square, sq("f1"));
    setPosition("startpos moves e2e4 d7d5 e4e5 f7f5");
    makeMove(findMove("e5f6"));
    EXPECT_EQ(board[sq("f5")].piece, Empty); // the pawn beside the destination is taken
    EXPECT_EQ(pieceCount, 31);
}

TEST(MakeUnmake, NullMoveChangesOnlyTheKeys) {
    setPosition("startpos");
    const PositionSnapshot before = takeSnapshot();
    makeMove(NullMove);
    PositionSnapshot after = takeSnapshot();
    EXPECT_NE(after.lock, before.lock);
    EXPECT_NE(after.index, before.index);
    after.lock = before.lock;
    after.index = before.index;
    EXPECT_TRUE(sameCellsListsAndKeys(before, after));
    exchangeSides();
    EXPECT_TRUE(keysMatchScratch());
    exchangeSides();
    unmakeMove(NullMove);
    EXPECT_TRUE(sameCellsListsAndKeys(before, takeSnapshot()));
}

TEST(MakeUnmake, EmptiedCellKeepsTheCapturedMansEntry) {
    setPosition("startpos moves e2e4 d7d5");
    const int victimIndex = board[sq("d5")].listIndex;
    makeMove(findMove("e4d5"));
    // The mover's origin now holds the emptied cell: only `piece` says it is empty.
    const BoardCell& left = board[sq("e4")];
    EXPECT_EQ(left.piece, Empty);
    EXPECT_EQ(left.listIndex, victimIndex);
    EXPECT_EQ(left.colour, Black);
    EXPECT_EQ(pieceList[Black][victimIndex].piece, Empty);
}

TEST(MakeUnmake, PromotionRaisesAndLowersTheOfficerRange) {
    setPosition("fen 4k3/1P6/8/8/8/8/P7/4K3 w");
    ASSERT_EQ(lastOfficerIndex[White], 0);
    const Move promotion = findMove("b7b8q");
    makeMove(promotion);
    const int entry = board[sq("b8")].listIndex;
    EXPECT_EQ(lastOfficerIndex[White], entry);
    EXPECT_EQ(pieceList[White][entry].piece, Queen);
    unmakeMove(promotion);
    EXPECT_EQ(lastOfficerIndex[White], 0); // back past the trailing pawns
    EXPECT_EQ(board[sq("b7")].piece, Pawn);
    // Taking a promoted man and taking that back restores the promoted code, not a pawn.
    setPosition("fen 1r2k3/P7/8/8/8/8/1r6/4K3 w");
    makeMove(findMove("a7b8q"));
    exchangeSides();
    const Move recapture = findMove("b2b8");
    ASSERT_EQ(recapture.captured, Queen);
    const PositionSnapshot withQueen = takeSnapshot();
    makeMove(recapture);
    unmakeMove(recapture);
    EXPECT_TRUE(sameCellsListsAndKeys(withQueen, takeSnapshot()));
    EXPECT_EQ(board[sq("b8")].piece, Queen);
}

// A perft walk that checks every move: make, keys against scratch after the side exchange,
// consistency, and an exact restore after unmake.
int walkPlies = 0;
long checkedMoves = 0;
long failures = 0;

int checkMove(SearchFrame* frame) {
    const Move& move = moveStack[currentSlot];
    const PositionSnapshot before = takeSnapshot();
    makeMove(move);
    const bool legal = isSquareAttacked(otherSide, pieceList[sideToMove][0].square) == 0;
    exchangeSides();
    if (!keysMatchScratch() || boardIsConsistent() == 0)
        ++failures;
    if (legal && walkPlies > 1) {
        ++currentSlot;
        --walkPlies;
        generateAllMoves(frame);
        ++walkPlies;
        --currentSlot;
    }
    exchangeSides();
    unmakeMove(move);
    if (!sameCellsListsAndKeys(before, takeSnapshot()))
        ++failures;
    ++checkedMoves;
    return 0;
}

TEST(MakeUnmake, EveryMoveOfPerftWalksRestoresExactly) {
    const struct {
        const char* position;
        int depth;
    } walks[] = {
        {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w - -", 3},
        {"fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 4},
        {"fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
        {"fen n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 3},
    };
    for (const auto& walk : walks) {
        setPosition(walk.position);
        moveCallback = checkMove;
        walkPlies = walk.depth;
        checkedMoves = 0;
        failures = 0;
        generateAllMoves(nullptr);
        EXPECT_GT(checkedMoves, 1000) << walk.position;
        EXPECT_EQ(failures, 0) << walk.position;
    }
}

} // namespace
} // namespace tarnwick
