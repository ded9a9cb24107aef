// The generators: each writes one candidate at a time into the slot at currentSlot and hands it to
// moveCallback, stopping the moment the callback asks. Moves are pseudo-legal; the callback
// rejects those that leave the mover's king attacked.
#include "board/move_generation.h"

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

int tryPromotions(SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    slot.kind = Promotion;
    // Queen, rook, bishop, knight: the most valuable promotion is searched first.
    for (slot.piece = Queen; slot.piece <= Knight; ++slot.piece) {
        if (moveCallback(frame))
            return 1;
    }
    // piece is now 6 again: the slot once more describes the plain pawn move.
    slot.kind = NormalMove;
    return 0;
}

// Branch-free: every entry is written at `count`, and only a live officer moves `count` on.
void gatherCapturingOfficers(CapturingOfficers& officers) {
    const int side = sideToMove;
    const PieceEntry* entries = pieceList[side];
    int count = 0;
    for (int i = lastOfficerIndex[side]; i >= 0; --i) {
        const int piece = entries[i].piece;
        officers.square[count] = entries[i].square;
        officers.bit[count] = static_cast<std::uint32_t>(pieceBit[piece]);
        officers.piece[count] = static_cast<std::uint8_t>(piece);
        count += piece != Empty && piece != Pawn ? 1 : 0;
    }
    officers.count = count;
    officers.pawnBehind = -pawnStep[side];
    officers.pawnCell = cellWordOfMan(Pawn, side);
}

// From scan position j on, the first officer that attacks the victim, or officers.count.
// `fromVictim` is attackTableFrom(victim), so the walk from an officer towards the victim
// subtracts the entry's step. The inner loop is the mask test alone: most officers cannot move
// along the difference at all, and only aligned sliders walk their ray.
static inline int nextOfficerReaching(const CapturingOfficers& officers, int j,
                                      const AttackEntry* fromVictim, int victimSquare) {
    const int count = officers.count;
    for (;; ++j) {
        while (j < count && (fromVictim[officers.square[j]].mask & officers.bit[j]) == 0)
            ++j;
        if (j == count ||
            (officers.bit[j] & static_cast<std::uint32_t>(pieceBit[King] | pieceBit[Knight])) != 0)
            return j;
        const int step = fromVictim[officers.square[j]].step;
        int square = officers.square[j] - step;
        while (square != victimSquare && board[square].piece == Empty)
            square -= step;
        if (square == victimSquare)
            return j;
    }
}

// Whether a pawn of the side to move stands on the square, read as one cell word.
static inline bool holdsOwnPawn(const CapturingOfficers& officers, int square) {
    return isOnBoard(square) && (cellWord(square) & CellManMask) == officers.pawnCell;
}

// Hands over the captures of one victim once the first attackers are known: the pawns marked in
// `pawnOrigins` (bit 0 the left origin, bit 1 the right), then the officers from scan position
// `firstOfficer` on. Kept apart so that a victim nobody attacks costs only the scan.
[[gnu::noinline]] static int handOverCaptures(const CapturingOfficers& officers, int victimSquare,
                                              int pawnOrigins, int firstOfficer,
                                              SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    slot.to = static_cast<std::int16_t>(victimSquare);
    slot.captured = board[victimSquare].piece;
    slot.kind = NormalMove;
    const int behind = victimSquare + officers.pawnBehind;
    for (int k = 0; k < 2; ++k) {
        if ((pawnOrigins & (1 << k)) == 0)
            continue;
        slot.from = static_cast<std::int16_t>(behind - 1 + 2 * k);
        slot.piece = Pawn;
        if (isPromotionRank(victimSquare) ? tryPromotions(frame) : moveCallback(frame))
            return 1;
    }
    const AttackEntry* fromVictim = attackTableFrom(victimSquare);
    for (int j = firstOfficer; j < officers.count; ++j) {
        j = nextOfficerReaching(officers, j, fromVictim, victimSquare);
        if (j == officers.count)
            break;
        slot.from = static_cast<std::int16_t>(officers.square[j]);
        slot.piece = officers.piece[j];
        if (moveCallback(frame))
            return 1;
    }
    return 0;
}

