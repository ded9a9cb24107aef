// The clock of a search: the node counter that every searched move advances, and the hard stop
// once the time budget, or a node limit, is spent.
#pragma once

#include <cstdint>

namespace tarnwick {

// The clock is read once every this many counted nodes.
inline constexpr int ClockPollNodes = 4096;

// The node count is nodeCountHigh * 1024 + nodeCountLow; nodeCountHigh rises by 4 per poll.
inline constinit int nodeCountLow = 0;
inline constinit int nodeCountHigh = 0;

inline std::uint64_t nodeCount() {
    return static_cast<std::uint64_t>(nodeCountHigh) * 1024u +
           static_cast<std::uint64_t>(nodeCountLow);
}

// Counts one node and answers whether the search must stop now (1) or may go on (0).
int checkClock();

// Milliseconds since the search started.
std::uint32_t elapsedMilliseconds();

// Clears the node counter (tests and the start of every search).
void resetNodeCount();

} // namespace tarnwick
