// Identification and the UCI options: Hash and Ponder, and the opt-in Move Overhead, MultiPV and
// Clear Hash, whose defaults leave the engine's play exactly as without them.
#pragma once

namespace tarnwick {

// Transposition table size in MiB: 0 until the first `uci`, then 1, or as set by Hash.
inline constinit int hashSizeMb = 0;
inline constexpr int DefaultHashSizeMb = 1;

// Move Overhead: the milliseconds the clock rule keeps back from every move's budget for the
// way to and from the interface. The default 3000 suits slow games only.
inline constexpr int DefaultMoveOverheadMs = 3000;
inline constexpr int MaxMoveOverheadMs = 5000;
inline constinit int moveOverheadMs = DefaultMoveOverheadMs;

// MultiPV: how many root moves each completed iteration reports with exact values.
inline constexpr int MaxMultiPv = 32;
inline constinit int multiPvLines = 1;

void sendIdentity();
void applyOption();
// The size the tables are built with: hashSizeMb, or the announced default while no `uci` has
// set it, so an `isready` or `go` before `uci` still finds tables.
int hashSizeForTables();

} // namespace tarnwick
