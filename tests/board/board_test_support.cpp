// Helpers of the board tests.
#include "board_test_support.h"

#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"
#include "channel/runtime_services.h"

#include <cstring>

namespace tarnwick {

void setPosition(const char* text) {
    if (hashKeys == nullptr)
        buildHashKeys(HashKeyBytes);
    if (attackTable == nullptr)
        buildAttackTable();
    resetBoard();
    setupPosition(text);
}

static std::vector<Move>* collected = nullptr;

static int collectMove(SearchFrame*) {
    collected->push_back(moveStack[currentSlot]);
    return 0;
}

std::vector<Move> pseudoLegalMoves() {
    std::vector<Move> moves;
    collected = &moves;
    const MoveCallback saved = moveCallback;
    moveCallback = collectMove;
    generateAllMoves(nullptr);
    moveCallback = saved;
    collected = nullptr;
    return moves;
}

std::vector<Move> legalMoves() {
    std::vector<Move> legal;
    for (const Move& move : pseudoLegalMoves()) {
        makeMove(move);
        if (!isSquareAttacked(otherSide, pieceList[sideToMove][0].square))
            legal.push_back(move);
        unmakeMove(move);
    }
    return legal;
}

std::string movesText(const std::vector<Move>& moves) {
    std::string text;
    for (const Move& move : moves) {
        if (!text.empty())
            text += ' ';
        text += moveToText(move).text;
    }
    return text;
}

Move findMove(const char* text) {
    for (const Move& move : pseudoLegalMoves()) {
        if (std::strcmp(moveToText(move).text, text) == 0)
            return move;
    }
    return Move{};
}

PositionSnapshot takeSnapshot() {
    PositionSnapshot snapshot{};
    std::memcpy(snapshot.cells, board, sizeof board);
    for (int colour = 0; colour < 2; ++colour) {
        for (int i = 0; i < PieceListSize; ++i) {
            snapshot.lists[colour][i].square = pieceList[colour][i].square;
            snapshot.lists[colour][i].piece = pieceList[colour][i].piece;
        }
        snapshot.lastPieces[colour] = lastPieceIndex[colour];
    }
    snapshot.count = pieceCount;
    snapshot.lock = lockKey;
    snapshot.index = indexKey;
    return snapshot;
}

bool sameCellsListsAndKeys(const PositionSnapshot& a, const PositionSnapshot& b) {
    for (int square = 0; square < BoardCells; ++square) {
        const BoardCell& x = a.cells[square];
        const BoardCell& y = b.cells[square];
        if (x.listIndex != y.listIndex || x.colour != y.colour || x.piece != y.piece)
            return false;
    }
    for (int colour = 0; colour < 2; ++colour) {
        for (int i = 0; i < PieceListSize; ++i) {
            if (a.lists[colour][i].square != b.lists[colour][i].square ||
                a.lists[colour][i].piece != b.lists[colour][i].piece)
                return false;
        }
        if (a.lastPieces[colour] != b.lastPieces[colour])
            return false;
    }
    return a.count == b.count && a.lock == b.lock && a.index == b.index;
}

} // namespace tarnwick
