// Helpers of the board tests.
#include "board_test_support.h"

#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"

#include <cstring>

namespace tarnwick {

Move move(const char* text, int kind, int piece, int captured) {
    return Move{.to = static_cast<std::int16_t>(sq(text + 2)),
                .from = static_cast<std::int16_t>(sq(text)),
                .kind = static_cast<std::uint8_t>(kind),
                .piece = static_cast<std::uint8_t>(piece),
                .captured = static_cast<std::uint8_t>(captured)};
}

void setPosition(const char* text) {
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
    moveCallback = collectMove;
    generateAllMoves(nullptr);
    return moves;
}

std::vector<Move> legalMoves() {
    std::vector<Move> legal;
    for (const Move& candidate : pseudoLegalMoves()) {
        makeMove(candidate);
        if (!isSquareAttacked(otherSide, pieceList[sideToMove][0].square))
            legal.push_back(candidate);
        unmakeMove(candidate);
    }
    return legal;
}

std::string movesText(const std::vector<Move>& moves) {
    std::string text;
    for (const Move& each : moves) {
        if (!text.empty())
            text += ' ';
        text += moveToText(each).text;
    }
    return text;
}

Move findMove(const char* text) {
    for (const Move& candidate : pseudoLegalMoves()) {
        if (std::strcmp(moveToText(candidate).text, text) == 0)
            return candidate;
    }
    return Move{};
}

PositionSnapshot takeSnapshot() {
    PositionSnapshot snapshot{};
    std::memcpy(snapshot.cells, board, sizeof board);
    for (int colour = 0; colour < 2; ++colour) {
        for (int i = 0; i < PieceListSize; ++i) {
            snapshot.squares[colour][i] = pieceList[colour][i].square;
            snapshot.pieces[colour][i] = pieceList[colour][i].piece;
        }
    }
    snapshot.count = pieceCount;
    snapshot.lock = lockKey;
    snapshot.index = indexKey;
    return snapshot;
}

bool keysMatchScratch() {
    std::uint32_t lock = 0;
    std::uint32_t index = 0;
    computeKeysFromScratch(lock, index);
    return lock == lockKey && index == indexKey;
}

void exchangeSides() {
    sideToMove = otherSide;
    otherSide = 1 - sideToMove;
}

} // namespace tarnwick
