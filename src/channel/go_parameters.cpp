// The `go` arguments: the mover's clock gives a budget of about a thirtieth of the usable time
// (a twentieth with an increment), "infinite" and "ponder" make the search open-ended, and
// "movetime", "depth", "nodes", "mate" and "searchmoves" set the limits a GUI may ask for instead.
#include "channel/go_parameters.h"

#include <cstdio>
#include <cstring>

#include "channel/dispatcher.h"
#include "channel/options.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"
#include "search/search_reports.h"
#include "search/strength_limit.h"

namespace tarnwick {

inline constexpr int DefaultMovesToGo = 30;
inline constexpr int MovesToGoWithIncrement = 20;
inline constexpr int ClockReserveDivisor = 20; // one twentieth of the clock is never planned

// Finds `key` (with its trailing blank) and reads the number after it; 0 when absent.
static int numberAfter(const char* text, const char* key, int& present) {
    const char* found = findSubstring(text, key);
    present = found != nullptr;
    return found ? readInteger(found + std::strlen(key)) : 0;
}

// A node count may exceed the int range: read it as far as its digits go, saturating.
static std::uint64_t countAfter(const char* text, const char* key, int& present) {
    const char* found = findSubstring(text, key);
    present = found != nullptr;
    if (!found)
        return 0;
    const char* digits = found + std::strlen(key);
    while (*digits == ' ')
        ++digits;
    if (*digits == '-')
        return 0;
    if (*digits == '+')
        ++digits;
    std::uint64_t count = 0;
    for (; *digits >= '0' && *digits <= '9'; ++digits)
        count = count > (UINT64_MAX - 9) / 10 ? UINT64_MAX : count * 10 + (*digits - '0');
    return count;
}

// The budget of the clock keys. The arithmetic is done in 64 bits and the result cut to the int
// range, so absurd clock values give an absurd budget but never an overflow; within the range
// the interface sends, the figures are those of 32-bit integer division. `starved` tells whether
// the margin alone left the floor of 1 ms: the clock offered time, all of it taken by the margin.
static int clockBudget(long long time, long long increment, long long movesToGo, int& starved) {
    if (movesToGo <= 0)
        movesToGo = increment != 0 ? MovesToGoWithIncrement : DefaultMovesToGo;
    long long usable = time - time / ClockReserveDivisor;
    long long planned = (usable - increment) / movesToGo + increment;
    // Never more than the usable time less the margin: the margin is what the way to and from
    // the GUI may cost on top of the budget.
    if (planned > usable)
        planned = usable;
    long long budget = planned - moveOverheadMs;
    starved = planned > 0 && budget <= 0;
    if (budget <= 0)
        budget = 1;
    return budget > INT32_MAX ? INT32_MAX : static_cast<int>(budget);
}

// Once a game, a clock whose every move the margin starves is pointed out: the engine then answers
// at once all game long, and the GUI shows nothing else that tells why. The words avoid those of
// the `info` fields ("time", "nodes", "depth", ...): PolyGlot, which puts UCI engines into XBoard,
// reads them as fields even after "string" and cuts the text there.
static void hintAtStarvedClock() {
    if (overheadHintSent || quietReports)
        return;
    overheadHintSent = 1;
    sendLine("info string Move Overhead %d ms is more than this clock allows for a move, so the "
             "engine answers at once; set it to 50 to 100 for fast games",
             moveOverheadMs);
}

int parseGoParameters(const char* text, char sideLetter) {
    char timeKey[8];
    char incrementKey[8];
    std::snprintf(timeKey, sizeof timeKey, "%ctime ", sideLetter);
    std::snprintf(incrementKey, sizeof incrementKey, "%cinc ", sideLetter);

    int hasTime = 0;
    int hasIncrement = 0;
    int hasMovesToGo = 0;
    int hasMoveTime = 0;
    int hasDepth = 0;
    int hasNodes = 0;
    int hasMate = 0;
    int time = numberAfter(text, timeKey, hasTime);
    int increment = numberAfter(text, incrementKey, hasIncrement);
    int movesToGo = numberAfter(text, "movestogo ", hasMovesToGo);
    int moveTime = numberAfter(text, "movetime ", hasMoveTime);
    int depth = numberAfter(text, "depth ", hasDepth);
    int mate = numberAfter(text, "mate ", hasMate);
    std::uint64_t nodes = countAfter(text, "nodes ", hasNodes);

    // A fixed time per move replaces the clock keys.
    int starved = 0;
    int budget = hasMoveTime ? (moveTime > 1 ? moveTime : 1)
                             : clockBudget(time, increment, movesToGo, starved);

    const int infinite = findSubstring(text, "infinite") != nullptr;
    searchRequest.ponderMode.store(infinite || findSubstring(text, "ponder") != nullptr,
                                   std::memory_order_release);
    // The hint goes out before anything of the search, and only for a clock that ends it.
    if (starved && (hasTime || hasIncrement) && !infinite)
        hintAtStarvedClock();
    // A depth or node limit given alone is the whole limit: the clock does not end the search.
    searchRequest.depthLimit = hasDepth ? (depth > 1 ? depth : 1) : 0;
    searchRequest.nodeLimit = hasNodes ? (nodes > 1 ? nodes : 1) : 0;
    // A mate in N moves shows by iteration 2N + 1 at the latest (a mate at ply p is seen one
    // iteration after its last move); a mate in N or fewer ends the deepening earlier. "mate 0"
    // or less is answered like "depth 1".
    searchRequest.mateLimit = hasMate && mate >= 1 ? mate : 0;
    if (hasMate) {
        const int mateDepth = mate < 1 ? 1 : mate >= INT32_MAX / 2 ? INT32_MAX : 2 * mate + 1;
        if (searchRequest.depthLimit == 0 || mateDepth < searchRequest.depthLimit)
            searchRequest.depthLimit = mateDepth;
    }
    int clockGiven = hasTime || hasIncrement || hasMoveTime;
    searchRequest.clockEndsSearch = (hasDepth || hasNodes || hasMate) && !clockGiven ? 0 : 1;
    searchRequest.multiPv = multiPvLines;
    limitSearchToLevel();

    searchRequest.searchMoves[0] = 0;
    if (const char* moves = findSubstring(text, "searchmoves ")) {
        std::snprintf(searchRequest.searchMoves, sizeof searchRequest.searchMoves, "%s",
                      moves + std::strlen("searchmoves "));
    }
    return budget;
}

} // namespace tarnwick
