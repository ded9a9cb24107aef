// Plays a move on the position and takes it back, keeping cells, lists, the man count and both
// keys up to date incrementally. No undo record: the move and the emptied cells hold all.
#pragma once

#include "board/board.h"

namespace tarnwick {

void makeMove(Position& pos, const Move& move);
void unmakeMove(Position& pos, const Move& move);
// Whether the generated move of the side to move leaves its own king unattacked: played and taken
// back again.
bool leavesKingSafe(Position& pos, const Move& move);

} // namespace tarnwick
