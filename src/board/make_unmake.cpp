// Plays a move and takes it back without an undo record. A captured man's cell is only marked
// empty, and cells are exchanged whole, so the emptied cell still carries the captured man's list
// entry and colour when the move is taken back.
#include "board/make_unmake.h"

#include <cassert>
#include <utility>

namespace tarnwick {

// The square of the pawn an en passant capture takes: the file of `to`, the rank of `from`.
static int enPassantVictimSquare(const Move& move) {
    return (move.from & 0x70) | (move.to & 0x0F);
}

static void removeMan(int colour, int square) {
    BoardCell& cell = board[square];
    pieceList[colour][cell.listIndex].piece = Empty;
    cell.piece = Empty;
    --pieceCount;
}

static void restoreMan(int colour, int square, int piece) {
    BoardCell& cell = board[square];
    PieceEntry& entry = pieceList[colour][cell.listIndex];
    entry.piece = static_cast<std::uint8_t>(piece);
    entry.square = square;
    cell.piece = static_cast<std::uint8_t>(piece);
    cell.colour = static_cast<std::uint8_t>(colour);
    ++pieceCount;
}

// Moves the whole cell on `from` to `to` (and the emptied cell back) and updates the list entry.
static void exchangeCells(int side, int from, int to) {
    std::swap(board[from], board[to]);
    pieceList[side][board[to].listIndex].square = to;
}

void makeMove(const Move& move) {
    const int side = sideToMove;
    const int other = otherSide;
    const int from = move.from;
    const int to = move.to;
    // 1-2. Every move, the null move included, hands the turn over.
    toggleSideKey();
    if (move.kind == NullMoveKind)
        return;
    // 3. A capture empties the destination before the mover arrives.
    if (move.captured != Empty) {
        togglePieceKey(move.captured, other, to);
        removeMan(other, to);
    }
    // 4-5. The mover leaves `from` and arrives on `to` (for a promotion step 10 fixes the keys).
    togglePieceKey(move.piece, side, from);
    togglePieceKey(move.piece, side, to);
    exchangeCells(side, from, to);
    switch (move.kind) {
    case NormalMove:
        break;
    case CastleKingSide: // 7. the rook jumps from the h-file to the f-file
        togglePieceKey(Rook, side, to + 1);
        togglePieceKey(Rook, side, to - 1);
        exchangeCells(side, to + 1, to - 1);
        break;
    case CastleQueenSide: // 8. the rook jumps from the a-file to the d-file
        togglePieceKey(Rook, side, to - 2);
        togglePieceKey(Rook, side, to + 1);
        exchangeCells(side, to - 2, to + 1);
        break;
    case EnPassant: { // 9. the pawn taken stands beside the destination
        const int victim = enPassantVictimSquare(move);
        togglePieceKey(Pawn, other, victim);
        removeMan(other, victim);
        break;
    }
    case Promotion: { // 10. a pawn left `from`, the new piece stands on `to`
        togglePieceKey(Pawn, side, from);
        togglePieceKey(move.piece, side, from);
        BoardCell& cell = board[to];
        pieceList[side][cell.listIndex].piece = move.piece;
        cell.piece = move.piece;
        // The promoted man sits in the pawn part of the list; the officer scans must reach it.
        if (lastOfficerIndex[side] < cell.listIndex)
            lastOfficerIndex[side] = cell.listIndex;
        break;
    }
    default:
        break;
    }
    assert(boardIsConsistent());
}

void unmakeMove(const Move& move) {
    const int side = sideToMove;
    const int other = otherSide;
    const int from = move.from;
    const int to = move.to;
    // 1-2.
    toggleSideKey();
    if (move.kind == NullMoveKind)
        return;
    // 3-4. The mover goes back to `from`.
    togglePieceKey(move.piece, side, to);
    togglePieceKey(move.piece, side, from);
    exchangeCells(side, to, from);
    // 5. The emptied cell on `to` still names the captured man's own list entry.
    if (move.captured != Empty) {
        togglePieceKey(move.captured, other, to);
        restoreMan(other, to, move.captured);
    }
    switch (move.kind) {
    case NormalMove:
        break;
    case CastleKingSide: // 7.
        togglePieceKey(Rook, side, to - 1);
        togglePieceKey(Rook, side, to + 1);
        exchangeCells(side, to - 1, to + 1);
        break;
    case CastleQueenSide: // 8.
        togglePieceKey(Rook, side, to + 1);
        togglePieceKey(Rook, side, to - 2);
        exchangeCells(side, to + 1, to - 2);
        break;
    case EnPassant: { // 9.
        const int victim = enPassantVictimSquare(move);
        togglePieceKey(Pawn, other, victim);
        restoreMan(other, victim, Pawn);
        break;
    }
    case Promotion: { // 10. the piece turns back into the pawn
        togglePieceKey(move.piece, side, from);
        togglePieceKey(Pawn, side, from);
        BoardCell& cell = board[from];
        pieceList[side][cell.listIndex].piece = Pawn;
        cell.piece = Pawn;
        // Lower the officer range again past trailing pawns; it stops at the first entry that is
        // not a pawn, which may be a captured pawn's entry (scans skip it).
        while (pieceList[side][lastOfficerIndex[side]].piece == Pawn)
            --lastOfficerIndex[side];
        break;
    }
    default:
        break;
    }
    assert(boardIsConsistent());
}

} // namespace tarnwick
