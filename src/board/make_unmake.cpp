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
static_assert(std::endian::native == std::endian::little && offsetof(BoardCell, listIndex) == 0);
inline constexpr int PieceShift = 8 * offsetof(BoardCell, piece);
inline constexpr int ColourShift = 8 * offsetof(BoardCell, colour);

static CellWord loadCell(const Position& pos, int square) {
    CellWord word;
    std::memcpy(&word, &pos.board[square], sizeof word);
    return word;
}
static void storeCell(Position& pos, int square, CellWord word) {
    std::memcpy(&pos.board[square], &word, sizeof word);
}
static int listIndexOf(CellWord word) {
    return static_cast<int>(word & 0xFFFF);
}
static CellWord withPiece(CellWord word, int piece) {
    return (word & ~(CellWord{0xFF} << PieceShift)) | (static_cast<CellWord>(piece) << PieceShift);
}
static int pieceOf(CellWord word) {
    return static_cast<int>(word >> PieceShift);
}
static CellWord withColour(CellWord word, int colour) {
    return (word & ~(CellWord{0xFF} << ColourShift)) |
           (static_cast<CellWord>(colour) << ColourShift);
}

// The key words of one kind of man (code and colour): element piece * 128 + colour * 8 + square
// of each half of the key table. Unsigned offsets spare the sign extensions of int indices.
static const std::uint8_t* keysOfMan(int piece, int colour) {
    return hashKeys + 4u * static_cast<unsigned>(pieceKeyIndex(piece, colour, 0));
}
static std::uint32_t keyWordAt(const std::uint8_t* at) {
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}
static void addManKey(KeyDelta& keys, const std::uint8_t* manKeys, int square) {
    const unsigned offset = 4u * static_cast<unsigned>(square);
    keys.lock ^= keyWordAt(manKeys + offset);
    keys.index ^= keyWordAt(manKeys + 4u * IndexKeyOffset + offset);
}

// The square of the pawn an en passant capture takes: the file of `to`, the rank of `from`.
static int enPassantVictimSquare(const Move& move) {
    return (move.from & 0x70) | (move.to & 0x0F);
}

// A man of that colour and code appears on, or leaves, each square of `squares` (one square),
// or moves between them (two squares; none when a Chess960 castling leaves it where it stood).
static void moveInSets(Position& pos, int colour, int piece, SquareSet squares) {
    pos.menOnSquares[colour][AllMen] ^= squares;
    pos.menOnSquares[colour][piece] ^= squares;
}
// The man of that colour on the square changes its code (a promotion, or one taken back).
static void recodeInSets(Position& pos, int colour, int was, int now, SquareSet square) {
    pos.menOnSquares[colour][was] ^= square;
    pos.menOnSquares[colour][now] ^= square;
}

// The castling rights before each move that could change them go on a stack of the position: a
// move from or to a king's or rook's original square pushes them and taking it back pops them.
// The fifty-move clock before each move goes on another: a capture or pawn move sets the clock to
// 0, any other move counts one, and taking a move back restores the clock from there. The clock is
// kept for every move, so that unmake needs no test.

static bool resetsClock(const Move& move) {
    return move.captured != Empty || move.piece == Pawn || move.kind == Promotion;
}

static int rightsKeptBy(const Position& pos, int from, int to) {
    return pos.castling.rightsKept[from] & pos.castling.rightsKept[to];
}

// The side words of both keys: every move, the null move included, toggles them.
static KeyDelta sideKeyDelta() {
    return KeyDelta{.lock = keyWordAt(hashKeys + 4u * SideKeyIndex),
                    .index = keyWordAt(hashKeys + 4u * (IndexKeyOffset + SideKeyIndex))};
}

