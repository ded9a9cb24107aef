// Identification and the UCI options: Hash and Ponder, and the opt-in Move Overhead, MultiPV,
// Clear Hash, UCI_LimitStrength, UCI_Elo and UCI_Chess960, whose defaults leave the engine's play
// exactly as without them.
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

// UCI_LimitStrength and UCI_Elo: play at the level of a player of that rating (see
// search/strength_limit.h); both count from the next `go`.
inline constexpr int MinStrengthElo = 800;
inline constexpr int MaxStrengthElo = 2000;
inline constexpr int DefaultStrengthElo = 1500;
inline constinit int limitStrength = 0;
inline constinit int strengthElo = DefaultStrengthElo;

// UCI_Chess960: positions are read, and castling is played and written, by the rules of Chess960
// (see board/position_setup.h); it counts from the next `position`.
inline constinit int chess960Option = 0;

void sendIdentity();
void applyOption();
// The size the tables are built with: hashSizeMb, or the announced default while no `uci` has
// set it, so an `isready` or `go` before `uci` still finds tables.
int hashSizeForTables();

} // namespace tarnwick
