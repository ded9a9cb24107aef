// Perft over the real generators in the root order: en passant, captures of each opposing man,
// castling, quiet moves. Every leaf is made and unmade; legality is the king-attack test after
// the make, as in the search.
#include "board/perft.h"

#include "board/make_unmake.h"
#include "board/move_generation.h"

namespace tarnwick {

static std::uint64_t leafCount = 0;
static int pliesLeft = 0; // plies below the move in the current slot, that move included
static PerftRootReport rootReport = nullptr;

static void exchangeSides() {
    sideToMove = otherSide;
    otherSide = 1 - sideToMove;
}

static int countMove(SearchFrame* frame) {
    // A reference, not a copy: the generator has just written the fields one by one, and the
    // deeper plies use the slots above, so this slot stays as it is until the unmake.
    const Move& move = moveStack[currentSlot];
    makeMove(move);
    if (isSquareAttacked(otherSide, pieceList[sideToMove][0].square) == 0) {
        if (pliesLeft == 1) {
            ++leafCount;
        } else {
            exchangeSides();
            ++currentSlot;
            --pliesLeft;
            generateAllMoves(frame);
            ++pliesLeft;
            --currentSlot;
            exchangeSides();
        }
    }
    unmakeMove(move);
    return 0;
}

static int countRootMove(SearchFrame* frame) {
    const Move move = moveStack[currentSlot];
    const std::uint64_t before = leafCount;
    if (!leavesKingSafe(move))
        return 0;
    // Below the root every node counts through countMove.
    moveCallback = countMove;
    countMove(frame);
    moveCallback = countRootMove;
    if (rootReport != nullptr)
        rootReport(move, leafCount - before);
    return 0;
}

std::uint64_t perft(int depth, PerftRootReport report) {
    if (depth <= 0)
        return 1;
    if (depth > MaxPerftDepth)
        depth = MaxPerftDepth;
    const MoveCallback savedCallback = moveCallback;
    const int savedSlot = currentSlot;
    const Move savedRootSlot = moveStack[RootSlot];
    leafCount = 0;
    pliesLeft = depth;
    rootReport = report;
    currentSlot = RootSlot;
    moveCallback = countRootMove;
    generateAllMoves(nullptr);
    moveCallback = savedCallback;
    currentSlot = savedSlot;
    moveStack[RootSlot] = savedRootSlot;
    return leafCount;
}

} // namespace tarnwick
