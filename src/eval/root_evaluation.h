// The one full evaluation per search: fills pieceSquareTable and the root pawn record from the
// root position and returns its score from the side to move.
#pragma once

namespace tarnwick {

// Results besides the tables, kept for the developer tool's eval dump.
inline constinit int rootPhase = 0;
inline constinit int rootWeakerSide = -1; // a colour, or -1 for none

int prepareRootEvaluation();

// Clears the tables, the pawn-mask stack, the root results and the endgame data (tests).
void resetEvaluation();

} // namespace tarnwick
