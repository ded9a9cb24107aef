// Helpers shared by the evaluation tests: square names and setting up a root position.
#pragma once

#include "board/board.h"
#include "board/position_setup.h"
#include "eval/root_evaluation.h"
#include "eval/static_evaluation.h"
#include "search/transposition_table.h"

namespace tarnwick {

inline int squareNamed(const char* name) {
    return makeSquare(name[0] - 'a', name[1] - '1');
}

inline int tableValue(int colour, int piece, const char* square) {
    return pieceSquareTable[colour][piece][squareNamed(square)];
}

// A fresh engine state with the position of a UCI `position` argument text, at the root.
inline void setUpRoot(const char* positionText) {
    prepareTables();
    resetBoard();
    resetEvaluation();
    setupPosition(positionText);
    currentSlot = RootSlot;
    ply = 0;
}

} // namespace tarnwick
