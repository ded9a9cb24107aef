// Play at a limited strength (UCI_LimitStrength, UCI_Elo): the level caps the nodes of the search
// and lets the engine play, instead of the best move, one of the few best whose value lies within
// a margin of it, the margin wider and the nodes fewer the lower the level.
#pragma once

#include <cstdint>

#include "search/node_search.h"

namespace tarnwick {

struct SearchState;

// What a level allows; levels between two rows of the table take values between theirs.
struct StrengthLevel {
    int elo;
    int nodes;    // the search stops when it has counted this many
    int marginCp; // moves this far below the best in centipawns may be played
    int lines;    // root moves that each iteration gives exact values
};

// The level of the search under way, fixed at its `go`: elo 0 at full strength (main thread).
inline constinit StrengthLevel searchLevel{};

// The level of a rating from MinStrengthElo to MaxStrengthElo.
StrengthLevel strengthLevel(int elo);
// From parseGoParameters: at a limited strength, the level's node cap joins the `go` limits, the
// draw that will pick this search's move is made, and the last search's choice is forgotten.
void limitSearchToLevel();
// The root moves each iteration gives exact values: `requested` (MultiPV) at full strength, at
// least the level's lines otherwise.
int linesToSearch(int requested);
// After each completed iteration that ranked `ranked` root moves with exact values at the front
// of the list: at a limited strength, picks the move to play among them.
void chooseLevelMove(const SearchState& search, int ranked);
// The `bestmove` entry point: the level's choice, when there is one, takes the place of the
// search's best line (and its value, in the last `info` line after a search that was not
// stopped), then the line is reported as usual.
void reportLevelBestMove(int stopped);

} // namespace tarnwick
