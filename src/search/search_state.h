// Everything one search owns: the position it works on with the evaluation's tables, the frames
// of its line, its killers, its list of root moves and their values, its node counter. The search
// of the interface's `go` works in mainSearch; each helper thread of a parallel search has one of
// its own. The transposition table, the memory of shown lines, the options and the request of the
// `go` are shared by all.
#pragma once

#include <atomic>
#include <cstdint>

#include "eval/static_evaluation.h"
#include "search/move_ordering.h"
#include "search/node_search.h"
#include "search/think_driver.h"

namespace tarnwick {

struct SearchState : EvaluatedPosition {
    SearchFrame frames[FrameCount]{};
    int selDepth = 0;
    Move killers[KillerPlies][2]{};

    RootMove rootMoves[MaxRootMoves]{};
    int rootMoveCount = 0;
    int iterationDepth = 0;
    int completedDepth = 0;  // the last iteration completed by the current search
    int rootWithoutMove = 0; // 1 when the current search's root has no legal move

    // The line of the best move (slot 0 the best move, slot 1 the expected reply) and its value
    // from the root side's view. rootLine starts out as SentinelMove so that no report ever shows
    // a line of empty moves. Only think writes them, through setRootLine; at a limited strength
    // the `bestmove` report puts the level's choice in their place (strength_limit.h).
    Move rootLine[LineSlots]{SentinelMove};
    int rootScore = 0;
    // The position the last `go` searched, as it was then: its `bestmove` may be owed until after
    // a later `position` (an "infinite" search cut short), and its moves are written and its line
    // shown in the notation and on the board they belong to.
    Position searchedRoot;

    // The node count is nodeCountHigh * 1024 + nodeCountLow; nodeCountHigh rises by 4 per poll.
    int nodeCountLow = 0;
    int nodeCountHigh = 0;
    // The count at which this search's part of a `go nodes` limit is used up, and the count as
    // the main search reads it from a helper: published at every poll and at the end.
    std::uint64_t nodeQuota = 0;
    std::atomic<std::uint64_t> publishedNodes{0};

    int helperIndex = 0; // 0 for the main search, which alone reports; 1 and up for the helpers
};

// The search of the interface's `go`, on the main thread: `position` sets it up, and the reports
// and the `bestmove` line come from it.
inline constinit SearchState mainSearch{};

} // namespace tarnwick
