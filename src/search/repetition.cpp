// The move-based repetition test. Move numbers are move stack slots: the current move N is the
// one in currentSlot, move k is the one in slot k, and P(k) is the position after move k.
#include "search/repetition.h"

#include "board/board.h"

namespace tarnwick {

// Pawn moves, captures, en passant, promotions, castling, null moves and the sentinel cut every
// cycle: no position before them can come back.
static bool isIrreversible(const Move& move) {
    return move.piece == Pawn || move.captured != 0 || move.kind != NormalMove;
}

int isRepetition(const Position& pos, int atRoot) {
    const int n = pos.currentSlot;
    // 1. Boundary L: no move at or below it takes part. Inside the tree only the last four moves
    //    are looked at; at the root the whole reversible stretch of the game history is.
    int boundary;
    if (!atRoot) {
        for (int k = n; k > n - 4; --k) {
            if (isIrreversible(pos.moveStack[k]))
                return 0;
        }
        boundary = n - 4;
    } else {
        boundary = n;
        while (boundary > 0 && !isIrreversible(pos.moveStack[boundary]))
            --boundary;
        if (boundary > n - 4)
            return 0;
    }
    // 2. Candidate: the nearest earlier position with the same side to move.
    int candidate = n - 4;
    // 3. Every man moved since the candidate must stand where it stood at the candidate moment.
    for (int m = n; m > candidate; --m) {
        const int target = pos.moveStack[m].to;
        // 3.1 A man that moved on later is checked at its last move.
        bool movedOn = false;
        for (int later = m + 2; later <= n; later += 2) {
            if (pos.moveStack[later].from == target) {
                movedOn = true;
                break;
            }
        }
        if (movedOn)
            continue;
        // 3.2 Trace the man back through its own side's moves to the latest moment, not after
        //     the candidate, at which it stood on its present square.
        int square = pos.moveStack[m].from;
        int moment = 0;
        for (int k = m - 2;; k -= 2) {
            if (k <= boundary)
                return 0; // not back on its square since the boundary
            if (pos.moveStack[k].to == square)
                square = pos.moveStack[k].from;
            moment = k - 1;
            if (square == target && moment <= candidate + 1)
                break;
        }
        // 3.3 It stood there at the candidate moment: this man agrees.
        if (moment >= candidate)
            continue;
        // 3.4 It did not: the candidate moves back to that moment (to one with the same side to
        //     move), and all men are checked again.
        candidate = moment;
        if ((n - candidate) % 2 != 0) {
            if (candidate == boundary)
                return 0;
            --candidate;
        }
        m = n + 1;
    }
    // 4. P(N) repeats P(candidate).
    return 1;
}

} // namespace tarnwick
