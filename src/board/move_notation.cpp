// Long algebraic move text: "e2e4", "e7e8q", castling as the king's two-square move, or in
// Chess960 as the king taking its own rook. Reading a game move builds it from the two squares and
// what stands on them, without a legality test.
#include "board/move_notation.h"

#include "board/make_unmake.h"
#include "board/position_setup.h"
#include "channel/dispatcher.h"
#include "channel/output_log.h"

namespace tarnwick {

static bool isCastling(const Move& move) {
    return move.kind == CastleKingSide || move.kind == CastleQueenSide;
}

// The castling layout's index of a castling move: its king starts on its own back rank.
static int castlingIndexOf(const Move& move) {
    return castlingIndex(rankOf(move.from) == 0 ? White : Black, move.kind);
}

static MoveText squaresText(int from, int to) {
    MoveText text{};
    text.text[0] = static_cast<char>('a' + (from & 15));
    text.text[1] = static_cast<char>('1' + (from >> 4));
    text.text[2] = static_cast<char>('a' + (to & 15));
    text.text[3] = static_cast<char>('1' + (to >> 4));
    return text;
}

MoveText moveToText(const Move& move) {
    if (move.piece == Empty)
        return MoveText{}; // no move: the empty text
    // In Chess960 castling is written as the king taking its rook, the one form that cannot be
    // mistaken for a king's move.
    if (chess960Mode && isCastling(move))
        return squaresText(move.from, move.to + castling.rookOffset[castlingIndexOf(move)]);
    MoveText text = squaresText(move.from, move.to);
    if (move.kind == Promotion && move.piece <= Pawn)
        text.text[4] = PieceLetters[move.piece];
    return text;
}

MoveText kingStepCastlingText(const Move& move) {
    const int fileChange = (move.to & 15) - (move.from & 15);
    if (!chess960Mode || !isCastling(move) || fileChange * fileChange < 4)
        return MoveText{};
    return squaresText(move.from, move.to);
}

static bool isFileLetter(char c) {
    return c >= 'a' && c <= 'h';
}
static bool isRankDigit(char c) {
    return c >= '1' && c <= '8';
}

// Why the move in the root slot cannot be played without corrupting the position, or null.
// makeMove trusts its move: an empty origin, a man of the wrong colour or a missing castling rook
// or en passant victim would make it update list entries that do not belong to the mover.
static const char* corruptingMoveReason(const Move& move) {
    const BoardCell& origin = board[move.from];
    const BoardCell& target = board[move.to];
    if (origin.piece == Empty)
        return "empty origin";
    if (origin.colour != sideToMove)
        return "origin holds a man of the side not to move";
    if (chess960Mode && isCastling(move)) {
        // The right stands for king and rook on their squares, which the two may take from each
        // other; the other squares the castling needs must be empty.
        const int index = castlingIndex(sideToMove, move.kind);
        if ((castlingRights & (1 << index)) == 0 || move.from != castling.kingSquare[sideToMove])
            return "castling without its right";
        if ((occupiedSquares() & castling.mustBeEmpty[index]) != 0)
            return "castling across a man";
        return nullptr;
    }
    if (target.piece != Empty && target.colour == sideToMove)
        return "destination holds a man of the mover's colour";
    if (target.piece == King)
        return "destination holds a king";
    if (origin.piece == King && move.piece != King)
        return "a king cannot promote";
    switch (move.kind) {
    case CastleKingSide: {
        const int rook = move.to + 1;
        if (!isOnBoard(rook) || board[rook].piece != Rook || board[rook].colour != sideToMove ||
            board[move.to - 1].piece != Empty)
            return "castling without its rook";
        break;
    }
    case CastleQueenSide: {
        const int rook = move.to - 2;
        if (!isOnBoard(rook) || board[rook].piece != Rook || board[rook].colour != sideToMove ||
            board[move.to + 1].piece != Empty)
            return "castling without its rook";
        break;
    }
    case EnPassant: {
        const BoardCell& victim = board[(move.from & 0x70) | (move.to & 0x0F)];
        if (victim.piece != Pawn || victim.colour != otherSide)
            return "en passant without a pawn to take";
        break;
    }
    default:
        break;
    }
    return nullptr;
}

// Makes a king's move along its rank castling, with `to` the king's target, when it takes the rook
// of a castling right of its colour or goes two files or more to a castling target. Whether the
// right is still held is left to corruptingMoveReason: a king that takes another rook of its own
// colour stays a normal move, which is refused there.
static void readChess960Castling(Move& move) {
    const BoardCell& target = board[move.to];
    if (move.piece != King || rankOf(move.from) != rankOf(move.to))
        return;
    const int fileChange = (move.to & 15) - (move.from & 15);
    for (const int kind : {CastleKingSide, CastleQueenSide}) {
        const int index = castlingIndex(sideToMove, kind);
        const int kingTarget = castlingKingTarget[index];
        const bool takesItsRook = target.piece == Rook && target.colour == sideToMove &&
                                  move.to == kingTarget + castling.rookOffset[index];
        if (takesItsRook || (move.to == kingTarget && fileChange * fileChange >= 4)) {
            move.kind = static_cast<std::uint8_t>(kind);
            move.to = static_cast<std::int16_t>(kingTarget);
            move.captured = Empty;
            return;
        }
    }
}

void playMoveText(const char* text) {
    // 1. Four characters in range, or nothing happens (&& stops at a terminator).
    if (!isFileLetter(text[0]) || !isRankDigit(text[1]) || !isFileLetter(text[2]) ||
        !isRankDigit(text[3]))
        return;
    // 2. Build the move in the root slot from the squares and what stands on them.
    Move& move = moveStack[RootSlot];
    move.from = static_cast<std::int16_t>((text[0] - 'a') + 16 * (text[1] - '1'));
    move.to = static_cast<std::int16_t>((text[2] - 'a') + 16 * (text[3] - '1'));
    move.captured = board[move.to].piece;
    move.piece = board[move.from].piece;
    move.kind = NormalMove;
    // 3. A fifth character makes a promotion; a letter other than q, r, b, n keeps the piece.
    if (text[4] != 0) {
        move.kind = Promotion;
        switch (text[4]) {
        case 'q':
            move.piece = Queen;
            break;
        case 'r':
            move.piece = Rook;
            break;
        case 'b':
            move.piece = Bishop;
            break;
        case 'n':
            move.piece = Knight;
            break;
        default:
            break;
        }
    }
    // 4. A king's two-file move is castling; in Chess960 the king taking its own rook, or its
    //    move to its castling target when that cannot be a king's step.
    const int fileChange = (move.from & 15) - (move.to & 15);
    if (chess960Mode)
        readChess960Castling(move);
    else if (move.piece == King && fileChange == 2)
        move.kind = CastleQueenSide;
    else if (move.piece == King && fileChange == -2)
        move.kind = CastleKingSide;
    // 5. A pawn that changes file onto an empty square takes en passant.
    if (move.piece == Pawn && fileChange != 0 && move.captured == Empty)
        move.kind = EnPassant;
    if (const char* reason = corruptingMoveReason(move)) {
        if (debugMode.load(std::memory_order_acquire))
            writeLog("Error: game move skipped (%s) - \"%s\"", reason, text);
        return;
    }
    // 6-7. Play it for good and hand the turn over.
    makeMove(move);
    sideToMove = otherSide;
    otherSide = 1 - sideToMove;
    // 8. File it: the history moves down one slot, the oldest falls out of slot 0.
    for (int slot = 0; slot < RootSlot; ++slot)
        moveStack[slot] = moveStack[slot + 1];
    moveStack[0] = SentinelMove;
    // 9. The position it leads to joins the game record.
    recordGamePosition();
}

} // namespace tarnwick
