// Retrograde solver for king and queen, king and rook, and king and pawn against a lone king, and
// the writer of the 425,984 bytes of "Endgame.bin" that endgameLookup reads.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

// The solver works on its own compact position: three squares in the data's file-major index
// (file * 8 + rank) and the side to move, packed like the file's key. The strong side is White and
// plays up the board. Every one of the 2^19 keys of an ending is solved, not only the normalised
// ones, so that a value can be read for any placement.
inline constexpr int EndgameKeyCount = 1 << 19;

inline constexpr int endgameSquare(int file, int rank) {
    return file * 8 + rank;
}
inline constexpr int endgameKey(int strongKing, int weakKing, int man, int weakToMove) {
    return strongKing * 8192 + weakKing * 128 + man * 2 + weakToMove;
}
inline constexpr int strongKingOf(int key) {
    return (key >> 13) & 63;
}
inline constexpr int weakKingOf(int key) {
    return (key >> 7) & 63;
}
inline constexpr int manOf(int key) {
    return (key >> 1) & 63;
}
inline constexpr int weakToMoveOf(int key) {
    return key & 1;
}

// Values as in the file: with the strong side to move its moves to mate (at least 1); with the
// weak side to move the strong side's moves until the mate (0 when mated now); EndgameDraw;
// EndgameNoKnowledge for a position that cannot occur.
inline constexpr int EndgameLongestMate = 200;

// One position reached by one move. `piece` is the strong man afterwards and `key` the position in
// that ending; piece 0 means the weak king took the man (two bare kings), and a pawn promoted to a
// bishop or knight leaves a drawn ending whose key is still given.
struct EndgameSuccessor {
    int piece;
    int key;
};
// A queen reaches at most 27 squares and its king 8.
inline constexpr int MaxEndgameSuccessors = 40;

// 1 when the key describes a position that can occur: three different squares, kings apart, the
// side not to move not in check, a pawn off the first and last ranks.
int isLegalEndgamePosition(int strongPiece, int key);
// 1 when the man gives check to the weak king.
int isWeakKingInCheck(int strongPiece, int key);
// Writes the positions after every legal move of the side to move; returns their number.
int generateEndgameSuccessors(int strongPiece, int key, EndgameSuccessor* successors);

// Solves the queen and rook endings, then the pawn ending through their promotions. The values stay
// available through solvedEndgameValue until the next solve.
void solveEndgames();
// The value of any key of a solved ending; 253 for the bishop, knight and bare-king draws, 254 for
// a key out of range.
int solvedEndgameValue(int strongPiece, int key);

// Solves and fills the file's bytes (EndgameFileSize of them) in the layout endgameLookup reads.
// Returns false when a mate would not fit in a byte (cannot happen for these endings).
bool buildEndgameData(std::uint8_t* data);

} // namespace tarnwick