// Steps 7 to 10 of makeMove: the rook of a castling, the pawn taken en passant, the promoted
// piece. Kept apart so that the common move stays short.
[[gnu::noinline]] static KeyDelta makeSpecialPart(Position& pos, const Move& move, CellWord mover) {
    KeyDelta keys{.lock = 0, .index = 0};
    const int side = pos.sideToMove;
    const int other = pos.otherSide;
    const int from = move.from;
    const int to = move.to;
    switch (move.kind) {
    case CastleKingSide:    // 7. the rook jumps to the f-file
    case CastleQueenSide: { // 8. the rook jumps to the d-file
        const int rookFrom = to + pos.castling.rookOffset[castlingIndex(side, move.kind)];
        const int rookTo = move.kind == CastleKingSide ? to - 1 : to + 1;
        // In Chess960 the king may have landed on the rook's square: step 5's exchange has put
        // the rook on the king's origin. Cells are exchanged as for any move, so that unmake
        // restores every one of them.
        const int rookNow = rookFrom == to ? from : rookFrom;
        const CellWord rook = loadCell(pos, rookNow);
        addPieceKey(keys, Rook, side, rookFrom);
        addPieceKey(keys, Rook, side, rookTo);
        storeCell(pos, rookNow, loadCell(pos, rookTo));
        storeCell(pos, rookTo, rook);
        pos.pieceList[side][listIndexOf(rook)].square = rookTo;
        moveInSets(pos, side, Rook, setOfSquare(rookFrom) ^ setOfSquare(rookTo));
        break;
    }
    case EnPassant: { // 9. the pawn taken stands beside the destination
        const int victim = enPassantVictimSquare(move);
        const CellWord pawn = loadCell(pos, victim);
        addPieceKey(keys, Pawn, other, victim);
        pos.pieceList[other][listIndexOf(pawn)].piece = Empty;
        storeCell(pos, victim, withPiece(pawn, Empty));
        moveInSets(pos, other, Pawn, setOfSquare(victim));
        --pos.pieceCount;
        break;
    }
    case Promotion: { // 10. a pawn left `from`, the new piece stands on `to`
        addPieceKey(keys, Pawn, side, from);
        addPieceKey(keys, move.piece, side, from);
        storeCell(pos, to, withPiece(mover, move.piece));
        // The sets follow the cells: what arrived on `to` is now the new piece.
        recodeInSets(pos, side, pieceOf(mover), move.piece, setOfSquare(to));
        pos.pieceList[side][listIndexOf(mover)].piece = move.piece;
        // The promoted man sits in the pawn part of the list; the officer scans must reach it.
        if (pos.lastOfficerIndex[side] < listIndexOf(mover))
            pos.lastOfficerIndex[side] = listIndexOf(mover);
        break;
    }
    default:
        break;
    }
    return keys;
}

void makeMove(Position& pos, const Move& move) {
    const int side = pos.sideToMove;
    const int other = pos.otherSide;
    const int from = move.from;
    const int to = move.to;
    // 1-2. Every move, the null move included, hands the turn over.
    KeyDelta keys = sideKeyDelta();
    if (move.kind != NullMoveKind) {
        const CellWord mover = loadCell(pos, from);
        CellWord target = loadCell(pos, to);
        // 3. A capture empties the destination; its cell keeps the captured man's list entry.
        if (move.captured != Empty) {
            addManKey(keys, keysOfMan(move.captured, other), to);
            pos.pieceList[other][listIndexOf(target)].piece = Empty;
            target = withPiece(target, Empty);
            moveInSets(pos, other, move.captured, setOfSquare(to));
            --pos.pieceCount;
        }
        // 4-5. The mover leaves `from` and arrives on `to` (a promotion's keys are fixed later).
        const std::uint8_t* moverKeys = keysOfMan(move.piece, side);
        addManKey(keys, moverKeys, from);
        addManKey(keys, moverKeys, to);
        storeCell(pos, from, target);
        storeCell(pos, to, mover);
        pos.pieceList[side][listIndexOf(mover)].square = to;
        moveInSets(pos, side, pieceOf(mover), setOfSquare(from) ^ setOfSquare(to));
        // A king or rook leaving its original square, or a rook taken on it, ends its rights.
        const int kept = rightsKeptBy(pos, from, to);
        if (kept != AllCastlingRights) {
            pos.rightsHistory[pos.rightsHistoryTop++ % MoveHistorySize] =
                static_cast<std::uint8_t>(pos.castlingRights);
            pos.castlingRights &= kept;
        }
        pos.clockHistory[pos.clockHistoryTop++ % MoveHistorySize] =
            static_cast<std::uint16_t>(pos.halfmoveClock);
        pos.halfmoveClock = resetsClock(move) ? 0 : pos.halfmoveClock + 1;
        // 6-10.
        if (move.kind != NormalMove) {
            const KeyDelta special = makeSpecialPart(pos, move, mover);
            keys.lock ^= special.lock;
            keys.index ^= special.index;
        }
    }
    pos.lockKey ^= keys.lock;
    pos.indexKey ^= keys.index;
    assert(boardIsConsistent(pos));
}

