// Turns the argument text of `go` into the time budget, the ponder mode and the other limits.
#pragma once

namespace tarnwick {

// 1 once this game has had the `info string` that Move Overhead leaves no time on its clock;
// cleared by `ucinewgame`.
inline constinit int overheadHintSent = 0;

// Returns the budget in milliseconds (at least 1); sets ponderMode and the depth, node, clock,
// searchmoves and MultiPV fields of searchRequest. `sideLetter` is 'w' or 'b', the side to move.
int parseGoParameters(const char* text, char sideLetter);

} // namespace tarnwick
