// The attack tests over the 0x88 board, the castling rights that the placement allows, and the
// routines that rebuild derived data (piece lists, the attack table, keys) from the board's cells.
#include "board/board.h"

#include <cstdlib>

#include "board/position_setup.h"

namespace tarnwick {

int pieceAttacks(const Position& pos, int piece, int from, int to) {
    return pieceAttacksSquare(pos, piece, from, to);
}

int isSquareAttacked(const Position& pos, int colour, int square) {
    // Pawns first: the two squares from which a pawn of the colour would capture on `square`.
    const int left = square - pawnStep[colour] - 1;
    if (isOnBoard(left) && pos.board[left].piece == Pawn && pos.board[left].colour == colour)
        return 1;
    const int right = left + 2;
    if (isOnBoard(right) && pos.board[right].piece == Pawn && pos.board[right].colour == colour)
        return 1;
    // Officers: a knight or the king a step away, or a slider on one of the square's lines with
    // nothing between.
    if (leapersAttacking(pos, colour, square) != 0)
        return 1;
    for (SquareSet lined = slidersLinedUp(pos, colour, square); lined != 0; lined &= lined - 1) {
        if (rayIsOpen(pos, firstSquareOf(lined), square))
            return 1;
    }
    return 0;
}

// Whether the man of that code and colour stands on the square.
static bool holdsMan(const Position& pos, int square, int piece, int colour) {
    return pos.board[square].piece == piece && pos.board[square].colour == colour;
}

int castlingRightsStanding(const Position& pos) {
    int rights = 0;
    for (int index = 0; index < 4; ++index) {
        const int colour = index / 2;
        if (holdsMan(pos, pos.castling.kingSquare[colour], King, colour) &&
            holdsMan(pos, castlingKingTarget[index] + pos.castling.rookOffset[index], Rook, colour))
            rights |= 1 << index;
    }
    return rights;
}

// The square sets of the men on the board, gathered from the cells.
static void gatherMenOnSquares(const Position& pos, SquareSet sets[2][7]) {
    for (int colour = White; colour <= Black; ++colour)
        for (int piece = AllMen; piece <= Pawn; ++piece)
            sets[colour][piece] = 0;
    for (int square = 0; square < BoardCells; ++square) {
        const BoardCell& cell = pos.board[square];
        if (!isOnBoard(square) || cell.piece == Empty || cell.piece > Pawn || cell.colour > Black)
            continue;
        sets[cell.colour][AllMen] |= setOfSquare(square);
        sets[cell.colour][cell.piece] |= setOfSquare(square);
    }
}

void buildPieceLists(Position& pos) {
    pos.pieceCount = 0;
    for (BoardCell& cell : pos.board)
        cell.listIndex = NoListEntry;
    for (int colour = White; colour <= Black; ++colour) {
        pos.lastPieceIndex[colour] = -1;
        pos.lastOfficerIndex[colour] = -1;
        for (PieceEntry& entry : pos.pieceList[colour])
            entry.piece = Empty;
    }
    gatherMenOnSquares(pos, pos.menOnSquares);
    // King first, then queens, rooks, bishops, knights and pawns, each by ascending square: the
    // order the capture generator relies on for most valuable victim, least valuable attacker.
    for (int piece = King; piece <= Pawn; ++piece) {
        if (piece == Pawn) {
            pos.lastOfficerIndex[White] = pos.lastPieceIndex[White];
            pos.lastOfficerIndex[Black] = pos.lastPieceIndex[Black];
        }
        for (int square = 0; square < BoardCells; ++square) {
            BoardCell& cell = pos.board[square];
            if (!isOnBoard(square) || cell.piece != piece)
                continue;
            const int index = ++pos.lastPieceIndex[cell.colour];
            pos.pieceList[cell.colour][index].piece = static_cast<std::uint8_t>(piece);
            pos.pieceList[cell.colour][index].square = square;
            cell.listIndex = static_cast<std::uint16_t>(index);
            ++pos.pieceCount;
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

void computeKeysFromScratch(const Position& pos, std::uint32_t& lock, std::uint32_t& index) {
    lock = 0;
    index = 0;
    for (int square = 0; square < BoardCells; ++square) {
        const BoardCell& cell = pos.board[square];
        if (!isOnBoard(square) || cell.piece == Empty)
            continue;
        const int k = pieceKeyIndex(cell.piece, cell.colour, square);
        lock ^= hashKeyWord(k);
        index ^= hashKeyWord(IndexKeyOffset + k);
    }
    if (pos.sideToMove == Black) {
        lock ^= hashKeyWord(SideKeyIndex);
        index ^= hashKeyWord(IndexKeyOffset + SideKeyIndex);
    }
}

int boardIsConsistent(const Position& pos) {
    int occupied = 0;
    for (int square = 0; square < BoardCells; ++square) {
        const BoardCell& cell = pos.board[square];
        if (cell.piece == Empty)
            continue;
        if (!isOnBoard(square) || cell.piece > Pawn || cell.colour > Black)
            return 0;
        const int index = cell.listIndex;
        if (index > pos.lastPieceIndex[cell.colour])
            return 0;
        const PieceEntry& entry = pos.pieceList[cell.colour][index];
        if (entry.piece != cell.piece || entry.square != square)
            return 0;
        ++occupied;
    }
    if (occupied != pos.pieceCount)
        return 0;
    for (int colour = White; colour <= Black; ++colour) {
        if (pos.lastPieceIndex[colour] >= PieceListSize ||
            pos.lastOfficerIndex[colour] > pos.lastPieceIndex[colour])
            return 0;
        for (int i = 0; i < PieceListSize; ++i) {
            const PieceEntry& entry = pos.pieceList[colour][i];
            if (entry.piece == Empty)
                continue;
            if (i > pos.lastPieceIndex[colour] || !isOnBoard(entry.square))
                return 0;
            const BoardCell& cell = pos.board[entry.square];
            if (cell.piece != entry.piece || cell.colour != colour || cell.listIndex != i)
                return 0;
            // Officers must lie in the range the attack and capture scans walk.
            if (entry.piece != Pawn && i > pos.lastOfficerIndex[colour])
                return 0;
        }
        if (pos.lastPieceIndex[colour] >= 0 && pos.pieceList[colour][0].piece != King)
            return 0;
    }
    // The square sets kept by make and unmake are those of the cells.
    SquareSet sets[2][7];
    gatherMenOnSquares(pos, sets);
    for (int colour = White; colour <= Black; ++colour)
        for (int piece = AllMen; piece <= Pawn; ++piece)
            if (sets[colour][piece] != pos.menOnSquares[colour][piece])
                return 0;
    // A right stands only with its king and rook on their squares.
    if ((pos.castlingRights & ~castlingRightsStanding(pos)) != 0)
        return 0;
    return pos.sideToMove + pos.otherSide == 1 ? 1 : 0;
}

void recordGamePosition(Position& pos) {
    if (pos.halfmoveClock == 0)
        pos.gamePositionCount = 0;
    if (pos.gamePositionCount == GamePositionSlots) {
        std::memmove(pos.gamePositions, pos.gamePositions + 1,
                     sizeof pos.gamePositions - sizeof(GamePosition));
        --pos.gamePositionCount;
    }
    pos.gamePositions[pos.gamePositionCount++] = currentGamePosition(pos);
}

void resetBoard(Position& pos) {
    for (BoardCell& cell : pos.board)
        cell = BoardCell{};
    buildPieceLists(pos);
    pos.sideToMove = White;
    pos.otherSide = Black;
    pos.castlingRights = 0;
    pos.castling = castlingLayoutOf(StandardKingSquares, StandardRookSquares);
    pos.halfmoveClock = 0;
    pos.gamePositionCount = 0;
    pos.lockKey = 0;
    pos.indexKey = 0;
    for (Move& slot : pos.moveStack)
        slot = Move{};
    pos.moveStack[NewestHistorySlot] = SentinelMove;
    pos.currentSlot = RootSlot;
    pos.ply = 0;
    pos.positionIsValid = 0;
    pos.positionRefusal = "";
}

} // namespace tarnwick
