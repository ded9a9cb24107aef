// Killer moves: a cut-off move is remembered for its ply and tried early in sibling nodes, where
// isMoveValid first checks that it still fits the position.
#include "search/move_ordering.h"

#include "search/search_state.h"

namespace tarnwick {

void clearKillers(Move table[KillerPlies][2]) {
    for (int p = 0; p < KillerPlies; ++p) {
        table[p][0] = SentinelMove;
        table[p][1] = SentinelMove;
    }
}

void storeKiller(SearchState& search, const Move* move) {
    const Move& prev = search.moveStack[search.currentSlot - 1];
    Move* row = search.killers[search.ply];
    // 1. No move, a capture of the man that just moved (the recapture stage tries those first
    //    anyway) and en passant (never valid in a sibling) are not worth remembering.
    if (move->piece == 0 || move->to == prev.to || move->kind == EnPassant)
        return;
    // 2. The newest killer again, or a first one: slot 0 only.
    if (isEmptyKiller(row[0]) || row[0] == *move) {
        row[0] = *move;
        return;
    }
    // 3. Otherwise the older killer moves to slot 1 (a move found there thereby moves up).
    row[1] = row[0];
    row[0] = *move;
}

} // namespace tarnwick
