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
static void moveInSets(int colour, int piece, SquareSet squares) {
    menOnSquares[colour][AllMen] ^= squares;
    menOnSquares[colour][piece] ^= squares;
}
// The man of that colour on the square changes its code (a promotion, or one taken back).
static void recodeInSets(int colour, int was, int now, SquareSet square) {
    menOnSquares[colour][was] ^= square;
    menOnSquares[colour][now] ^= square;
}

// The castling rights before each move that could change them, newest on top: a move from or to
// a king's or rook's original square pushes them and taking it back pops them. Moves are taken
// back in the reverse order of making, so the stack is as deep as the longest line; the top wraps,
// so game moves, which are never taken back, cannot run it past its end.
inline constexpr unsigned RightsHistorySize = 256;
static std::uint8_t rightsHistory[RightsHistorySize];
static unsigned rightsHistoryTop = 0;

// The fifty-move clock before each move, newest on top: a capture or pawn move sets the clock to
// 0, any other move counts one, and taking a move back restores the clock from here. Kept for
// every move, so that unmake needs no test; the top wraps as the rights' does.
static std::uint16_t clockHistory[RightsHistorySize];
static unsigned clockHistoryTop = 0;

static bool resetsClock(const Move& move) {
    return move.captured != Empty || move.piece == Pawn || move.kind == Promotion;
}

static int rightsKeptBy(int from, int to) {
    return castling.rightsKept[from] & castling.rightsKept[to];
}

// The side words of both keys: every move, the null move included, toggles them.
static KeyDelta sideKeyDelta() {
    return KeyDelta{.lock = keyWordAt(hashKeys + 4u * SideKeyIndex),
                    .index = keyWordAt(hashKeys + 4u * (IndexKeyOffset + SideKeyIndex))};
}

// Steps 7 to 10 of makeMove: the rook of a castling, the pawn taken en passant, the promoted
// piece. Kept apart so that the common move stays short.
[[gnu::noinline]] static KeyDelta makeSpecialPart(const Move& move, CellWord mover) {
    KeyDelta keys{.lock = 0, .index = 0};
    const int side = sideToMove;
    const int other = otherSide;
    const int from = move.from;
    const int to = move.to;
    switch (move.kind) {
    case CastleKingSide:    // 7. the rook jumps to the f-file
    case CastleQueenSide: { // 8. the rook jumps to the d-file
        const int rookFrom = to + castling.rookOffset[castlingIndex(side, move.kind)];
        const int rookTo = move.kind == CastleKingSide ? to - 1 : to + 1;
        // In Chess960 the king may have landed on the rook's square: step 5's exchange has put
        // the rook on the king's origin. Cells are exchanged as for any move, so that unmake
        // restores every one of them.
        const int rookNow = rookFrom == to ? from : rookFrom;
        const CellWord rook = loadCell(rookNow);
        addPieceKey(keys, Rook, side, rookFrom);
        addPieceKey(keys, Rook, side, rookTo);
        storeCell(rookNow, loadCell(rookTo));
        storeCell(rookTo, rook);
        pieceList[side][listIndexOf(rook)].square = rookTo;
        moveInSets(side, Rook, setOfSquare(rookFrom) ^ setOfSquare(rookTo));
        break;
    }
    case EnPassant: { // 9. the pawn taken stands beside the destination
        const int victim = enPassantVictimSquare(move);
        const CellWord pawn = loadCell(victim);
        addPieceKey(keys, Pawn, other, victim);
        pieceList[other][listIndexOf(pawn)].piece = Empty;
        storeCell(victim, withPiece(pawn, Empty));
        moveInSets(other, Pawn, setOfSquare(victim));
        --pieceCount;
        break;
    }
    case Promotion: { // 10. a pawn left `from`, the new piece stands on `to`
        addPieceKey(keys, Pawn, side, from);
        addPieceKey(keys, move.piece, side, from);
        storeCell(to, withPiece(mover, move.piece));
        // The sets follow the cells: what arrived on `to` is now the new piece.
        recodeInSets(side, pieceOf(mover), move.piece, setOfSquare(to));
        pieceList[side][listIndexOf(mover)].piece = move.piece;
        // The promoted man sits in the pawn part of the list; the officer scans must reach it.
        if (lastOfficerIndex[side] < listIndexOf(mover))
            lastOfficerIndex[side] = listIndexOf(mover);
        break;
    }
    default:
        break;
    }
    return keys;
}