// The captures of the man on one victim square: pawns first, the least valuable attackers, from
// the two squares diagonally behind, then the officers in scan order.
static inline int generateCapturesOf(const CapturingOfficers& officers, int victimSquare,
                                     SearchFrame* frame) {
    const int behind = victimSquare + officers.pawnBehind;
    const int pawnOrigins =
        (holdsOwnPawn(officers, behind - 1) ? 1 : 0) | (holdsOwnPawn(officers, behind + 1) ? 2 : 0);
    const int firstOfficer =
        nextOfficerReaching(officers, 0, attackTableFrom(victimSquare), victimSquare);
    if (pawnOrigins == 0 && firstOfficer == officers.count)
        return 0;
    return handOverCaptures(officers, victimSquare, pawnOrigins, firstOfficer, frame);
}

int generateCaptures(int victimSquare, SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    slot.to = static_cast<std::int16_t>(victimSquare);
    slot.captured = board[victimSquare].piece;
    slot.kind = NormalMove;
    CapturingOfficers officers;
    gatherCapturingOfficers(officers);
    return generateCapturesOf(officers, victimSquare, frame);
}

int generateCapturesBy(CapturingOfficers& officers, int victimSquare, SearchFrame* frame) {
    if (officers.count == OfficersNotGathered)
        gatherCapturingOfficers(officers);
    return generateCapturesOf(officers, victimSquare, frame);
}

int generateAllCaptures(CapturingOfficers& officers, int skippedSquare, SearchFrame* frame) {
    if (officers.count == OfficersNotGathered)
        gatherCapturingOfficers(officers);
    // Victims from the most valuable list entry down; entry 0, the king, is never a victim.
    const int other = otherSide;
    const PieceEntry* victims = pieceList[other];
    for (int i = 1; i <= lastPieceIndex[other]; ++i) {
        if (victims[i].piece != Empty && victims[i].square != skippedSquare &&
            generateCapturesOf(officers, victims[i].square, frame))
            return 1;
    }
    return 0;
}

// King and knight: one step in each of the given directions, from the last index down.
static int generateStepQuiets(const int* steps, int origin, SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    for (int d = 7; d >= 0; --d) {
        const int to = origin + steps[d];
        if (!isOnBoard(to) || board[to].piece != Empty)
            continue;
        slot.to = static_cast<std::int16_t>(to);
        if (moveCallback(frame))
            return 1;
    }
    return 0;
}

// Sliders step outward from the origin until the ray leaves the board or is blocked.
static int generateSliderQuiets(int firstDirection, int lastDirection, int origin,
                                SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    for (int d = lastDirection; d >= firstDirection; --d) {
        const int step = directions[d];
        for (int to = origin + step; isOnBoard(to) && board[to].piece == Empty; to += step) {
            slot.to = static_cast<std::int16_t>(to);
            if (moveCallback(frame))
                return 1;
        }
    }
    return 0;
}

static int generatePawnPushes(int origin, SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    const int step = pawnStep[sideToMove];
    int to = origin + step;
    // A pawn on its own last rank (only after odd position input) would step off the board.
    if (!isOnBoard(to) || board[to].piece != Empty)
        return 0;
    slot.to = static_cast<std::int16_t>(to);
    if (isPromotionRank(to))
        return tryPromotions(frame);
    if (moveCallback(frame))
        return 1;
    // The double step from the ranks nearest to an edge: the starting rank of a pawn that moves
    // away from that edge.
    if (origin < 24 || origin > 95) {
        to += step;
        if (isOnBoard(to) && board[to].piece == Empty) {
            slot.to = static_cast<std::int16_t>(to);
            if (moveCallback(frame))
                return 1;
        }
    }
    return 0;
}

int generateQuietMoves(int originSquare, SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    const int piece = board[originSquare].piece;
    slot.from = static_cast<std::int16_t>(originSquare);
    slot.piece = static_cast<std::uint8_t>(piece);
    slot.kind = NormalMove;
    slot.captured = Empty;
    switch (piece) {
    case King:
        return generateStepQuiets(directions, originSquare, frame);
    case Knight:
        return generateStepQuiets(knightSteps, originSquare, frame);
    case Pawn:
        return generatePawnPushes(originSquare, frame);
    case Queen:
        return generateSliderQuiets(0, 7, originSquare, frame);
    case Rook:
        return generateSliderQuiets(0, 3, originSquare, frame);
    case Bishop:
        return generateSliderQuiets(4, 7, originSquare, frame);
    default:
        return 0;
    }
}

