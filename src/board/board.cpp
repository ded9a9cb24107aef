// The attack tests over the 0x88 board, the castling rights that the placement allows, and the
// routines that rebuild derived data (piece lists, the attack table, keys) from the board's cells.
#include "board/board.h"

#include <cstdlib>

#include "board/position_setup.h"

namespace tarnwick {

int pieceAttacks(int piece, int from, int to) {
    return pieceAttacksSquare(piece, from, to);
}

int isSquareAttacked(int colour, int square) {
    // Pawns first: the two squares from which a pawn of the colour would capture on `square`.
    const int left = square - pawnStep[colour] - 1;
    if (isOnBoard(left) && board[left].piece == Pawn && board[left].colour == colour)
        return 1;
    const int right = left + 2;
    if (isOnBoard(right) && board[right].piece == Pawn && board[right].colour == colour)
        return 1;
    // Officers: a knight or the king a step away, or a slider on one of the square's lines with
    // nothing between.
    if (leapersAttacking(colour, square) != 0)
        return 1;
    for (SquareSet lined = slidersLinedUp(colour, square); lined != 0; lined &= lined - 1) {
        if (rayIsOpen(firstSquareOf(lined), square))
            return 1;
    }
    return 0;
}

// Whether the man of that code and colour stands on the square.
static bool holdsMan(int square, int piece, int colour) {
    return board[square].piece == piece && board[square].colour == colour;
}

int castlingRightsStanding() {
    int rights = 0;
    for (int index = 0; index < 4; ++index) {
        const int colour = index / 2;
        if (holdsMan(castling.kingSquare[colour], King, colour) &&
            holdsMan(castlingKingTarget[index] + castling.rookOffset[index], Rook, colour))
            rights |= 1 << index;
    }
    return rights;
}

// The square sets of the men on the board, gathered from the cells.
static void gatherMenOnSquares(SquareSet sets[2][7]) {
    for (int colour = White; colour <= Black; ++colour)
        for (int piece = AllMen; piece <= Pawn; ++piece)
            sets[colour][piece] = 0;
    for (int square = 0; square < BoardCells; ++square) {
        const BoardCell& cell = board[square];
        if (!isOnBoard(square) || cell.piece == Empty || cell.piece > Pawn || cell.colour > Black)
            continue;
        sets[cell.colour][AllMen] |= setOfSquare(square);
        sets[cell.colour][cell.piece] |= setOfSquare(square);
    }
}

void buildPieceLists() {
    pieceCount = 0;
    for (BoardCell& cell : board)
        cell.listIndex = NoListEntry;
    for (int colour = White; colour <= Black; ++colour) {
        lastPieceIndex[colour] = -1;
        lastOfficerIndex[colour] = -1;
        for (PieceEntry& entry : pieceList[colour])
            entry.piece = Empty;
    }
    gatherMenOnSquares(menOnSquares);
    // King first, then queens, rooks, bishops, knights and pawns, each by ascending square: the
    // order the capture generator relies on for most valuable victim, least valuable attacker.
    for (int piece = King; piece <= Pawn; ++piece) {
        if (piece == Pawn) {
            lastOfficerIndex[White] = lastPieceIndex[White];
            lastOfficerIndex[Black] = lastPieceIndex[Black];
        }
        for (int square = 0; square < BoardCells; ++square) {
            BoardCell& cell = board[square];
            if (!isOnBoard(square) || cell.piece != piece)
                continue;
            const int index = ++lastPieceIndex[cell.colour];
            pieceList[cell.colour][index].piece = static_cast<std::uint8_t>(piece);
            pieceList[cell.colour][index].square = square;
            cell.listIndex = static_cast<std::uint16_t>(index);
            ++pieceCount;
        }
    }
}

void buildAttackTable() {
    attackTable = static_cast<AttackEntry*>(allocZeroed(AttackTableSize * sizeof(AttackEntry)));
    if (attackTable == nullptr)
        return;
    AttackEntry* byDifference = attackTable + AttackTableCentre;
    for (int i = 0; i < 8; ++i) {
        const int step = directions[i];
        const std::uint32_t slider = (i < 4 ? pieceBit[Rook] : pieceBit[Bishop]) + pieceBit[Queen];
        for (int k = 1; k <= 7; ++k)
            byDifference[step * k] = AttackEntry{.step = step, .mask = slider};
        byDifference[step].mask += pieceBit[King];
    }
    for (const int step : knightSteps)
        byDifference[step] =
            AttackEntry{.step = step, .mask = static_cast<std::uint32_t>(pieceBit[Knight])};
}

void computeKeysFromScratch(std::uint32_t& lock, std::uint32_t& index) {
    lock = 0;
    index = 0;
    for (int square = 0; square < BoardCells; ++square) {
        const BoardCell& cell = board[square];
        if (!isOnBoard(square) || cell.piece == Empty)
            continue;
        const int k = pieceKeyIndex(cell.piece, cell.colour, square);
        lock ^= hashKeyWord(k);
        index ^= hashKeyWord(IndexKeyOffset + k);
    }
    if (sideToMove == Black) {
        lock ^= hashKeyWord(SideKeyIndex);
        index ^= hashKeyWord(IndexKeyOffset + SideKeyIndex);
    }
}

int boardIsConsistent() {
    int occupied = 0;
    for (int square = 0; square < BoardCells; ++square) {
        const BoardCell& cell = board[square];
        if (cell.piece == Empty)
            continue;
        if (!isOnBoard(square) || cell.piece > Pawn || cell.colour > Black)
            return 0;
        const int index = cell.listIndex;
        if (index > lastPieceIndex[cell.colour])
            return 0;
        const PieceEntry& entry = pieceList[cell.colour][index];
        if (entry.piece != cell.piece || entry.square != square)
            return 0;
        ++occupied;
    }
    if (occupied != pieceCount)
        return 0;
    for (int colour = White; colour <= Black; ++colour) {
        if (lastPieceIndex[colour] >= PieceListSize ||
            lastOfficerIndex[colour] > lastPieceIndex[colour])
            return 0;
        for (int i = 0; i < PieceListSize; ++i) {
            const PieceEntry& entry = pieceList[colour][i];
            if (entry.piece == Empty)
                continue;
            if (i > lastPieceIndex[colour] || !isOnBoard(entry.square))
                return 0;
            const BoardCell& cell = board[entry.square];
            if (cell.piece != entry.piece || cell.colour != colour || cell.listIndex != i)
                return 0;
            // Officers must lie in the range the attack and capture scans walk.
            if (entry.piece != Pawn && i > lastOfficerIndex[colour])
                return 0;
        }
        if (lastPieceIndex[colour] >= 0 && pieceList[colour][0].piece != King)
            return 0;
    }
    // The square sets kept by make and unmake are those of the cells.
    SquareSet sets[2][7];
    gatherMenOnSquares(sets);
    for (int colour = White; colour <= Black; ++colour)
        for (int piece = AllMen; piece <= Pawn; ++piece)
            if (sets[colour][piece] != menOnSquares[colour][piece])
                return 0;
    // A right stands only with its king and rook on their squares.
    if ((castlingRights & ~castlingRightsStanding()) != 0)
        return 0;
    return sideToMove + otherSide == 1 ? 1 : 0;
}

void recordGamePosition() {
    if (halfmoveClock == 0)
        gamePositionCount = 0;
    if (gamePositionCount == GamePositionSlots) {
        std::memmove(gamePositions, gamePositions + 1, sizeof gamePositions - sizeof(GamePosition));
        --gamePositionCount;
    }
    gamePositions[gamePositionCount++] = currentGamePosition();
}

void resetBoard() {
    for (BoardCell& cell : board)
        cell = BoardCell{};
    buildPieceLists();
    sideToMove = White;
    otherSide = Black;
    castlingRights = 0;
    castling = castlingLayoutOf(StandardKingSquares, StandardRookSquares);
    halfmoveClock = 0;
    gamePositionCount = 0;
    lockKey = 0;
    indexKey = 0;
    for (Move& slot : moveStack)
        slot = Move{};
    moveStack[NewestHistorySlot] = SentinelMove;
    currentSlot = RootSlot;
    ply = 0;
    positionIsValid = 0;
    positionRefusal = "";
}

} // namespace tarnwick
