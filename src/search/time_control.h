// The clock of a search: the node counter that every searched move advances, and the hard stop
// once the time budget, or a node limit, is spent.
#pragma once

#include <cstdint>

namespace tarnwick {

// The clock is read once every this many counted nodes.
inline constexpr int ClockPollNodes = 4096;

struct SearchState;

// The nodes one search has counted.
std::uint64_t nodeCount(const SearchState& search);

// Counts one node and answers whether the search must stop now (1) or may go on (0).
int checkClock(SearchState& search);

// Milliseconds since the search started.
std::uint32_t elapsedMilliseconds();

// Clears the node counter (tests and the start of every search).
void resetNodeCount(SearchState& search);
// At the start of a search: the `go nodes` limit for the main search and `helpers` helper threads,
// and a helper's empty share of it.
void shareNodeLimit(SearchState& main, int helpers);
void startNodeShare(SearchState& search);

} // namespace tarnwick
