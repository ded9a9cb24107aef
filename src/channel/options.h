// Identification and the two UCI options, Hash and Ponder; only Hash is stored.
#pragma once

namespace tarnwick {

// Transposition table size in MiB: 0 until the first `uci`, then 1, or as set by Hash.
inline constinit int hashSizeMb = 0;
inline constexpr int DefaultHashSizeMb = 1;

void sendIdentity();
void applyOption();
// The size the tables are built with: hashSizeMb, or the announced default while no `uci` has
// set it, so an `isready` or `go` before `uci` still finds tables.
int hashSizeForTables();

} // namespace tarnwick
