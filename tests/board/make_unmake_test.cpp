// Make and unmake: every move of perft walks is taken back exactly and its keys equal keys
// computed from scratch; the emptied cells keep what unmake needs.
#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board_test_support.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

int walkPlies = 0;
long failures = 0;
long movesOfKind[Sentinel + 1]{};

// A perft walk that checks every move it makes, legal or not.
int checkMove(SearchFrame* frame) {
    const Move& candidate = moveStack[currentSlot];
    const PositionSnapshot before = takeSnapshot();
    makeMove(candidate);
    const bool legal = isSquareAttacked(otherSide, pieceList[sideToMove][0].square) == 0;
    exchangeSides();
    failures += !keysMatchScratch() || !boardIsConsistent();
    if (legal && walkPlies > 1) {
        ++currentSlot;
        --walkPlies;
        generateAllMoves(frame);
        ++walkPlies;
        --currentSlot;
    }
    exchangeSides();
    unmakeMove(candidate);
    failures += !(takeSnapshot() == before);
    ++movesOfKind[candidate.kind];
    return 0;
}

TEST(MakeUnmake, EveryMoveOfPerftWalksRestoresExactlyWithExactKeys) {
    const std::pair<const char*, int> walks[] = {
        {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w", 3},
        {"fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 4},
        {"fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w - - 0 1", 3},
        {"fen n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 3},
    };
    for (const auto& [position, depth] : walks) {
        setPosition(position);
        moveCallback = checkMove;
        walkPlies = depth;
        generateAllMoves(nullptr);
    }
    EXPECT_EQ(failures, 0);
    for (int kind : {NormalMove, EnPassant, Promotion, CastleKingSide, CastleQueenSide})
        EXPECT_GT(movesOfKind[kind], 10) << "kind " << kind;
}

TEST(MakeUnmake, NullMoveChangesOnlyTheKeys) {
    setPosition("startpos");
    const PositionSnapshot before = takeSnapshot();
    makeMove(NullMove);
    PositionSnapshot after = takeSnapshot();
    EXPECT_NE(after.lock, before.lock);
    after.lock = before.lock;
    after.index = before.index;
    EXPECT_EQ(after, before);
    exchangeSides();
    EXPECT_TRUE(keysMatchScratch());
    exchangeSides();
    unmakeMove(NullMove);
    EXPECT_EQ(takeSnapshot(), before);
}

TEST(MakeUnmake, EmptiedCellsAndPromotionsKeepWhatUnmakeNeeds) {
    setPosition("startpos moves e2e4 d7d5");
    const int victimIndex = board[sq("d5")].listIndex;
    makeMove(findMove("e4d5"));
    // The origin now holds the emptied cell: only `piece` says that the square is empty.
    EXPECT_EQ(board[sq("e4")], (BoardCell{.listIndex = static_cast<std::uint16_t>(victimIndex),
                                          .colour = Black,
                                          .piece = Empty}));
    // A promotion on an entry above lastOfficerIndex raises it; taking it back lowers it again.
    setPosition("fen 1r2k3/P7/8/8/8/8/1r5P/4K3 w");
    const Move promotion = findMove("a7b8q");
    makeMove(promotion);
    EXPECT_EQ(lastOfficerIndex[White], board[sq("b8")].listIndex);
    // Taking the promoted queen and taking that back restores the queen, not a pawn.
    exchangeSides();
    const Move recapture = findMove("b2b8");
    const PositionSnapshot withQueen = takeSnapshot();
    makeMove(recapture);
    unmakeMove(recapture);
    EXPECT_EQ(takeSnapshot(), withQueen);
    EXPECT_EQ(board[sq("b8")].piece, Queen);
    exchangeSides();
    unmakeMove(promotion);
    EXPECT_EQ(lastOfficerIndex[White], 0);
}

} // namespace
} // namespace tarnwick
