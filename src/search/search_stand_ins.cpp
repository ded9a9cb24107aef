// Stand-ins until the search subsystem is built. The stand-in `think` keeps the protocol of a
// real search (arguments taken, flags raised in order, stop and clock obeyed) without searching,
// so the command channel can be driven end to end.
#include "board/board.h"
#include "channel/dispatcher.h"
#include "channel/go_parameters.h"
#include "channel/input_reader.h"
#include "channel/output_log.h"
#include "search/node_search.h"
#include "search/search_reports.h"
#include "search/think_driver.h"

namespace tarnwick {

// How long a search limited only by depth or nodes pretends to run.
inline constexpr std::uint32_t StandInLimitedSearchMs = 50;

int searchNode(int, int, int, int, Move*, int) {
    return 0;
}
int searchMove(SearchFrame*) {
    return 0;
}
void generateNodeMoves(SearchFrame*) {}

void think() {
    searchRequest.timeBudgetMs = parseGoParameters(commandArgs, "wb"[sideToMove]);
    searchRequest.searchStartTick = tickCount();
    searchRequest.stopRequested.store(0, std::memory_order_release);
    bestMoveOwed.store(1, std::memory_order_release);
    searchRequest.thinking.store(1, std::memory_order_release);
    commandPending.store(0, std::memory_order_release);
    for (;;) {
        if (searchRequest.stopRequested.load(std::memory_order_acquire))
            break;
        std::uint32_t elapsed = tickCount() - searchRequest.searchStartTick;
        if (searchRequest.ponderMode.load(std::memory_order_acquire) == 0) {
            if (searchRequest.clockEndsSearch &&
                elapsed >= static_cast<std::uint32_t>(searchRequest.timeBudgetMs))
                break;
            if (!searchRequest.clockEndsSearch && elapsed >= StandInLimitedSearchMs)
                break;
        }
        sleepMilliseconds(2);
    }
    searchRequest.thinking.store(0, std::memory_order_release);
}

void reportInfo(int) {}

void reportBestMove(int stopped) {
    if (stopped == 0)
        sendLine("info depth 0 score cp 0 time 0 nodes 0 nps 0");
    sendLine("bestmove 0000");
}

} // namespace tarnwick
