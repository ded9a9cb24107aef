// The `info depth` and `bestmove` lines made from the search's best line.
#pragma once

#include "board/board.h"

namespace tarnwick {

struct SearchState;

// 1 keeps the `info` lines of the search to itself (the bench prints its own lines instead).
inline constinit int quietReports = 0;

// The helpers of a parallel search tell nothing to the interface.
bool showsReports(const SearchState& search);

// The reports show the search's own line continued from the table and cut where the game would be
// drawn. reportBestMove(0) reports the last complete iteration and takes the expected reply from
// that line.
void reportInfo(SearchState& search, int bound);
// The one report of a search whose root has no legal move: mated (in check) or stalemated.
void reportRootWithoutMove(int inCheck);
void reportBestMove(int stopped);
// With MultiPV: the `info depth` line of the root move ranked `rank` (from 1), with its exact
// value and its own line. reportInfo then shows the best line as rank 1.
void reportRankedLine(SearchState& search, int rank, int score, const Move* line);

// The line a report shows, into `shown`: the search's own line `own` as far as its moves are legal,
// continued while it is shorter than `depth` by the moves the table holds for the positions that
// follow, as long as such a move is legal and its position has not occurred earlier in the line.
// It ends where the game would be drawn: the fifty-move clock at its limit, or a position on the
// board for the third time, counting the game before the root. Reads the table without counting
// nodes; the position is as before.
void lineForReport(Position& pos, const Move* own, int depth, Move* shown);

// Whether a score is shown as a mate ("mate 3") rather than in centipawns.
bool showsAsMate(int score);
// Keeps the moves of the line a report would show for `own` in the memory of shown lines, so that
// later lines can go on where the table has lost its move. The end of each iteration does this.
void rememberShownLine(Position& pos, const Move* own, int depth);

// The score part of an `info` line ("cp 20", "mate -3", with " upperbound" or " lowerbound").
void formatScoreText(char* text, int size, int score, int bound);
// " pv" and the moves of a line up to its sentinel, at most 63 of them; empty for an empty line.
void formatLineText(const Position& pos, char* text, int size, const Move* line);

} // namespace tarnwick
