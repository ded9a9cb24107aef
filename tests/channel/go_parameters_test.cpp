// The time budget of every `go` text, the ponder mode, and the limits beyond the clock.
#include "channel/dispatcher.h"
#include "channel/go_parameters.h"
#include "channel_fixture.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace tarnwick;

namespace {

class GoParameters : public channel_test::ChannelTest {};

// Swaps the white keys for the black ones, so each row is checked for both sides.
static std::string forBlack(std::string text) {
    for (const char* key : {"wtime", "winc"}) {
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
            text[at] = 'b';
    }
    return text;
}

struct BudgetCase {
    const char* text;
    int budget;
};

TEST_F(GoParameters, ClockBudgetsForBothSides) {
    const BudgetCase cases[] = {
        {"wtime 300000", 6500},
        {"wtime 180000 winc 2000", 7450},
        {"wtime 60000 winc 1000", 800},
        {"wtime 60000", 1},
        {"wtime 10000 movestogo 2", 1750},
        {"wtime 1000 winc 10000", 950},
        {"wtime 3600000 movestogo 40", 82500},
        {"wtime -500", 1},
        {"wtime 300000 movestogo 0", 6500},               // 0 moves to go counts as absent
        {"wtime 180000 winc 2000 movestogo 0", 7450},     // absent with an increment: 20 moves
        {"wtime 300000 btime 1 winc 0 binc 99999", 6500}, // the other side's keys are ignored
        {"WTIME 300000", 1},                              // keys are case-sensitive
        {"", 1},
    };
    for (const BudgetCase& c : cases) {
        EXPECT_EQ(parseGoParameters(c.text, 'w'), c.budget) << c.text;
        EXPECT_EQ(searchRequest.clockEndsSearch, 1) << c.text;
        std::string black = forBlack(c.text);
        if (black.find("btime 1 ") != std::string::npos)
            continue; // the swapped row has two black time keys
        EXPECT_EQ(parseGoParameters(black.c_str(), 'b'), c.budget) << black;
    }
    EXPECT_EQ(parseGoParameters("btime 5000", 'w'), 1);
    EXPECT_EQ(parseGoParameters("wtime 5000", 'b'), 1);
}

TEST_F(GoParameters, InfiniteOrPonderMakeTheSearchOpenEnded) {
    const std::pair<const char*, int> cases[] = {
        {"infinite", 1},     {"ponder wtime 300000 btime 300000", 1},
        {"wtime 300000", 0}, {"depth 5", 0},
        {"INFINITE", 0},
    };
    for (auto& c : cases) {
        searchRequest.ponderMode = 1 - c.second; // the previous search's mode must not stay
        parseGoParameters(c.first, 'w');
        EXPECT_EQ(searchRequest.ponderMode.load(), c.second) << c.first;
    }
}

struct LimitCase {
    const char* text;
    int budget;
    int depthLimit;
    std::uint64_t nodeLimit;
    int clockEndsSearch;
    const char* searchMoves;
};

TEST_F(GoParameters, MoveTimeDepthNodesAndSearchMoves) {
    const LimitCase cases[] = {
        {"movetime 5000", 5000, 0, 0, 1, ""},
        {"movetime 0", 1, 0, 0, 1, ""},
        {"movetime -20", 1, 0, 0, 1, ""},
        {"wtime 300000 movetime 200", 200, 0, 0, 1, ""}, // movetime replaces the clock
        {"depth 5", 1, 5, 0, 0, ""},                     // the depth alone limits the search
        {"depth 0", 1, 1, 0, 0, ""},                     // at least one iteration
        {"depth 7 wtime 300000", 6500, 7, 0, 1, ""},     // whichever comes first
        {"depth 7 movetime 900", 900, 7, 0, 1, ""},
        {"depth 7 winc 1000", 1, 7, 0, 1, ""},
        {"depth 7 btime 300000", 1, 7, 0, 0, ""}, // not the mover's clock
        {"nodes 10000", 1, 0, 10000, 0, ""},
        {"nodes 5000000000", 1, 0, 5000000000ULL, 0, ""},
        {"nodes -3", 1, 0, 1, 0, ""},
        {"nodes 99999999999999999999999", 1, 0, UINT64_MAX, 0, ""},
        {"infinite depth 3", 1, 3, 0, 0, ""},
        {"wtime 300000 searchmoves e2e4 d2d4", 6500, 0, 0, 1, "e2e4 d2d4"},
        {"searchmoves e7e8q", 1, 0, 0, 1, "e7e8q"},
        {"searchmoves", 1, 0, 0, 1, ""},
        {"DEPTH 5 Movetime 100", 1, 0, 0, 1, ""}, // case-sensitive keys
    };
    for (const LimitCase& c : cases) {
        std::strcpy(searchRequest.searchMoves, "left from before");
        EXPECT_EQ(parseGoParameters(c.text, 'w'), c.budget) << c.text;
        EXPECT_EQ(searchRequest.depthLimit, c.depthLimit) << c.text;
        EXPECT_EQ(searchRequest.nodeLimit, c.nodeLimit) << c.text;
        EXPECT_EQ(searchRequest.clockEndsSearch, c.clockEndsSearch) << c.text;
        EXPECT_STREQ(searchRequest.searchMoves, c.searchMoves) << c.text;
    }
}

TEST_F(GoParameters, AbsurdNumbersNeitherOverflowNorGoBelowOne) {
    const char* cases[] = {
        "wtime 2147483647 winc 2147483647",
        "wtime 99999999999999999999 winc -99999999999999999999 movestogo 1",
        "wtime -2147483648 winc 2147483647 movestogo -2147483648",
        "movetime 99999999999999999999",
    };
    for (const char* text : cases) {
        int budget = parseGoParameters(text, 'w');
        EXPECT_GE(budget, 1) << text;
        EXPECT_LE(budget, INT_MAX) << text;
    }
}

TEST_F(GoParameters, LongSearchMovesListIsCopiedWithinItsBuffer) {
    std::string text = "searchmoves";
    while (text.size() < CommandBufferSize - 6)
        text += " e2e4";
    parseGoParameters(text.c_str(), 'w');
    EXPECT_EQ(std::string(searchRequest.searchMoves), text.substr(12));
}

} // namespace
