// Counting the leaves of the move tree (perft): a moveCallback that makes every move, keeps the
// legal ones and recurses through the move stack, so en passant and castling follow the line
// played exactly as in a search.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

// The move stack has room above the root slot for this many plies.
inline constexpr int MaxPerftDepth = MoveStackSlots - RootSlot - 1;

// Receives each legal root move, in generation order, with the leaves below it.
using PerftRootReport = void (*)(const Move& rootMove, std::uint64_t leaves);

// Leaves `depth` plies below the current position (1 at depth 0). Starts at the root slot; the
// position and the move stack are as before when it returns. `report` may be null.
std::uint64_t perft(Position& pos, int depth, PerftRootReport report);

} // namespace tarnwick
