// Plays a move and takes it back without an undo record. A captured man's cell is only marked
// empty, and cells are exchanged whole, so the emptied cell still carries the captured man's list
// entry and colour when the move is taken back.
#include "board/make_unmake.h"

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstring>

namespace tarnwick {

// Cells are read and written whole, as one 32-bit word each: a cell written piecewise and then
// read whole makes the processor wait for the stores to drain, which dominated the cost of a move.
using CellWord = std::uint32_t;
static_assert(std::endian::native == std::endian::little);
inline constexpr int PieceShift = 8 * offsetof(BoardCell, piece);
inline constexpr int ColourShift = 8 * offsetof(BoardCell, colour);

static CellWord loadCell(int square) {
    CellWord word;
    std::memcpy(&word, &board[square], sizeof word);
    return word;
}
static void storeCell(int square, CellWord word) {
    std::memcpy(&board[square], &word, sizeof word);
}
static int listIndexOf(CellWord word) {
    return static_cast<int>(word & 0xFFFF);
}
static CellWord withPiece(CellWord word, int piece) {
    return (word & ~(CellWord{0xFF} << PieceShift)) | (static_cast<CellWord>(piece) << PieceShift);
}
static CellWord withColour(CellWord word, int colour) {
    return (word & ~(CellWord{0xFF} << ColourShift)) |
           (static_cast<CellWord>(colour) << ColourShift);
}

// The square of the pawn an en passant capture takes: the file of `to`, the rank of `from`.
static int enPassantVictimSquare(const Move& move) {
    return (move.from & 0x70) | (move.to & 0x0F);
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
    KeyDelta keys{.lock = 0, .index = 0};
    const CellWord mover = loadCell(from);
    CellWord target = loadCell(to);
    // 3. A capture empties the destination; its cell keeps the captured man's list entry.
    if (move.captured != Empty) {
        addPieceKey(keys, move.captured, other, to);
        pieceList[other][listIndexOf(target)].piece = Empty;
        target = withPiece(target, Empty);
        --pieceCount;
    }
    // 4-5. The mover leaves `from` and arrives on `to` (for a promotion step 10 fixes the keys).
    addPieceKey(keys, move.piece, side, from);
    addPieceKey(keys, move.piece, side, to);
    storeCell(from, target);
    storeCell(to, mover);
    pieceList[side][listIndexOf(mover)].square = to;
    switch (move.kind) {
    case NormalMove:
        break;
    case CastleKingSide: { // 7. the rook jumps from the h-file to the f-file
        const CellWord rook = loadCell(to + 1);
        addPieceKey(keys, Rook, side, to + 1);
        addPieceKey(keys, Rook, side, to - 1);
        storeCell(to + 1, loadCell(to - 1));
        storeCell(to - 1, rook);
        pieceList[side][listIndexOf(rook)].square = to - 1;
        break;
    }
    case CastleQueenSide: { // 8. the rook jumps from the a-file to the d-file
        const CellWord rook = loadCell(to - 2);
        addPieceKey(keys, Rook, side, to - 2);
        addPieceKey(keys, Rook, side, to + 1);
        storeCell(to - 2, loadCell(to + 1));
        storeCell(to + 1, rook);
        pieceList[side][listIndexOf(rook)].square = to + 1;
        break;
    }
    case EnPassant: { // 9. the pawn taken stands beside the destination
        const int victim = enPassantVictimSquare(move);
        const CellWord pawn = loadCell(victim);
        addPieceKey(keys, Pawn, other, victim);
        pieceList[other][listIndexOf(pawn)].piece = Empty;
        storeCell(victim, withPiece(pawn, Empty));
        --pieceCount;
        break;
    }
    case Promotion: { // 10. a pawn left `from`, the new piece stands on `to`
        addPieceKey(keys, Pawn, side, from);
        addPieceKey(keys, move.piece, side, from);
        storeCell(to, withPiece(mover, move.piece));
        pieceList[side][listIndexOf(mover)].piece = move.piece;
        // The promoted man sits in the pawn part of the list; the officer scans must reach it.
        if (lastOfficerIndex[side] < listIndexOf(mover))
            lastOfficerIndex[side] = listIndexOf(mover);
        break;
    }
    default:
        break;
    }
    lockKey ^= keys.lock;
    indexKey ^= keys.index;
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
    KeyDelta keys{.lock = 0, .index = 0};
    // 3-4. The mover goes back to `from`; a promoted piece goes back as the pawn (step 10).
    CellWord mover = loadCell(to);
    CellWord left = loadCell(from); // the cell the mover found on `to`
    addPieceKey(keys, move.piece, side, to);
    addPieceKey(keys, move.piece, side, from);
    if (move.kind == Promotion)
        mover = withPiece(mover, Pawn);
    storeCell(from, mover);
    pieceList[side][listIndexOf(mover)].square = from;
    // 5. The emptied cell still names the captured man's own list entry.
    if (move.captured != Empty) {
        addPieceKey(keys, move.captured, other, to);
        PieceEntry& entry = pieceList[other][listIndexOf(left)];
        entry.piece = move.captured;
        entry.square = to;
        left = withPiece(withColour(left, other), move.captured);
        ++pieceCount;
    }
    storeCell(to, left);
    switch (move.kind) {
    case NormalMove:
        break;
    case CastleKingSide: { // 7.
        const CellWord rook = loadCell(to - 1);
        addPieceKey(keys, Rook, side, to - 1);
        addPieceKey(keys, Rook, side, to + 1);
        storeCell(to - 1, loadCell(to + 1));
        storeCell(to + 1, rook);
        pieceList[side][listIndexOf(rook)].square = to + 1;
        break;
    }
    case CastleQueenSide: { // 8.
        const CellWord rook = loadCell(to + 1);
        addPieceKey(keys, Rook, side, to + 1);
        addPieceKey(keys, Rook, side, to - 2);
        storeCell(to + 1, loadCell(to - 2));
        storeCell(to - 2, rook);
        pieceList[side][listIndexOf(rook)].square = to - 2;
        break;
    }
    case EnPassant: { // 9.
        const int victim = enPassantVictimSquare(move);
        const CellWord pawn = loadCell(victim);
        addPieceKey(keys, Pawn, other, victim);
        PieceEntry& entry = pieceList[other][listIndexOf(pawn)];
        entry.piece = Pawn;
        entry.square = victim;
        storeCell(victim, withPiece(withColour(pawn, other), Pawn));
        ++pieceCount;
        break;
    }
    case Promotion: { // 10. the piece turned back into the pawn above; now its entry and keys
        addPieceKey(keys, move.piece, side, from);
        addPieceKey(keys, Pawn, side, from);
        pieceList[side][listIndexOf(mover)].piece = Pawn;
        // Lower the officer range again past trailing pawns; it stops at the first entry that is
        // not a pawn, which may be a captured pawn's entry (scans skip it).
        while (pieceList[side][lastOfficerIndex[side]].piece == Pawn)
            --lastOfficerIndex[side];
        break;
    }
    default:
        break;
    }
    lockKey ^= keys.lock;
    indexKey ^= keys.index;
    assert(boardIsConsistent());
}

} // namespace tarnwick
