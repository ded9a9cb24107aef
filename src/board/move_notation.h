// Long algebraic move text: printing moves for the interface, reading the game moves of
// `position`.
#pragma once

#include "board/board.h"

namespace tarnwick {

// Each call has its own buffer, so both threads may print moves at once.
struct MoveText {
    char text[6];
};
MoveText moveToText(const Move& move);

// Reads one move of a `position` move list and plays it as a game move; a malformed move or one
// that would corrupt the position is skipped and the side to move stays.
void playMoveText(const char* text);

} // namespace tarnwick
