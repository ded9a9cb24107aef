// The helper threads of a parallel search: with Threads N the engine keeps N - 1 of them, parked
// between searches, each with a search state of its own. During a search every helper searches the
// root of the main search with its own iterative deepening; they help one another only through the
// shared transposition table, and only the main search reports and chooses the move.
#pragma once

#include <cstdint>

namespace tarnwick {

struct SearchState;

// Ends or creates helpers until there are `count` of them; only between searches.
void setHelperCount(int count);
int helperCount();

// Starts every helper on a copy of the main search's root position (the main search has prepared
// its root, and the stop request is down).
void startHelpers(const SearchState& main);
// Waits until every helper has parked again: each ends its search once the stop request is up.
// Any thread may wait, the reader's `stop` too.
void waitForHelpers();

// The engine entry points of `isready` and `quit`: the tables and, at `isready`, the helper threads
// that the Threads option asks for; at `quit` the helpers end before the tables go.
void prepareSearch();
void releaseSearch();

// The nodes the helpers have counted in the current (or the last) search.
std::uint64_t helperNodes();

} // namespace tarnwick