void makeMove(const Move& move) {
    const int side = sideToMove;
    const int other = otherSide;
    const int from = move.from;
    const int to = move.to;
    // 1-2. Every move, the null move included, hands the turn over.
    KeyDelta keys = sideKeyDelta();
    if (move.kind != NullMoveKind) {
        const CellWord mover = loadCell(from);
        CellWord target = loadCell(to);
        // 3. A capture empties the destination; its cell keeps the captured man's list entry.
        if (move.captured != Empty) {
            addManKey(keys, keysOfMan(move.captured, other), to);
            pieceList[other][listIndexOf(target)].piece = Empty;
            target = withPiece(target, Empty);
            moveInSets(other, move.captured, setOfSquare(to));
            --pieceCount;
        }
        // 4-5. The mover leaves `from` and arrives on `to` (a promotion's keys are fixed later).
        const std::uint8_t* moverKeys = keysOfMan(move.piece, side);
        addManKey(keys, moverKeys, from);
        addManKey(keys, moverKeys, to);
        storeCell(from, target);
        storeCell(to, mover);
        pieceList[side][listIndexOf(mover)].square = to;
        moveInSets(side, pieceOf(mover), setOfSquare(from) ^ setOfSquare(to));
        // A king or rook leaving its original square, or a rook taken on it, ends its rights.
        const int kept = rightsKeptBy(from, to);
        if (kept != AllCastlingRights) {
            rightsHistory[rightsHistoryTop++ % RightsHistorySize] =
                static_cast<std::uint8_t>(castlingRights);
            castlingRights &= kept;
        }
        clockHistory[clockHistoryTop++ % RightsHistorySize] =
            static_cast<std::uint16_t>(halfmoveClock);
        halfmoveClock = resetsClock(move) ? 0 : halfmoveClock + 1;
        // 6-10.
        if (move.kind != NormalMove) {
            const KeyDelta special = makeSpecialPart(move, mover);
            keys.lock ^= special.lock;
            keys.index ^= special.index;
        }
    }
    lockKey ^= keys.lock;
    indexKey ^= keys.index;
    assert(boardIsConsistent());
}

// Steps 7 to 10 of unmakeMove; the promoted piece has already gone back as the pawn.
[[gnu::noinline]] static KeyDelta unmakeSpecialPart(const Move& move, CellWord mover) {
    KeyDelta keys{.lock = 0, .index = 0};
    const int side = sideToMove;
    const int other = otherSide;
    const int from = move.from;
    const int to = move.to;
    switch (move.kind) {
    case CastleKingSide:    // 7.
    case CastleQueenSide: { // 8. the king is back on `from` already
        const int rookFrom = to + castling.rookOffset[castlingIndex(side, move.kind)];
        const int rookTo = move.kind == CastleKingSide ? to - 1 : to + 1;
        // A rook that had come to the king's origin (Chess960) went to `to` with the king's
        // exchange.
        const int rookNow = rookTo == from ? to : rookTo;
        const CellWord rook = loadCell(rookNow);
        addPieceKey(keys, Rook, side, rookTo);
        addPieceKey(keys, Rook, side, rookFrom);
        storeCell(rookNow, loadCell(rookFrom));
        storeCell(rookFrom, rook);
        pieceList[side][listIndexOf(rook)].square = rookFrom;
        moveInSets(side, Rook, setOfSquare(rookTo) ^ setOfSquare(rookFrom));
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
        moveInSets(other, Pawn, setOfSquare(victim));
        ++pieceCount;
        break;
    }
    case Promotion: { // 10. the piece turned back into the pawn; now its entry, keys and sets
        addPieceKey(keys, move.piece, side, from);
        addPieceKey(keys, Pawn, side, from);
        recodeInSets(side, move.piece, Pawn, setOfSquare(from));
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
    return keys;
}

void unmakeMove(const Move& move) {
    const int side = sideToMove;
    const int other = otherSide;
    const int from = move.from;
    const int to = move.to;
    // 1-2. Taking any move back hands the turn back.
    KeyDelta keys = sideKeyDelta();
    if (move.kind != NullMoveKind) {
        // 3-4. The mover goes back to `from`; a promoted piece goes back as the pawn.
        CellWord mover = loadCell(to);
        CellWord left = loadCell(from); // the cell the mover found on `to`
        const std::uint8_t* moverKeys = keysOfMan(move.piece, side);
        addManKey(keys, moverKeys, to);
        addManKey(keys, moverKeys, from);
        moveInSets(side, pieceOf(mover), setOfSquare(to) ^ setOfSquare(from));
        if (move.kind == Promotion)
            mover = withPiece(mover, Pawn);
        storeCell(from, mover);
        pieceList[side][listIndexOf(mover)].square = from;
        // 5. The emptied cell still names the captured man's own list entry.
        if (move.captured != Empty) {
            addManKey(keys, keysOfMan(move.captured, other), to);
            PieceEntry& entry = pieceList[other][listIndexOf(left)];
            entry.piece = move.captured;
            entry.square = to;
            left = withPiece(withColour(left, other), move.captured);
            moveInSets(other, move.captured, setOfSquare(to));
            ++pieceCount;
        }
        storeCell(to, left);
        if (rightsKeptBy(from, to) != AllCastlingRights)
            castlingRights = rightsHistory[--rightsHistoryTop % RightsHistorySize];
        halfmoveClock = clockHistory[--clockHistoryTop % RightsHistorySize];
        // 6-10.
        if (move.kind != NormalMove) {
            const KeyDelta special = unmakeSpecialPart(move, mover);
            keys.lock ^= special.lock;
            keys.index ^= special.index;
        }
    }
    lockKey ^= keys.lock;
    indexKey ^= keys.index;
    assert(boardIsConsistent());
}

bool leavesKingSafe(const Move& move) {
    makeMove(move);
    const bool safe = isSquareAttacked(otherSide, pieceList[sideToMove][0].square) == 0;
    unmakeMove(move);
    return safe;
}

} // namespace tarnwick
