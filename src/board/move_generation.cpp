// The generators: each writes one candidate at a time into the slot at currentSlot and hands it to
// moveCallback, stopping the moment the callback asks. Moves are pseudo-legal; the callback
// rejects those that leave the mover's king attacked.
#include "board/move_generation.h"

#include <bit>
#include <cstdint>

#include "board/board.h"
#include "board/make_unmake.h"

namespace tarnwick {

int tryPromotions(Position& pos, SearchFrame* frame) {
    Move& slot = pos.moveStack[pos.currentSlot];
    slot.kind = Promotion;
    // Queen, rook, bishop, knight: the most valuable promotion is searched first.
    for (slot.piece = Queen; slot.piece <= Knight; ++slot.piece) {
        if (pos.moveCallback(pos, frame))
            return 1;
    }
    // piece is now 6 again: the slot once more describes the plain pawn move.
    slot.kind = NormalMove;
    return 0;
}

// Whether a pawn of the side to move stands on the square, read as one cell word.
static inline bool holdsOwnPawn(const Position& pos, int square) {
    return isOnBoard(square) &&
           (cellWord(pos, square) & CellManMask) == cellWordOfMan(Pawn, pos.sideToMove);
}

// The piece-list entries of the men on the squares, one bit each: a set of squares turned into
// the order of the list, which the capture generators keep.
static inline unsigned listEntriesOf(const Position& pos, SquareSet squares) {
    unsigned entries = 0;
    for (; squares != 0; squares &= squares - 1)
        entries |= 1u << pos.board[firstSquareOf(squares)].listIndex;
    return entries;
}

// Hands over the captures of one victim once its attackers are known: the pawns marked in
// `pawnOrigins` (bit 0 the left origin, bit 1 the right), then the officers on `officers` in the
// order of a scan of the piece list from lastOfficerIndex down. Kept apart so that a victim nobody
// attacks costs only the test.
[[gnu::noinline]] static int handOverCaptures(Position& pos, int victimSquare, int pawnOrigins,
                                              SquareSet officers, SearchFrame* frame) {
    Move& slot = pos.moveStack[pos.currentSlot];
    slot.to = static_cast<std::int16_t>(victimSquare);
    slot.captured = pos.board[victimSquare].piece;
    slot.kind = NormalMove;
    const int behind = victimSquare - pawnStep[pos.sideToMove];
    for (int k = 0; k < 2; ++k) {
        if ((pawnOrigins & (1 << k)) == 0)
            continue;
        slot.from = static_cast<std::int16_t>(behind - 1 + 2 * k);
        slot.piece = Pawn;
        if (isPromotionRank(victimSquare) ? tryPromotions(pos, frame)
                                          : pos.moveCallback(pos, frame))
            return 1;
    }
    // The attackers' list entries, taken from the highest down.
    unsigned entries = listEntriesOf(pos, officers);
    const PieceEntry* list = pos.pieceList[pos.sideToMove];
    while (entries != 0) {
        const int i = std::bit_width(entries) - 1;
        entries ^= 1u << i;
        slot.from = static_cast<std::int16_t>(list[i].square);
        slot.piece = list[i].piece;
        if (pos.moveCallback(pos, frame))
            return 1;
    }
    return 0;
}

// The captures of the man on one victim square: pawns first, the least valuable attackers, from
// the two squares diagonally behind, then the officers from the end of their list part, so
// knights come before bishops, rooks, queens and the king.
int generateCaptures(Position& pos, int victimSquare, SearchFrame* frame) {
    const int behind = victimSquare - pawnStep[pos.sideToMove];
    const int pawnOrigins =
        (holdsOwnPawn(pos, behind - 1) ? 1 : 0) | (holdsOwnPawn(pos, behind + 1) ? 2 : 0);
    const SquareSet officers = officersAttacking(pos, pos.sideToMove, victimSquare);
    if (pawnOrigins == 0 && officers == 0)
        return 0;
    return handOverCaptures(pos, victimSquare, pawnOrigins, officers, frame);
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
static SquareSet attackedVictims(const Position& pos, int colour, SquareSet victims) {
    const SquareSet* men = pos.menOnSquares[colour];
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
    const SquareSet empty = ~(pos.menOnSquares[White][AllMen] | pos.menOnSquares[Black][AllMen]);
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

int generateAllCaptures(Position& pos, int skippedSquare, SearchFrame* frame) {
    const int other = pos.otherSide;
    // 1. Only the victims some man of the side to move attacks can be taken at all. The king is
    //    never a victim.
    const SquareSet* men = pos.menOnSquares[other];
    const SquareSet victims = attackedVictims(
        pos, pos.sideToMove, men[AllMen] & ~men[King] & ~setOfSquare(skippedSquare));
    if (victims == 0)
        return 0;
    // 2. Their list entries, taken from the most valuable down: the list order.
    for (unsigned entries = listEntriesOf(pos, victims); entries != 0; entries &= entries - 1) {
        if (generateCaptures(pos, pos.pieceList[other][std::countr_zero(entries)].square, frame))
            return 1;
    }
    return 0;
}

// King and knight: one step in each of the given directions, from the last index down.
static int generateStepQuiets(Position& pos, const int* steps, int origin, SearchFrame* frame) {
    Move& slot = pos.moveStack[pos.currentSlot];
    for (int d = 7; d >= 0; --d) {
        const int to = origin + steps[d];
        if (!isOnBoard(to) || pos.board[to].piece != Empty)
            continue;
        slot.to = static_cast<std::int16_t>(to);
        if (pos.moveCallback(pos, frame))
            return 1;
    }
    return 0;
}

// Sliders step outward from the origin until the ray leaves the board or is blocked.
static int generateSliderQuiets(Position& pos, int firstDirection, int lastDirection, int origin,
                                SearchFrame* frame) {
    Move& slot = pos.moveStack[pos.currentSlot];
    for (int d = lastDirection; d >= firstDirection; --d) {
        const int step = directions[d];
        for (int to = origin + step; isOnBoard(to) && pos.board[to].piece == Empty; to += step) {
            slot.to = static_cast<std::int16_t>(to);
            if (pos.moveCallback(pos, frame))
                return 1;
        }
    }
    return 0;
}

static int generatePawnPushes(Position& pos, int origin, SearchFrame* frame) {
    Move& slot = pos.moveStack[pos.currentSlot];
    const int step = pawnStep[pos.sideToMove];
    int to = origin + step;
    // A pawn on its own last rank (only after odd position input) would step off the board.
    if (!isOnBoard(to) || pos.board[to].piece != Empty)
        return 0;
    slot.to = static_cast<std::int16_t>(to);
    if (isPromotionRank(to))
        return tryPromotions(pos, frame);
    if (pos.moveCallback(pos, frame))
        return 1;
    // The double step from the ranks nearest to an edge: the starting rank of a pawn that moves
    // away from that edge.
    if (origin < 24 || origin > 95) {
        to += step;
        if (isOnBoard(to) && pos.board[to].piece == Empty) {
            slot.to = static_cast<std::int16_t>(to);
            if (pos.moveCallback(pos, frame))
                return 1;
        }
    }
    return 0;
}

int generateQuietMoves(Position& pos, int originSquare, SearchFrame* frame) {
    Move& slot = pos.moveStack[pos.currentSlot];
    const int piece = pos.board[originSquare].piece;
    slot.from = static_cast<std::int16_t>(originSquare);
    slot.piece = static_cast<std::uint8_t>(piece);
    slot.kind = NormalMove;
    slot.captured = Empty;
    switch (piece) {
    case King:
        return generateStepQuiets(pos, directions, originSquare, frame);
    case Knight:
        return generateStepQuiets(pos, knightSteps, originSquare, frame);
    case Pawn:
        return generatePawnPushes(pos, originSquare, frame);
    case Queen:
        return generateSliderQuiets(pos, 0, 7, originSquare, frame);
    case Rook:
        return generateSliderQuiets(pos, 0, 3, originSquare, frame);
    case Bishop:
        return generateSliderQuiets(pos, 4, 7, originSquare, frame);
    default:
        return 0;
    }
}

int generateEnPassant(Position& pos, SearchFrame* frame) {
    // Only an answer to a pawn double step that is the move just below this slot.
    const Move& previous = pos.moveStack[pos.currentSlot - 1];
    const int distance = previous.to - previous.from;
    if (previous.piece != Pawn || (distance != 32 && distance != -32))
        return 0;
    Move& slot = pos.moveStack[pos.currentSlot];
    const int side = pos.sideToMove;
    for (int origin = previous.to - 1; origin <= previous.to + 1; origin += 2) {
        if (!isOnBoard(origin) || pos.board[origin].piece != Pawn ||
            pos.board[origin].colour != side)
            continue;
        slot.from = static_cast<std::int16_t>(origin);
        slot.kind = EnPassant;
        slot.piece = Pawn;
        slot.captured = Empty;
        slot.to = static_cast<std::int16_t>((previous.to + previous.from) / 2);
        if (pos.moveCallback(pos, frame))
            return 1;
    }
    return 0;
}

// Whether the castling of the right with that index may be played, but for the king standing in
// check (tested first) and its target (left to the callback's legality test): the squares both men
// cross or reach are empty but for the two of them, and no square the king crosses is attacked.
// The right itself stands for king and rook on their squares.
static bool castlingPathIsOpen(const Position& pos, int index) {
    if ((occupiedSquares(pos) & pos.castling.mustBeEmpty[index]) != 0)
        return false;
    for (SquareSet crossed = pos.castling.mustBeSafe[index]; crossed != 0; crossed &= crossed - 1) {
        if (isSquareAttacked(pos, pos.otherSide, firstSquareOf(crossed)))
            return false;
    }
    return true;
}

int generateCastling(Position& pos, SearchFrame* frame) {
    const int side = pos.sideToMove;
    // 1. A right of the side to move (its king and rook have never left their squares), and the
    //    king not in check.
    const int rights = pos.castlingRights & (kingSideRight[side] | queenSideRight[side]);
    if (rights == 0)
        return 0;
    const int king = pos.castling.kingSquare[side];
    if (isSquareAttacked(pos, pos.otherSide, king))
        return 0;
    // 2.
    Move& slot = pos.moveStack[pos.currentSlot];
    slot.from = static_cast<std::int16_t>(king);
    slot.piece = King;
    slot.captured = Empty;
    // 3. King side, then queen side.
    for (const int kind : {CastleKingSide, CastleQueenSide}) {
        const int index = castlingIndex(side, kind);
        if ((rights & (1 << index)) == 0 || !castlingPathIsOpen(pos, index))
            continue;
        slot.to = static_cast<std::int16_t>(castlingKingTarget[index]);
        slot.kind = static_cast<std::uint8_t>(kind);
        if (pos.moveCallback(pos, frame))
            return 1;
    }
    return 0;
}

int isMoveValid(Position& pos) {
    const Move& move = pos.moveStack[pos.currentSlot];
    const int side = pos.sideToMove;
    const int from = move.from;
    const int to = move.to;
    if (move.piece == Empty || !isOnBoard(from) || !isOnBoard(to))
        return 0;
    // 1. The origin holds the mover (a pawn for a promotion) in the colour to move.
    const int mover = move.kind == Promotion ? static_cast<int>(Pawn) : move.piece;
    if (pos.board[from].piece != mover || pos.board[from].colour != side)
        return 0;
    // 2. Castling by its right, its squares and its king target; its king may already stand
    //    there, and its rook too (Chess960).
    if (move.kind == CastleKingSide || move.kind == CastleQueenSide) {
        const int index = castlingIndex(side, move.kind);
        return (pos.castlingRights & (1 << index)) != 0 && to == castlingKingTarget[index] &&
               !isSquareAttacked(pos, pos.otherSide, from) && castlingPathIsOpen(pos, index);
    }
    // 3. The destination holds what the move captures, of the other colour, or nothing.
    if (pos.board[to].piece != move.captured ||
        (move.captured != Empty && pos.board[to].colour != pos.otherSide))
        return 0;
    // 4. By kind.
    switch (move.kind) {
    case NormalMove:
        if (move.piece != Pawn)
            return pieceAttacksSquare(pos, move.piece, from, to);
        if (to - from > 31 || from - to > 31)
            return pos.board[from + pawnStep[side]].piece == Empty ? 1 : 0;
        return 1;
    case Promotion:
        return 1;
    default: // en passant, null move, sentinel: never a valid killer
        return 0;
    }
}

int generateAllMoves(Position& pos, SearchFrame* frame) {
    if (generateEnPassant(pos, frame))
        return 1;
    if (generateAllCaptures(pos, PlaceholderSquare, frame))
        return 1;
    if (generateCastling(pos, frame))
        return 1;
    // Quiet moves of every own man, the king's first.
    const int side = pos.sideToMove;
    for (int i = 0; i <= pos.lastPieceIndex[side]; ++i) {
        if (pos.pieceList[side][i].piece != Empty &&
            generateQuietMoves(pos, pos.pieceList[side][i].square, frame))
            return 1;
    }
    return 0;
}

// Stops the generation at the first move that does not leave the mover's king attacked.
static int stopAtLegalMove(Position& pos, SearchFrame*) {
    return leavesKingSafe(pos, pos.moveStack[pos.currentSlot]) ? 1 : 0;
}

int hasLegalMove(Position& pos) {
    const MoveCallback saved = pos.moveCallback;
    pos.moveCallback = stopAtLegalMove;
    ++pos.currentSlot;
    const int found = generateAllMoves(pos, nullptr);
    --pos.currentSlot;
    pos.moveCallback = saved;
    return found;
}

} // namespace tarnwick
