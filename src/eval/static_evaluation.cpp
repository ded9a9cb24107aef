// The score change of one move inside the tree, and the pawn-structure arithmetic on the per-ply
// pawn file masks that keeps the isolated and doubled pawn penalties exact without a board scan.
#include "eval/static_evaluation.h"

#include "board/board.h"

namespace tarnwick {

// Isolated and doubled pawns: a doubled isolated file pays all three.
static constexpr int IsolatedPawnPenalty = 20;
static constexpr int DoubledPawnPenalty = 8;
static constexpr int DoubledIsolatedExtra = 40;

// Castling earns its bonus once, when the castling move is made.
static constexpr int KingSideCastlingBonus = 32;
static constexpr int QueenSideCastlingBonus = 16;

// Number of set bits of every byte value, so that a file count is one lookup.
static constexpr auto makeBitCounts() {
    struct Counts {
        std::uint8_t of[256];
    } counts{};
    for (int value = 0; value < 256; ++value) {
        int bits = 0;
        for (int rest = value; rest != 0; rest >>= 1)
            bits += rest & 1;
        counts.of[value] = static_cast<std::uint8_t>(bits);
    }
    return counts;
}
static constexpr auto bitCounts = makeBitCounts();

int pawnStructurePenalty(const PawnFileMasks& record, int colour) {
    const int files = record.files[colour];
    const int doubled = record.doubled[colour];
    const int isolated = files & ~(((files << 1) & 0xFF) | (files >> 1));
    return IsolatedPawnPenalty * bitCounts.of[isolated] +
           DoubledPawnPenalty * bitCounts.of[doubled] +
           DoubledIsolatedExtra * bitCounts.of[isolated & doubled];
}

// The record the move of the current ply changes, and the one before it, which never changes.
static PawnFileMasks& currentRecord() {
    return pawnRecordOfPly(ply);
}
static const PawnFileMasks& parentRecord() {
    return pawnMaskStack[ply];
}

int removePawnFromFile(int colour, int square) {
    PawnFileMasks& record = currentRecord();
    const int fileBit = 1 << (square & 7);
    // A doubled file stays occupied by the pawn left behind.
    record.files[colour] =
        static_cast<std::uint8_t>((record.files[colour] & ~fileBit) | record.doubled[colour]);
    record.doubled[colour] = static_cast<std::uint8_t>(record.doubled[colour] & ~fileBit);
    return pawnStructurePenalty(parentRecord(), colour) - pawnStructurePenalty(record, colour);
}

int evaluateMove() {
    const Move& move = moveStack[currentSlot];
    const int s = sideToMove;
    const int x = otherSide;
    const int to = move.to;
    const int from = move.from;
    const int piece = move.piece;

    // 1. The man moves from its origin's table entry to its destination's.
    int change = pieceSquareTable[s][piece][to] - pieceSquareTable[s][piece][from];

    // 2. What the move's kind adds: the pawn taken in passing, the pawn turned into an officer, or
    // the castling rook with the castling bonus.
    switch (move.kind) {
    case EnPassant:
        change += pieceSquareTable[x][Pawn][to - pawnStep[s]] + pieceValue[Pawn];
        break;
    case Promotion:
        change += removePawnFromFile(s, from) +
                  (pieceSquareTable[s][piece][from] + pieceValue[piece]) -
                  (pieceSquareTable[s][Pawn][from] + pieceValue[Pawn]);
        break;
    case CastleKingSide: // the rook from its square (h1 in standard chess) to beside the king
        change += pieceSquareTable[s][Rook][to - 1] -
                  pieceSquareTable[s][Rook][to + castling.rookOffset[castlingIndex(s, move.kind)]] +
                  KingSideCastlingBonus;
        break;
    case CastleQueenSide:
        change += pieceSquareTable[s][Rook][to + 1] -
                  pieceSquareTable[s][Rook][to + castling.rookOffset[castlingIndex(s, move.kind)]] +
                  QueenSideCastlingBonus;
        break;
    default:
        break;
    }

    // 3. The captured man's value and table entry change hands.
    const int captured = move.captured;
    if (captured != 0)
        change += pieceSquareTable[x][captured][to] + pieceValue[captured];

    // 4. A pawn that captured changed its file: it may double the file it reaches and clear the
    // one it left.
    if (piece == Pawn && (captured != 0 || move.kind != NormalMove)) {
        PawnFileMasks& record = currentRecord();
        const int toBit = 1 << (to & 7);
        const int fromBit = 1 << (from & 7);
        int files = record.files[s];
        int doubled = record.doubled[s];
        doubled |= toBit & files;
        files = (files & ~fromBit) | doubled | toBit;
        doubled &= ~fromBit;
        record.files[s] = static_cast<std::uint8_t>(files);
        record.doubled[s] = static_cast<std::uint8_t>(doubled);
        change += pawnStructurePenalty(parentRecord(), s) - pawnStructurePenalty(record, s);
    }

    // 5. A pawn taken leaves the opponent's structure; its gain counts against the mover. The pawn
    // taken in passing stands on the destination's file as well.
    if (captured == Pawn || move.kind == EnPassant)
        change -= removePawnFromFile(x, to);

    return change;
}

} // namespace tarnwick
