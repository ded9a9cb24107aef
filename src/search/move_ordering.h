// The killer table: per ply the two most recent distinct moves that caused a cut-off there. It
// is the only learned move ordering; each root move carries its own copy of it.
#pragma once

#include "board/board.h"

namespace tarnwick {

inline constexpr int KillerPlies = 63; // plies 0 to 62

// A killer table holds slot 0 the most recent; an empty slot holds SentinelMove.
inline bool isEmptyKiller(const Move& move) {
    return move.kind == Sentinel;
}

struct SearchState;

// Remembers the cut-off move of the node at the search's ply.
void storeKiller(SearchState& search, const Move* move);

// Empties every slot of a killer table (a search's, or a root move's copy).
void clearKillers(Move table[KillerPlies][2]);

} // namespace tarnwick