// Steps 7 to 10 of unmakeMove; the promoted piece has already gone back as the pawn.
[[gnu::noinline]] static KeyDelta unmakeSpecialPart(Position& pos, const Move& move,
                                                    CellWord mover) {
    KeyDelta keys{.lock = 0, .index = 0};
    const int side = pos.sideToMove;
    const int other = pos.otherSide;
    const int from = move.from;
    const int to = move.to;
    switch (move.kind) {
    case CastleKingSide:    // 7.
    case CastleQueenSide: { // 8. the king is back on `from` already
        const int rookFrom = to + pos.castling.rookOffset[castlingIndex(side, move.kind)];
        const int rookTo = move.kind == CastleKingSide ? to - 1 : to + 1;
        // A rook that had come to the king's origin (Chess960) went to `to` with the king's
        // exchange.
        const int rookNow = rookTo == from ? to : rookTo;
        const CellWord rook = loadCell(pos, rookNow);
        addPieceKey(keys, Rook, side, rookTo);
        addPieceKey(keys, Rook, side, rookFrom);
        storeCell(pos, rookNow, loadCell(pos, rookFrom));
        storeCell(pos, rookFrom, rook);
        pos.pieceList[side][listIndexOf(rook)].square = rookFrom;
        moveInSets(pos, side, Rook, setOfSquare(rookTo) ^ setOfSquare(rookFrom));
        break;
    }
    case EnPassant: { // 9.
        const int victim = enPassantVictimSquare(move);
        const CellWord pawn = loadCell(pos, victim);
        addPieceKey(keys, Pawn, other, victim);
        PieceEntry& entry = pos.pieceList[other][listIndexOf(pawn)];
        entry.piece = Pawn;
        entry.square = victim;
        storeCell(pos, victim, withPiece(withColour(pawn, other), Pawn));
        moveInSets(pos, other, Pawn, setOfSquare(victim));
        ++pos.pieceCount;
        break;
    }
    case Promotion: { // 10. the piece turned back into the pawn; now its entry, keys and sets
        addPieceKey(keys, move.piece, side, from);
        addPieceKey(keys, Pawn, side, from);
        recodeInSets(pos, side, move.piece, Pawn, setOfSquare(from));
        pos.pieceList[side][listIndexOf(mover)].piece = Pawn;
        // Lower the officer range again past trailing pawns; it stops at the first entry that is
        // not a pawn, which may be a captured pawn's entry (scans skip it).
        while (pos.pieceList[side][pos.lastOfficerIndex[side]].piece == Pawn)
            --pos.lastOfficerIndex[side];
        break;
    }
    default:
        break;
    }
    return keys;
}

void unmakeMove(Position& pos, const Move& move) {
    const int side = pos.sideToMove;
    const int other = pos.otherSide;
    const int from = move.from;
    const int to = move.to;
    // 1-2. Taking any move back hands the turn back.
    KeyDelta keys = sideKeyDelta();
    if (move.kind != NullMoveKind) {
        // 3-4. The mover goes back to `from`; a promoted piece goes back as the pawn.
        CellWord mover = loadCell(pos, to);
        CellWord left = loadCell(pos, from); // the cell the mover found on `to`
        const std::uint8_t* moverKeys = keysOfMan(move.piece, side);
        addManKey(keys, moverKeys, to);
        addManKey(keys, moverKeys, from);
        moveInSets(pos, side, pieceOf(mover), setOfSquare(to) ^ setOfSquare(from));
        if (move.kind == Promotion)
            mover = withPiece(mover, Pawn);
        storeCell(pos, from, mover);
        pos.pieceList[side][listIndexOf(mover)].square = from;
        // 5. The emptied cell still names the captured man's own list entry.
        if (move.captured != Empty) {
            addManKey(keys, keysOfMan(move.captured, other), to);
            PieceEntry& entry = pos.pieceList[other][listIndexOf(left)];
            entry.piece = move.captured;
            entry.square = to;
            left = withPiece(withColour(left, other), move.captured);
            moveInSets(pos, other, move.captured, setOfSquare(to));
            ++pos.pieceCount;
        }
        storeCell(pos, to, left);
        if (rightsKeptBy(pos, from, to) != AllCastlingRights)
            pos.castlingRights = pos.rightsHistory[--pos.rightsHistoryTop % MoveHistorySize];
        pos.halfmoveClock = pos.clockHistory[--pos.clockHistoryTop % MoveHistorySize];
        // 6-10.
        if (move.kind != NormalMove) {
            const KeyDelta special = unmakeSpecialPart(pos, move, mover);
            keys.lock ^= special.lock;
            keys.index ^= special.index;
        }
    }
    pos.lockKey ^= keys.lock;
    pos.indexKey ^= keys.index;
    assert(boardIsConsistent(pos));
}

bool leavesKingSafe(Position& pos, const Move& move) {
    makeMove(pos, move);
    const bool safe =
        isSquareAttacked(pos, pos.otherSide, pos.pieceList[pos.sideToMove][0].square) == 0;
    unmakeMove(pos, move);
    return safe;
}

} // namespace tarnwick
