// The UCI `position` command: reads a FEN placement, side to move, castling rights and en passant
// square (or the start position), resets the game history and plays the listed game moves, by the
// rules of standard chess or of Chess960.
#pragma once

namespace tarnwick {

inline constexpr char StartPositionText[] = "rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w - - 0 1";

// 1 while the position can be searched; 0 after a placement that cannot be represented (a
// colour without exactly one king, or more than 16 men of one colour). A `go` then answers
// "bestmove 0000" at once.
inline constinit int positionIsValid = 0;
// Why the last placement was refused, for the log and the tool's error line; "" otherwise.
inline constinit const char* positionRefusal = "";

// 1 while the position was set up with UCI_Chess960 on: its castling field was read in the forms
// of Chess960, and castling is written, and read in the move lists, as the king taking its rook.
// Written by `position` only, so a change of the option during a search counts from the next one.
inline constinit int chess960Mode = 0;

void setupPosition(const char* text);

} // namespace tarnwick
