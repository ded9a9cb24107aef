// The evaluation inside the tree: material, the root-built piece-square tables, the pawn-structure
// penalty kept exact by a per-ply stack of pawn file masks, and the score change of one move.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

inline constexpr int pieceValue[7] = {0, 0, 2304, 1216, 776, 760, 256};

struct PawnFileMasks {
    std::uint8_t files[2];   // files holding a pawn of the colour
    std::uint8_t doubled[2]; // files holding two or more pawns of the colour
};
static_assert(sizeof(PawnFileMasks) == 4);

inline constexpr int PawnMaskRecords = 64;

// A position with the evaluation's tables for it: built at the root of a search by
// prepareRootEvaluation, read by every move inside the tree.
struct EvaluatedPosition : Position {
    // [colour][piece][square], black in its own orientation.
    std::int16_t pieceSquareTable[2][7][BoardCells]{};
    // Entry 0 is the root record; entry p + 1 describes the pawns after the move made at ply p.
    PawnFileMasks pawnMaskStack[PawnMaskRecords]{};
    // Results besides the tables, kept for the developer tool's eval dump.
    int rootPhase = 0;
    int rootWeakerSide = -1; // a colour, or -1 for none
};

inline PawnFileMasks& pawnRecordOfPly(EvaluatedPosition& pos, int p) {
    return pos.pawnMaskStack[p + 1];
}

int pawnStructurePenalty(const PawnFileMasks& record, int colour);
int removePawnFromFile(EvaluatedPosition& pos, int colour, int square);
int evaluateMove(EvaluatedPosition& pos);

} // namespace tarnwick