int generateEnPassant(SearchFrame* frame) {
    // Only an answer to a pawn double step that is the move just below this slot.
    const Move& previous = moveStack[currentSlot - 1];
    const int distance = previous.to - previous.from;
    if (previous.piece != Pawn || (distance != 32 && distance != -32))
        return 0;
    Move& slot = moveStack[currentSlot];
    const int side = sideToMove;
    for (int origin = previous.to - 1; origin <= previous.to + 1; origin += 2) {
        if (!isOnBoard(origin) || board[origin].piece != Pawn || board[origin].colour != side)
            continue;
        slot.from = static_cast<std::int16_t>(origin);
        slot.kind = EnPassant;
        slot.piece = Pawn;
        slot.captured = Empty;
        slot.to = static_cast<std::int16_t>((previous.to + previous.from) / 2);
        if (moveCallback(frame))
            return 1;
    }
    return 0;
}

int generateCastling(SearchFrame* frame) {
    const int side = sideToMove;
    const int other = otherSide;
    // 1. A right of the side to move (its king and rook have never left their squares), and the
    //    king not in check.
    const int rights = castlingRights & (kingSideRight[side] | queenSideRight[side]);
    if (rights == 0)
        return 0;
    const int king = kingHomeSquare[side];
    if (isSquareAttacked(other, king))
        return 0;
    // 2.
    Move& slot = moveStack[currentSlot];
    slot.from = static_cast<std::int16_t>(king);
    slot.piece = King;
    slot.captured = Empty;
    // 3. King side: f and g empty, the passed square f not attacked. The destination is left to
    //    the callback's legality test.
    if ((rights & kingSideRight[side]) != 0 && board[king + 1].piece == Empty &&
        board[king + 2].piece == Empty) {
        slot.to = static_cast<std::int16_t>(king + 2);
        slot.kind = CastleKingSide;
        if (!isSquareAttacked(other, king + 1) && moveCallback(frame))
            return 1;
    }
    // 4. Queen side: b, c and d empty (b may be attacked), d not attacked.
    if ((rights & queenSideRight[side]) == 0 || board[king - 1].piece != Empty ||
        board[king - 2].piece != Empty || board[king - 3].piece != Empty)
        return 0;
    slot.to = static_cast<std::int16_t>(king - 2);
    slot.kind = CastleQueenSide;
    if (isSquareAttacked(other, king - 1))
        return 0;
    return moveCallback(frame) ? 1 : 0;
}

int isMoveValid() {
    const Move& move = moveStack[currentSlot];
    const int side = sideToMove;
    const int from = move.from;
    const int to = move.to;
    if (move.piece == Empty || !isOnBoard(from) || !isOnBoard(to))
        return 0;
    // 1. The origin holds the mover (a pawn for a promotion) in the colour to move.
    const int mover = move.kind == Promotion ? static_cast<int>(Pawn) : move.piece;
    if (board[from].piece != mover || board[from].colour != side)
        return 0;
    // 2. The destination holds what the move captures, of the other colour, or nothing.
    if (board[to].piece != move.captured ||
        (move.captured != Empty && board[to].colour != otherSide))
        return 0;
    // 3. By kind.
    switch (move.kind) {
    case NormalMove:
        if (move.piece != Pawn)
            return pieceAttacksSquare(move.piece, from, to);
        if (to - from > 31 || from - to > 31)
            return board[from + pawnStep[side]].piece == Empty ? 1 : 0;
        return 1;
    case Promotion:
        return 1;
    case CastleKingSide:
        return (castlingRights & kingSideRight[side]) != 0 && from == kingHomeSquare[side] &&
               board[from + 1].piece == Empty && !isSquareAttacked(otherSide, from) &&
               !isSquareAttacked(otherSide, from + 1);
    case CastleQueenSide:
        return (castlingRights & queenSideRight[side]) != 0 && from == kingHomeSquare[side] &&
               board[from - 1].piece == Empty && board[from - 3].piece == Empty &&
               !isSquareAttacked(otherSide, from) && !isSquareAttacked(otherSide, from - 1);
    default: // en passant, null move, sentinel: never a valid killer
        return 0;
    }
}

int generateAllMoves(SearchFrame* frame) {
    if (generateEnPassant(frame))
        return 1;
    CapturingOfficers officers;
    officers.count = OfficersNotGathered;
    if (generateAllCaptures(officers, PlaceholderSquare, frame))
        return 1;
    if (generateCastling(frame))
        return 1;
    // Quiet moves of every own man, the king's first.
    const int side = sideToMove;
    for (int i = 0; i <= lastPieceIndex[side]; ++i) {
        if (pieceList[side][i].piece != Empty &&
            generateQuietMoves(pieceList[side][i].square, frame))
            return 1;
    }
    return 0;
}

} // namespace tarnwick
