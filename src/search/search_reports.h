// The `info depth` and `bestmove` lines made from the search's best line.
#pragma once

#include "board/board.h"

namespace tarnwick {

// 1 keeps the `info` lines of the search to itself (the bench prints its own lines instead).
inline constinit int quietReports = 0;

void reportInfo(int bound);
void reportBestMove(int stopped);
// With MultiPV: the `info depth` line of the root move ranked `rank` (from 1), with its exact
// value and its own line. reportInfo then shows the best line as rank 1.
void reportRankedLine(int rank, int score, const Move* line);

// The score part of an `info` line ("cp 20", "mate -3", with " upperbound" or " lowerbound").
void formatScoreText(char* text, int size, int score, int bound);
// " pv" and the moves of a line up to its sentinel, at most 63 of them; empty for an empty line.
void formatLineText(char* text, int size, const Move* line);

} // namespace tarnwick
