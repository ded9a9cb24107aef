// The UCI `position` command: reads a FEN placement, side to move, castling rights and en passant
// square (or the start position), resets the game history and plays the listed game moves, by the
// rules of standard chess or of Chess960.
#pragma once

#include "board/board.h"

namespace tarnwick {

inline constexpr char StartPositionText[] = "rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w - - 0 1";

// Sets up the position of the text (the arguments of `position`); a position that cannot be
// represented is refused (positionIsValid 0, positionRefusal says why).
void setupPosition(Position& pos, const char* text);

} // namespace tarnwick
