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

struct SearchState;

// The engine entry point of `go`: the search of the interface's position, mainSearch.
void think();
// The search of a helper thread, on its copy of mainSearch's root position.
void helperThink(SearchState& search);
void generateRootMoves(SearchState& search, SearchFrame* frame);
int collectRootMove(Position& pos, SearchFrame* frame);
void sortRootMoves(SearchState& search);

// The main search's rootLine is read by the reader thread (for `stop`) while think may be writing
// it: writes and whole-line copies go through one small lock, taken only when the best line
// changes.
void setRootLine(SearchState& search, const Move* line);
void copyRootLine(const SearchState& search, Move* line);

// The state of a fresh engine: no line, no root list, empty killers, counters at 0 (tests).
void resetSearch(SearchState& search);

} // namespace tarnwick
