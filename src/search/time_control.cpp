// The node counter doubles as the clock's poll: the tick counter is read only once every 4096
// counted nodes, so the clock costs nothing measurable on the hot path.
#include "search/time_control.h"

#include "channel/dispatcher.h"
#include "channel/runtime_services.h"

namespace tarnwick {

std::uint32_t elapsedMilliseconds() {
    return tickCount() - searchRequest.searchStartTick;
}

void resetNodeCount() {
    nodeCountLow = 0;
    nodeCountHigh = 0;
}

int checkClock() {
    // 1. Once a stop is requested nothing more is counted, so the final report shows the count
    //    at which the stop was seen.
    if (searchRequest.stopRequested.load(std::memory_order_acquire))
        return 1;
    // 2. Count the node; on every wrap of the low counter poll the clock, unless the search is
    //    open-ended ("infinite", "ponder") or limited only by depth or nodes. The unsigned
    //    comparison keeps working across a wrap of the 32-bit tick counter.
    if (++nodeCountLow >= ClockPollNodes) {
        nodeCountHigh += 4;
        nodeCountLow -= ClockPollNodes;
        if (searchRequest.clockEndsSearch &&
            searchRequest.ponderMode.load(std::memory_order_acquire) == 0 &&
            elapsedMilliseconds() >= static_cast<std::uint32_t>(searchRequest.timeBudgetMs)) {
            searchRequest.stopRequested.store(1, std::memory_order_release);
            return 1;
        }
    }
    // 3. A `go nodes N` ends the search the moment the count reaches N.
    if (searchRequest.nodeLimit != 0 && nodeCount() >= searchRequest.nodeLimit) {
        searchRequest.stopRequested.store(1, std::memory_order_release);
        return 1;
    }
    // 4. A stop raised by the reader thread since step 1 is answered at once too.
    return searchRequest.stopRequested.load(std::memory_order_acquire);
}

} // namespace tarnwick
