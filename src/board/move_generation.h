// Move generation without move lists: every generator writes one candidate at a time into the
// move stack slot at currentSlot and hands it to moveCallback. The generator order is the move
// ordering of the search.
#pragma once

#include "board/board.h"

namespace tarnwick {

int tryPromotions(Position& pos, SearchFrame* frame);
// The captures of the man on the victim square: pawns first, then the officers from the end of
// their list part (knights, bishops, rooks, queens, the king last).
int generateCaptures(Position& pos, int victimSquare, SearchFrame* frame);

// The captures of every opposing man but the king, victims from the most valuable list entry
// down, skipping the man on `skippedSquare` (an off-board square skips none).
int generateAllCaptures(Position& pos, int skippedSquare, SearchFrame* frame);
int generateQuietMoves(Position& pos, int originSquare, SearchFrame* frame);
int generateEnPassant(Position& pos, SearchFrame* frame);
int generateCastling(Position& pos, SearchFrame* frame);
int isMoveValid(Position& pos);

// Every pseudo-legal move of the position in the root order: en passant, the captures of each
// opposing man from the most valuable list entry down (the king is never a victim), castling, then
// the quiet moves of each own man, the king's first. Returns 1 when the callback stopped it.
int generateAllMoves(Position& pos, SearchFrame* frame);

// Whether the side to move has a move that does not leave its king attacked. Generates into the
// slot above currentSlot and puts moveCallback back.
int hasLegalMove(Position& pos);

// A destination on the first or last rank: s - 8 > 103 as an unsigned number.
inline constexpr bool isPromotionRank(int square) {
    return static_cast<unsigned>(square - 8) > 103u;
}

} // namespace tarnwick
