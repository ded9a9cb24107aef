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
// The other text the move reader takes for a Chess960 castling move: the king's move to its
// castling target, which some GUIs send, when that is two files or more and so cannot be a king's
// step. The empty text for every other move and outside Chess960.
MoveText kingStepCastlingText(const Move& move);

// Reads one move of a `position` move list and plays it as a game move; a malformed move or one
// that would corrupt the position is skipped and the side to move stays.
void playMoveText(const char* text);

} // namespace tarnwick
