// The generators: each writes one candidate at a time into the slot at currentSlot and hands it to
// moveCallback, stopping the moment the callback asks. Moves are pseudo-legal; the callback
// rejects those that leave the mover's king attacked.
#include "board/move_generation.h"

#include <bit>
#include <cstdint>

#include "board/board.h"
#include "board/make_unmake.h"

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

// Whether a pawn of the side to move stands on the square, read as one cell word.
static inline bool holdsOwnPawn(int square) {
    return isOnBoard(square) && (cellWord(square) & CellManMask) == cellWordOfMan(Pawn, sideToMove);
}

// The piece-list entries of the men on the squares, one bit each: a set of squares turned into
// the order of the list, which the capture generators keep.
static inline unsigned listEntriesOf(SquareSet squares) {
    unsigned entries = 0;
    for (; squares != 0; squares &= squares - 1)
        entries |= 1u << board[firstSquareOf(squares)].listIndex;
    return entries;
}

// Hands over the captures of one victim once its attackers are known: the pawns marked in
// `pawnOrigins` (bit 0 the left origin, bit 1 the right), then the officers on `officers` in the
// order of a scan of the piece list from lastOfficerIndex down. Kept apart so that a victim nobody
// attacks costs only the test.
[[gnu::noinline]] static int handOverCaptures(int victimSquare, int pawnOrigins, SquareSet officers,
                                              SearchFrame* frame) {
    Move& slot = moveStack[currentSlot];
    slot.to = static_cast<std::int16_t>(victimSquare);
    slot.captured = board[victimSquare].piece;
    slot.kind = NormalMove;
    const int behind = victimSquare - pawnStep[sideToMove];
    for (int k = 0; k < 2; ++k) {
        if ((pawnOrigins & (1 << k)) == 0)
            continue;
        slot.from = static_cast<std::int16_t>(behind - 1 + 2 * k);
        slot.piece = Pawn;
        if (isPromotionRank(victimSquare) ? tryPromotions(frame) : moveCallback(frame))
            return 1;
    }
    // The attackers' list entries, taken from the highest down.
    unsigned entries = listEntriesOf(officers);
    const PieceEntry* list = pieceList[sideToMove];
    while (entries != 0) {
        const int i = std::bit_width(entries) - 1;
        entries ^= 1u << i;
        slot.from = static_cast<std::int16_t>(list[i].square);
        slot.piece = list[i].piece;
        if (moveCallback(frame))
            return 1;
    }
    return 0;
}

// The captures of the man on one victim square: pawns first, the least valuable attackers, from
// the two squares diagonally behind, then the officers from the end of their list part, so
// knights come before bishops, rooks, queens and the king.
int generateCaptures(int victimSquare, SearchFrame* frame) {
    const int behind = victimSquare - pawnStep[sideToMove];
    const int pawnOrigins = (holdsOwnPawn(behind - 1) ? 1 : 0) | (holdsOwnPawn(behind + 1) ? 2 : 0);
    const SquareSet officers = officersAttacking(sideToMove, victimSquare);
    if (pawnOrigins == 0 && officers == 0)
        return 0;
    return handOverCaptures(victimSquare, pawnOrigins, officers, frame);
}

// Square sets shifted one step in a direction; a step that would wrap round to the other edge of
// the board is cut off by dropping the file it would land on.
inline constexpr SquareSet FileA = 0x0101010101010101u;
inline constexpr SquareSet FileH = FileA << 7;
inline constexpr SquareSet NotFileA = ~FileA;
inline constexpr SquareSet NotFileH = ~FileH;
inline constexpr SquareSet NotFilesAB = ~(FileA | FileA << 1);
inline constexpr SquareSet NotFilesGH = ~(FileH | FileH >> 1);

// The squares that sliders on `men` reach along one direction, the first occupied square of each
// ray included. The rays of all of them grow together in three doubling steps (one, two, four
// squares) through the empty squares, so the cost does not depend on how many there are or how far
// they see. Up: towards higher squares by `shift` bits; `landing` is where a step may land.
static inline SquareSet slideUp(SquareSet men, SquareSet empty, int shift, SquareSet landing) {
    empty &= landing;
    men |= empty & (men << shift);
    empty &= empty << shift;
    men |= empty & (men << 2 * shift);
    empty &= empty << 2 * shift;
    men |= empty & (men << 4 * shift);
    return (men << shift) & landing;
}
static inline SquareSet slideDown(SquareSet men, SquareSet empty, int shift, SquareSet landing) {
    empty &= landing;
    men |= empty & (men >> shift);
    empty &= empty >> shift;
    men |= empty & (men >> 2 * shift);
    empty &= empty >> 2 * shift;
    men |= empty & (men >> 4 * shift);
    return (men >> shift) & landing;
}

