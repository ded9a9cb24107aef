// The UCI `position` command: reads a FEN placement, side to move, castling rights and en passant
// square (or the start position), resets the game history and plays the listed game moves.
#pragma once

namespace tarnwick {

inline constexpr char StartPositionText[] = "rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w - - 0 1";

// 1 while the position can be searched; 0 after a placement that cannot be represented (a
// colour without exactly one king, or more than 16 men of one colour). A `go` then answers
// "bestmove 0000" at once.
inline constinit int positionIsValid = 0;
// Why the last placement was refused, for the log and the tool's error line; "" otherwise.
inline constinit const char* positionRefusal = "";

void setupPosition(const char* text);

} // namespace tarnwick
