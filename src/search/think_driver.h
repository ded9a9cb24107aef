// The `go` entry point: iterative deepening over the list of legal root moves, each with its own
// stored line and its own copy of the killer table.
#pragma once

#include "board/board.h"
#include "search/node_search.h"

#include <cstdint>

namespace tarnwick {

inline constexpr int MaxRootMoves = 128;
inline constexpr int KillerPlies = 63;

struct RootMove {
    std::int16_t score;
    Move move;
    Move line[LineSlots];
    Move killers[KillerPlies][2];
};

inline constinit RootMove rootMoves[MaxRootMoves]{};
inline constinit int rootMoveCount = 0;
inline constinit int iterationDepth = 0;

void think();

} // namespace tarnwick
