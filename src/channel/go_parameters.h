// Turns the argument text of `go` into the time budget, the ponder mode and the other limits.
#pragma once

namespace tarnwick {

// Returns the budget in milliseconds (at least 1); sets ponderMode and the depth, node, clock,
// searchmoves and MultiPV fields of searchRequest. `sideLetter` is 'w' or 'b', the side to move.
int parseGoParameters(const char* text, char sideLetter);

} // namespace tarnwick
