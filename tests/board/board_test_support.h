// Helpers of the board tests: positions set up from `position` argument texts, moves collected
// from the real generators, and snapshots of the whole position for round-trip comparisons.
#pragma once

#include "board/board.h"

#include <string>
#include <vector>

namespace tarnwick {

// The square of a name such as "e4"; constexpr so that move records can be written with it.
constexpr int sq(const char* name) {
    return makeSquare(name[0] - 'a', name[1] - '1');
}

// Builds the key and attack tables if needed, resets the board and sets the position up.
void setPosition(const char* text);

// Every candidate the generators hand over in the root order (pseudo-legal), and the legal ones.
std::vector<Move> pseudoLegalMoves();
std::vector<Move> legalMoves();

// The moves' texts joined by blanks, e.g. "e2e4 g1f3".
std::string movesText(const std::vector<Move>& moves);

// Finds the generated pseudo-legal move with this text; a Move with piece 0 when there is none.
Move findMove(const char* text);

// Everything make/unmake must restore.
struct PositionSnapshot {
    BoardCell cells[BoardCells];
    PieceEntry lists[2][PieceListSize];
    int lastPieces[2];
    int count;
    std::uint32_t lock;
    std::uint32_t index;
};
PositionSnapshot takeSnapshot();
bool sameCellsListsAndKeys(const PositionSnapshot& a, const PositionSnapshot& b);

} // namespace tarnwick
