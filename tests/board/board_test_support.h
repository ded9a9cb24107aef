// Helpers of the board tests: positions set up from `position` argument texts, moves collected
// from the real generators, and snapshots of everything make/unmake must restore.
#pragma once

#include "board/board.h"

#include <string>
#include <vector>

namespace tarnwick {

// The square of a name such as "e4".
constexpr int sq(const char* name) {
    return makeSquare(name[0] - 'a', name[1] - '1');
}
// A move record from its text's squares, e.g. move("e2e4", NormalMove, Pawn, Empty).
Move move(const char* text, int kind, int piece, int captured);

// Builds the key and attack tables if needed, resets the board and sets the position up.
void setPosition(const char* text);

// Every candidate the generators hand over in the root order, and the legal ones.
std::vector<Move> pseudoLegalMoves();
std::vector<Move> legalMoves();
std::string movesText(const std::vector<Move>& moves);
// The generated move with this text; a record with piece 0 when there is none.
Move findMove(const char* text);

struct PositionSnapshot {
    BoardCell cells[BoardCells];
    int squares[2][PieceListSize];
    int pieces[2][PieceListSize];
    int count;
    std::uint32_t lock;
    std::uint32_t index;
    bool operator==(const PositionSnapshot&) const = default;
};
PositionSnapshot takeSnapshot();
bool keysMatchScratch();
void exchangeSides();

} // namespace tarnwick
