// The `go` entry point: iterative deepening over the list of legal root moves, each with its own
// stored line and its own copy of the killer table.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "search/move_ordering.h"
#include "search/node_search.h"

namespace tarnwick {

inline constexpr int MaxRootMoves = 128;
inline constexpr int AspirationHalfWidth = 128; // half a pawn
inline constexpr int LastIteration = 63;
inline constexpr int LostRootMove = -31000; // a root move scored below it loses by mate

struct RootMove {
    std::int16_t score;
    Move move;
    Move line[LineSlots];
    Move killers[KillerPlies][2];
};

inline constinit RootMove rootMoves[MaxRootMoves]{};
inline constinit int rootMoveCount = 0;
inline constinit int iterationDepth = 0;
inline constinit int completedDepth = 0;  // the last iteration completed by the current search
inline constinit int rootWithoutMove = 0; // 1 when the current search's root has no legal move

// The line of the best move (slot 0 the best move, slot 1 the expected reply) and its value from
// the root side's view. rootLine starts out as SentinelMove so that no report ever shows a line
// of empty moves. Only think writes them, through setRootLine, on the main thread; at a limited
// strength the `bestmove` report puts the level's choice in their place (strength_limit.h).
inline constinit Move rootLine[LineSlots]{SentinelMove};
inline constinit int rootScore = 0;

void think();
void generateRootMoves(SearchFrame* frame);
int collectRootMove(SearchFrame* frame);
void sortRootMoves();

// rootLine is read by the reader thread (for `stop`) while think may be writing it: writes and
// whole-line copies go through one small lock, taken only when the best line changes.
void setRootLine(const Move* line);
void copyRootLine(Move* line);

// The state of a fresh engine: no line, no root list, empty killers, counters at 0 (tests).
void resetSearch();

} // namespace tarnwick
