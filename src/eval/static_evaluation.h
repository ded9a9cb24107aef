// The evaluation inside the tree: material, the root-built piece-square tables, the pawn-structure
// penalty kept exact by a per-ply stack of pawn file masks, and the score change of one move.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

inline constexpr int pieceValue[7] = {0, 0, 2304, 1216, 776, 760, 256};

// [colour][piece][square], black in its own orientation; written at the root of every search.
inline constinit std::int16_t pieceSquareTable[2][7][BoardCells]{};

struct PawnFileMasks {
    std::uint8_t files[2];   // files holding a pawn of the colour
    std::uint8_t doubled[2]; // files holding two or more pawns of the colour
};
static_assert(sizeof(PawnFileMasks) == 4);

// Entry 0 is the root record; entry p + 1 describes the pawns after the move made at ply p.
inline constexpr int PawnMaskRecords = 64;
inline constinit PawnFileMasks pawnMaskStack[PawnMaskRecords]{};
inline PawnFileMasks& pawnRecordOfPly(int p) {
    return pawnMaskStack[p + 1];
}

int pawnStructurePenalty(const PawnFileMasks& record, int colour);
int removePawnFromFile(int colour, int square);
int evaluateMove();

} // namespace tarnwick
