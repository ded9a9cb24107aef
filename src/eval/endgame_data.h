// Exact scores for three-man endings: king and bishop or knight against king are draws, king and
// queen, rook or pawn against king come from "Endgame.bin", loaded whole on first need.
#pragma once

#include "board/board.h"

namespace tarnwick {

inline constexpr int EndgameFileSize = 425984;
inline constexpr int EndgameNoKnowledge = 254;
inline constexpr int EndgameDraw = 253;
inline constexpr int EndgameQueenOffset = 0;
inline constexpr int EndgameRookOffset = 81920;
inline constexpr int EndgamePawnOffset = 163840;
inline constexpr char EndgameFileName[] = "Endgame.bin";
inline constexpr int MaxThreeMen = 3; // probeEndgame needs no more men than this on the board

// The value of the position after a move, seen by its mover: 0 a draw, a mate counted in plies
// from the root, or EndgameNoKnowledge (also for a mate the fifty-move rule would forestall).
int probeEndgame(const Position& pos);
int endgameLookup(int key, int strongPiece);
// Offset in the file that endgameLookup reads for a key, after normalisation.
int endgameOffset(int key, int strongPiece);

// The `info string` line that tells which file the first probe read, or that none was found, sent
// once while the search that probed it still owes its `bestmove`. The thread that talks to the
// interface sends it; the probe of any thread owes it.
void sendEndgameNotice();

// Forget the loaded data and allow one new load attempt (tests).
void resetEndgameData();

} // namespace tarnwick
