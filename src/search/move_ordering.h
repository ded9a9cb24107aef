// The killer table: per ply the two most recent distinct moves that caused a cut-off there. It
// is the only learned move ordering; each root move carries its own copy of it.
#pragma once

#include "board/board.h"

namespace tarnwick {

inline constexpr int KillerPlies = 63; // plies 0 to 62

// Slot 0 the most recent; an empty slot holds SentinelMove.
inline constinit Move killers[KillerPlies][2]{};

inline bool isEmptyKiller(const Move& move) {
    return move.kind == Sentinel;
}

// Remembers the cut-off move of the node at `ply`.
void storeKiller(const Move* move);

// Empties every slot of a killer table (the global one, or a root move's copy).
void clearKillers(Move table[KillerPlies][2]);

} // namespace tarnwick
