// Limited strength. The level counts nodes, never time, so that a level plays the same on a fast
// machine as on a slow one; the clock rule still ends the search when it comes first. Each
// iteration ranks a few root moves with exact values, and the move played is drawn among those
// within the level's margin of the best, the better ones more often: the moves a weaker player
// makes are sound-looking moves that are not quite the best, and the smaller search makes him
// miss what lies deeper.
#include "search/strength_limit.h"

#include <mutex>

#include "channel/dispatcher.h"
#include "channel/options.h"
#include "search/helper_threads.h"
#include "search/search_reports.h"
#include "search/search_state.h"
#include "search/think_driver.h"

namespace tarnwick {

// The levels measured against Stockfish 15.1 and in matches between levels (see the README).
// clang-format off
static constexpr StrengthLevel StrengthLevels[] = {
    {.elo = 800,  .nodes = 800,     .marginCp = 340, .lines = 4},
    {.elo = 1000, .nodes = 1800,    .marginCp = 210, .lines = 4},
    {.elo = 1200, .nodes = 4200,    .marginCp = 130, .lines = 4},
    {.elo = 1400, .nodes = 10000,   .marginCp = 80,  .lines = 4},
    {.elo = 1600, .nodes = 40000,   .marginCp = 40,  .lines = 3},
    {.elo = 1800, .nodes = 400000,  .marginCp = 15,  .lines = 2},
    {.elo = 2000, .nodes = 1000000, .marginCp = 10,  .lines = 2},
};
// clang-format on
inline constexpr int LevelCount =
    static_cast<int>(sizeof StrengthLevels / sizeof StrengthLevels[0]);

// The move the level picked after the last completed iteration, with its own line and exact
// value. Written by think on the main thread, read by the `bestmove` report, which a `stop` runs
// on the reader thread: a small lock guards it. Not constinit: MinGW's std::mutex has no
// constant initializer.
struct LevelChoice {
    Move line[LineSlots];
    int score;
    int present;
};
static LevelChoice levelChoice{};
static std::mutex levelChoiceLock;

// The draw of the search under way, in 0 to 2^32 - 1, fixed at its `go`.
static std::uint32_t levelDraw = 0;
static std::uint64_t drawState = 0;

// Each draw mixes the clock's milliseconds into a running state (a splitmix64 step), so that
// the searches of one game, separate games and separate processes all draw differently.
static std::uint32_t nextDraw() {
    drawState += 0x9E3779B97F4A7C15ull + tickCount();
    std::uint64_t z = drawState;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

static int between(int low, int high, int part, int whole) {
    return low + static_cast<int>(static_cast<long long>(high - low) * part / whole);
}

StrengthLevel strengthLevel(int elo) {
    int row = 0;
    while (row + 2 < LevelCount && elo >= StrengthLevels[row + 1].elo)
        ++row;
    const StrengthLevel& low = StrengthLevels[row];
    const StrengthLevel& high = StrengthLevels[row + 1];
    const int part = elo - low.elo;
    const int whole = high.elo - low.elo;
    return StrengthLevel{.elo = elo,
                         .nodes = between(low.nodes, high.nodes, part, whole),
                         .marginCp = between(low.marginCp, high.marginCp, part, whole),
                         .lines = between(low.lines, high.lines, part, whole)};
}

void limitSearchToLevel() {
    {
        const std::lock_guard<std::mutex> guard(levelChoiceLock);
        levelChoice.present = 0;
    }
    if (!limitStrength) {
        searchLevel = StrengthLevel{};
        return;
    }
    searchLevel = strengthLevel(strengthElo);
    const std::uint64_t nodes = static_cast<std::uint64_t>(searchLevel.nodes);
    if (searchRequest.nodeLimit == 0 || searchRequest.nodeLimit > nodes)
        searchRequest.nodeLimit = nodes;
    levelDraw = nextDraw();
}

int linesToSearch(int requested) {
    if (searchLevel.elo == 0)
        return requested;
    return requested > searchLevel.lines ? requested : searchLevel.lines;
}

void chooseLevelMove(const SearchState& search, int ranked) {
    if (searchLevel.elo == 0 || ranked == 0)
        return;
    // 1. The candidates: the ranked moves within the margin of the best (the list is sorted).
    //    Each weighs the square of its distance from the margin's edge, so the best move weighs
    //    most and one at the edge next to nothing. A mate outweighs every margin.
    const int best = search.rootMoves[0].score;
    const int margin = searchLevel.marginCp * 256 / 100;
    std::int64_t weights[MaxRootMoves];
    std::int64_t total = 0;
    int candidates = 0;
    for (; candidates < ranked && best - search.rootMoves[candidates].score <= margin;
         ++candidates) {
        const std::int64_t room = margin - (best - search.rootMoves[candidates].score) + 1;
        weights[candidates] = room * room;
        total += room * room;
    }
    // 2. The search's draw picks one by weight.
    std::int64_t pick = static_cast<std::int64_t>(levelDraw % static_cast<std::uint64_t>(total));
    int chosen = 0;
    while (pick >= weights[chosen])
        pick -= weights[chosen++];
    const std::lock_guard<std::mutex> guard(levelChoiceLock);
    for (int k = 0; k < LineSlots; ++k)
        levelChoice.line[k] = search.rootMoves[chosen].line[k];
    levelChoice.score = search.rootMoves[chosen].score;
    levelChoice.present = 1;
}

void reportLevelBestMove(int stopped) {
    // A stopped search's helpers park before its move goes out: none searches on after it.
    if (stopped)
        waitForHelpers();
    LevelChoice choice;
    {
        const std::lock_guard<std::mutex> guard(levelChoiceLock);
        choice = levelChoice;
    }
    if (choice.present) {
        setRootLine(mainSearch, choice.line);
        // A stopped search may still be unwinding on the main thread, and its report shows no
        // value anyway.
        if (stopped == 0)
            mainSearch.rootScore = choice.score;
    }
    reportBestMove(stopped);
}

} // namespace tarnwick
