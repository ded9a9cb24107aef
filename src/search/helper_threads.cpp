// Helper threads wait on a condition for the next search, run it on their own state, and report
// back by lowering the count of helpers at work. Nothing of a helper is touched by another thread
// while it searches but its published node count.
#include "search/helper_threads.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "channel/dispatcher.h"
#include "channel/options.h"
#include "search/search_state.h"
#include "search/think_driver.h"
#include "search/transposition_table.h"

namespace tarnwick {

struct Helper {
    std::unique_ptr<SearchState> state; // ~250 KB each: on the heap
    std::thread thread;
};

// Raw pointers, so that no destructor of a running thread runs at exit; setHelperCount(0) ends
// them all when the engine quits.
static Helper* helpers[MaxThreads];
static int helpersKept = 0;

// Guarded by poolLock: the number of the search the helpers are to run (a new number wakes them),
// and whether they are to end.
static std::mutex poolLock;
static std::condition_variable poolSignal;
static unsigned searchNumber = 0;
static bool helpersEnd = false;
static int helpersAtWork = 0;

// A helper waits for the search after `seen`, the one under way when it was created.
static void runHelper(Helper& helper, unsigned seen) {
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(poolLock);
            poolSignal.wait(guard, [&] { return helpersEnd || searchNumber != seen; });
            if (helpersEnd)
                return;
            seen = searchNumber;
        }
        helperThink(*helper.state);
        const std::lock_guard<std::mutex> guard(poolLock);
        if (--helpersAtWork == 0)
            poolSignal.notify_all();
    }
}

void setHelperCount(int count) {
    if (count == helpersKept)
        return;
    {
        const std::lock_guard<std::mutex> guard(poolLock);
        helpersEnd = true;
    }
    poolSignal.notify_all();
    for (int i = 0; i < helpersKept; ++i) {
        helpers[i]->thread.join();
        delete helpers[i];
    }
    const std::lock_guard<std::mutex> guard(poolLock);
    helpersEnd = false;
    // A system that gives no more memory or threads leaves the engine with the helpers it has.
    for (helpersKept = 0; helpersKept < count; ++helpersKept) {
        Helper* helper = nullptr;
        try {
            helper = new Helper{.state = std::make_unique<SearchState>(), .thread = {}};
            helper->state->helperIndex = helpersKept + 1;
            helper->thread = std::thread(runHelper, std::ref(*helper), searchNumber);
        } catch (const std::exception&) {
            delete helper;
            break;
        }
        helpers[helpersKept] = helper;
    }
}

int helperCount() {
    return helpersKept;
}

void startHelpers(const SearchState& main) {
    for (int i = 0; i < helpersKept; ++i) {
        SearchState& state = *helpers[i]->state;
        static_cast<EvaluatedPosition&>(state) = static_cast<const EvaluatedPosition&>(main);
        state.publishedNodes.store(0, std::memory_order_relaxed);
    }
    {
        const std::lock_guard<std::mutex> guard(poolLock);
        helpersAtWork = helpersKept;
        ++searchNumber;
    }
    poolSignal.notify_all();
}

void waitForHelpers() {
    std::unique_lock<std::mutex> guard(poolLock);
    poolSignal.wait(guard, [] { return helpersAtWork == 0; });
}

void prepareSearch() {
    prepareTables();
    setHelperCount(threadOption.load(std::memory_order_relaxed) - 1);
}

void releaseSearch() {
    setHelperCount(0);
    releaseTables();
}

std::uint64_t helperNodes() {
    std::uint64_t nodes = 0;
    for (int i = 0; i < helpersKept; ++i)
        nodes += helpers[i]->state->publishedNodes.load(std::memory_order_relaxed);
    return nodes;
}

} // namespace tarnwick
