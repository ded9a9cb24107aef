// Repetition by moves, not keys: a position repeats when every man moved since an earlier
// moment with the same side to move stands again where it stood then.
#pragma once

#include "board/board.h"

namespace tarnwick {

// 1 when the move in currentSlot (already made) leads to a position seen before in the game
// history and search line. atRoot 1 searches back to the last irreversible move; inside the
// tree only the position four plies back is considered.
int isRepetition(const Position& pos, int atRoot);

} // namespace tarnwick
