// The one full evaluation per search: fills pieceSquareTable and the root pawn record from the
// root position and returns its score from the side to move.
#pragma once

#include "eval/static_evaluation.h"

namespace tarnwick {

int prepareRootEvaluation(EvaluatedPosition& pos);

// Clears the tables, the pawn-mask stack, the root results and the endgame data (tests).
void resetEvaluation(EvaluatedPosition& pos);

} // namespace tarnwick