// Those of the victims some man of the colour attacks, worked out from the square sets for all
// victims at once: the squares the pawns, the knights and the king attack, then, while victims
// remain outside them, the squares the sliders reach. A filter only: the captures of a victim
// outside it would find no attacker, and the capture scan runs only for the others.
static SquareSet attackedVictims(int colour, SquareSet victims) {
    const SquareSet* men = menOnSquares[colour];
    const SquareSet pawns = men[Pawn];
    SquareSet attacked = colour == White ? ((pawns << 7) & NotFileH) | ((pawns << 9) & NotFileA)
                                         : ((pawns >> 9) & NotFileH) | ((pawns >> 7) & NotFileA);
    const SquareSet knights = men[Knight];
    const SquareSet oneAside = ((knights >> 1) & NotFileH) | ((knights << 1) & NotFileA);
    const SquareSet twoAside = ((knights >> 2) & NotFilesGH) | ((knights << 2) & NotFilesAB);
    attacked |= oneAside << 16 | oneAside >> 16 | twoAside << 8 | twoAside >> 8;
    SquareSet king = men[King];
    const SquareSet kingAside = ((king >> 1) & NotFileH) | ((king << 1) & NotFileA);
    king |= kingAside;
    attacked |= kingAside | king << 8 | king >> 8;
    const SquareSet empty = ~(menOnSquares[White][AllMen] | menOnSquares[Black][AllMen]);
    const SquareSet straight = men[Rook] | men[Queen];
    if ((victims & ~attacked) != 0 && straight != 0)
        attacked |= slideUp(straight, empty, 8, ~SquareSet{0}) |
                    slideDown(straight, empty, 8, ~SquareSet{0}) |
                    slideUp(straight, empty, 1, NotFileA) | slideDown(straight, empty, 1, NotFileH);
    const SquareSet diagonal = men[Bishop] | men[Queen];
    if ((victims & ~attacked) != 0 && diagonal != 0)
        attacked |= slideUp(diagonal, empty, 9, NotFileA) | slideUp(diagonal, empty, 7, NotFileH) |
                    slideDown(diagonal, empty, 7, NotFileA) |
                    slideDown(diagonal, empty, 9, NotFileH);
    return victims & attacked;
}

int generateAllCaptures(int skippedSquare, SearchFrame* frame) {
    const int other = otherSide;
    // 1. Only the victims some man of the side to move attacks can be taken at all. The king is
    //    never a victim.
    const SquareSet* men = menOnSquares[other];
    const SquareSet victims =
        attackedVictims(sideToMove, men[AllMen] & ~men[King] & ~setOfSquare(skippedSquare));
    if (victims == 0)
        return 0;
    // 2. Their list entries, taken from the most valuable down: the list order.
    for (unsigned entries = listEntriesOf(victims); entries != 0; entries &= entries - 1) {
        if (generateCaptures(pieceList[other][std::countr_zero(entries)].square, frame))
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

// Whether the castling of the right with that index may be played, but for the king standing in
// check (tested first) and its target (left to the callback's legality test): the squares both men
// cross or reach are empty but for the two of them, and no square the king crosses is attacked.
// The right itself stands for king and rook on their squares.
static bool castlingPathIsOpen(int index) {
    if ((occupiedSquares() & castling.mustBeEmpty[index]) != 0)
        return false;
    for (SquareSet crossed = castling.mustBeSafe[index]; crossed != 0; crossed &= crossed - 1) {
        if (isSquareAttacked(otherSide, firstSquareOf(crossed)))
            return false;
    }
    return true;
}

int generateCastling(SearchFrame* frame) {
    const int side = sideToMove;
    // 1. A right of the side to move (its king and rook have never left their squares), and the
    //    king not in check.
    const int rights = castlingRights & (kingSideRight[side] | queenSideRight[side]);
    if (rights == 0)
        return 0;
    const int king = castling.kingSquare[side];
    if (isSquareAttacked(otherSide, king))
        return 0;
    // 2.
    Move& slot = moveStack[currentSlot];
    slot.from = static_cast<std::int16_t>(king);
    slot.piece = King;
    slot.captured = Empty;
    // 3. King side, then queen side.
    for (const int kind : {CastleKingSide, CastleQueenSide}) {
        const int index = castlingIndex(side, kind);
        if ((rights & (1 << index)) == 0 || !castlingPathIsOpen(index))
            continue;
        slot.to = static_cast<std::int16_t>(castlingKingTarget[index]);
        slot.kind = static_cast<std::uint8_t>(kind);
        if (moveCallback(frame))
            return 1;
    }
    return 0;
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
    // 2. Castling by its right, its squares and its king target; its king may already stand
    //    there, and its rook too (Chess960).
    if (move.kind == CastleKingSide || move.kind == CastleQueenSide) {
        const int index = castlingIndex(side, move.kind);
        return (castlingRights & (1 << index)) != 0 && to == castlingKingTarget[index] &&
               !isSquareAttacked(otherSide, from) && castlingPathIsOpen(index);
    }
    // 3. The destination holds what the move captures, of the other colour, or nothing.
    if (board[to].piece != move.captured ||
        (move.captured != Empty && board[to].colour != otherSide))
        return 0;
    // 4. By kind.
    switch (move.kind) {
    case NormalMove:
        if (move.piece != Pawn)
            return pieceAttacksSquare(move.piece, from, to);
        if (to - from > 31 || from - to > 31)
            return board[from + pawnStep[side]].piece == Empty ? 1 : 0;
        return 1;
    case Promotion:
        return 1;
    default: // en passant, null move, sentinel: never a valid killer
        return 0;
    }
}

int generateAllMoves(SearchFrame* frame) {
    if (generateEnPassant(frame))
        return 1;
    if (generateAllCaptures(PlaceholderSquare, frame))
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

// Stops the generation at the first move that does not leave the mover's king attacked.
static int stopAtLegalMove(SearchFrame*) {
    return leavesKingSafe(moveStack[currentSlot]) ? 1 : 0;
}

int hasLegalMove() {
    const MoveCallback saved = moveCallback;
    moveCallback = stopAtLegalMove;
    ++currentSlot;
    const int found = generateAllMoves(nullptr);
    --currentSlot;
    moveCallback = saved;
    return found;
}

} // namespace tarnwick
