// Move generation without move lists: every generator writes one candidate at a time into the
// move stack slot at currentSlot and hands it to moveCallback. The generator order is the move
// ordering of the search.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

struct SearchFrame;

// Returns 0 to go on, anything else to stop the generation.
using MoveCallback = int (*)(SearchFrame* frame);
inline constinit MoveCallback moveCallback = nullptr;

int tryPromotions(SearchFrame* frame);
int generateCaptures(int victimSquare, SearchFrame* frame);

// The officers of the side to move in the order the capture scans try them: from the end of
// their list part, so knights come before bishops, rooks, queens and the king. Gathered once per
// node for all its victims: every callback leaves the position as it found it, so the same men
// stand on the same squares at every victim, and captured entries and pawns are dropped once
// instead of at every victim.
inline constexpr int OfficersNotGathered = -1;
struct CapturingOfficers {
    int count; // OfficersNotGathered until the first capture generator of the node gathers them
    std::int32_t square[PieceListSize];
    std::uint32_t bit[PieceListSize]; // pieceBit of the man's code
    std::uint8_t piece[PieceListSize];
    int pawnBehind;         // from a victim to the rank its capturing pawns stand on
    std::uint32_t pawnCell; // cellWordOfMan of a pawn of the side to move
};
void gatherCapturingOfficers(CapturingOfficers& officers);

// generateCaptures with the node's officers, gathered on first use.
int generateCapturesBy(CapturingOfficers& officers, int victimSquare, SearchFrame* frame);
// The captures of every opposing man but the king, victims from the most valuable list entry
// down, skipping the man on `skippedSquare` (PlaceholderSquare skips none).
int generateAllCaptures(CapturingOfficers& officers, int skippedSquare, SearchFrame* frame);
int generateQuietMoves(int originSquare, SearchFrame* frame);
int generateEnPassant(SearchFrame* frame);
int generateCastling(SearchFrame* frame);
int isMoveValid();

// Every pseudo-legal move of the position in the root order: en passant, the captures of each
// opposing man from the most valuable list entry down (the king is never a victim), castling, then
// the quiet moves of each own man, the king's first. Returns 1 when the callback stopped it.
int generateAllMoves(SearchFrame* frame);

// A destination on the first or last rank: s - 8 > 103 as an unsigned number.
inline constexpr bool isPromotionRank(int square) {
    return static_cast<unsigned>(square - 8) > 103u;
}

} // namespace tarnwick
