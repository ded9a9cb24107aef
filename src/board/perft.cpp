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

static void exchangeSides(Position& pos) {
    pos.sideToMove = pos.otherSide;
    pos.otherSide = 1 - pos.sideToMove;
}

static int countMove(Position& pos, SearchFrame* frame) {
    // A reference, not a copy: the generator has just written the fields one by one, and the
    // deeper plies use the slots above, so this slot stays as it is until the unmake.
    const Move& move = pos.moveStack[pos.currentSlot];
    makeMove(pos, move);
    if (isSquareAttacked(pos, pos.otherSide, pos.pieceList[pos.sideToMove][0].square) == 0) {
        if (pliesLeft == 1) {
            ++leafCount;
        } else {
            exchangeSides(pos);
            ++pos.currentSlot;
            --pliesLeft;
            generateAllMoves(pos, frame);
            ++pliesLeft;
            --pos.currentSlot;
            exchangeSides(pos);
        }
    }
    unmakeMove(pos, move);
    return 0;
}

static int countRootMove(Position& pos, SearchFrame* frame) {
    const Move move = pos.moveStack[pos.currentSlot];
    const std::uint64_t before = leafCount;
    if (!leavesKingSafe(pos, move))
        return 0;
    // Below the root every node counts through countMove.
    pos.moveCallback = countMove;
    countMove(pos, frame);
    pos.moveCallback = countRootMove;
    if (rootReport != nullptr)
        rootReport(move, leafCount - before);
    return 0;
}

std::uint64_t perft(Position& pos, int depth, PerftRootReport report) {
    if (depth <= 0)
        return 1;
    if (depth > MaxPerftDepth)
        depth = MaxPerftDepth;
    const MoveCallback savedCallback = pos.moveCallback;
    const int savedSlot = pos.currentSlot;
    const Move savedRootSlot = pos.moveStack[RootSlot];
    leafCount = 0;
    pliesLeft = depth;
    rootReport = report;
    pos.currentSlot = RootSlot;
    pos.moveCallback = countRootMove;
    generateAllMoves(pos, nullptr);
    pos.moveCallback = savedCallback;
    pos.currentSlot = savedSlot;
    pos.moveStack[RootSlot] = savedRootSlot;
    return leafCount;
}

} // namespace tarnwick
