// The node counter doubles as the clock's poll: the tick counter is read only once every 4096
// counted nodes, so the clock costs nothing measurable on the hot path.
#include "search/time_control.h"

#include <atomic>

#include "channel/dispatcher.h"
#include "channel/runtime_services.h"
#include "search/search_state.h"
#include "search/strength_limit.h"

namespace tarnwick {

// A limited strength picks its move among the moves an iteration has ranked, so neither its node
// cap nor the clock cuts iteration 1: a cut there would leave the first move generated as the
// answer, the same in every game. Iteration 1 costs from a few hundred nodes to some tens of
// thousands in a busy position, a few milliseconds; its nodes still count towards the level's
// cap, which then ends the search at the first count of iteration 2. Only a `stop` of the
// interface ends iteration 1 at a level.
static bool levelRanksFirst(const SearchState& search) {
    return searchLevel.elo != 0 && search.completedDepth == 0;
}

std::uint64_t nodeCount(const SearchState& search) {
    return static_cast<std::uint64_t>(search.nodeCountHigh) * 1024u +
           static_cast<std::uint64_t>(search.nodeCountLow);
}

std::uint32_t elapsedMilliseconds() {
    return tickCount() - searchRequest.searchStartTick;
}

void resetNodeCount(SearchState& search) {
    search.nodeCountLow = 0;
    search.nodeCountHigh = 0;
    search.publishedNodes.store(0, std::memory_order_relaxed);
}

// With helper threads a `go nodes N` is one pool for all of them: each thread takes the nodes it
// may count in parts, so that all of them together never count more than N. The main search alone
// takes all N at once, as a search of one thread always has.
inline constexpr std::uint64_t NodeShare = 1024;
static std::atomic<std::uint64_t> nodesInPool{0};

void shareNodeLimit(SearchState& main, int helpers) {
    main.nodeQuota = helpers > 0 ? 0 : searchRequest.nodeLimit;
    nodesInPool.store(helpers > 0 ? searchRequest.nodeLimit : 0, std::memory_order_relaxed);
}

void startNodeShare(SearchState& search) {
    search.nodeQuota = 0;
}

// Takes the next part of the pool; false when it is empty.
static bool takeNodeShare(SearchState& search) {
    std::uint64_t left = nodesInPool.load(std::memory_order_relaxed);
    while (left > 0) {
        const std::uint64_t part = left < NodeShare ? left : NodeShare;
        if (nodesInPool.compare_exchange_weak(left, left - part, std::memory_order_relaxed)) {
            search.nodeQuota += part;
            return true;
        }
    }
    return false;
}

int checkClock(SearchState& search) {
    // 1. Once a stop is requested nothing more is counted, so the final report shows the count
    //    at which the stop was seen.
    if (searchRequest.stopRequested.load(std::memory_order_acquire))
        return 1;
    // 2. Count the node; on every wrap of the low counter poll the clock, unless the search is
    //    open-ended ("infinite", "ponder") or limited only by depth or nodes. The unsigned
    //    comparison keeps working across a wrap of the 32-bit tick counter.
    if (++search.nodeCountLow >= ClockPollNodes) {
        search.nodeCountHigh += 4;
        search.nodeCountLow -= ClockPollNodes;
        search.publishedNodes.store(nodeCount(search), std::memory_order_relaxed);
        if (searchRequest.clockEndsSearch &&
            searchRequest.ponderMode.load(std::memory_order_acquire) == 0 &&
            elapsedMilliseconds() >= static_cast<std::uint32_t>(searchRequest.timeBudgetMs) &&
            !levelRanksFirst(search)) {
            searchRequest.stopRequested.store(1, std::memory_order_release);
            return 1;
        }
    }
    // 3. A `go nodes N`, or a level's cap, ends the search the moment the count reaches N (with
    //    helpers, the moment the pool is empty).
    if (searchRequest.nodeLimit != 0 && nodeCount(search) >= search.nodeQuota &&
        !levelRanksFirst(search) && !takeNodeShare(search)) {
        searchRequest.stopRequested.store(1, std::memory_order_release);
        return 1;
    }
    // 4. A stop raised by the reader thread since step 1 is answered at once too.
    return searchRequest.stopRequested.load(std::memory_order_acquire);
}

} // namespace tarnwick
