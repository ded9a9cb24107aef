// Helpers of the board tests: positions set up from `position` argument texts, moves collected
// from the real generators, and snapshots of everything make/unmake must restore.
#pragma once

#include "board/board.h"
#include "board/make_unmake.h"
#include "board/move_generation.h"
#include "board/move_notation.h"
#include "board/position_setup.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {

constexpr int sq(const char* name) {
    return makeSquare(name[0] - 'a', name[1] - '1');
}
inline Move move(const char* text, int kind, int piece, int captured) {
    return Move{static_cast<std::int16_t>(sq(text + 2)), static_cast<std::int16_t>(sq(text)),
                static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(piece),
                static_cast<std::uint8_t>(captured)};
}

// Builds the attack table if needed, resets the board and sets the position up.
inline void setPosition(const char* text) {
    if (attackTable == nullptr)
        buildAttackTable();
    resetBoard();
    setupPosition(text);
}

inline std::vector<Move>* collected = nullptr;
// Every candidate the generators hand over in the root order; only the legal ones on request.
inline std::vector<Move> generatedMoves(bool legalOnly = false) {
    std::vector<Move> moves;
    collected = &moves;
    moveCallback = [](SearchFrame*) {
        collected->push_back(moveStack[currentSlot]);
        return 0;
    };
    generateAllMoves(nullptr);
    if (legalOnly)
        std::erase_if(moves, [](const Move& candidate) {
            makeMove(candidate);
            const int illegal = isSquareAttacked(otherSide, pieceList[sideToMove][0].square);
            unmakeMove(candidate);
            return illegal != 0;
        });
    return moves;
}
inline std::string movesText(const std::vector<Move>& moves) {
    std::string text;
    for (const Move& each : moves)
        text.append(text.empty() ? "" : " ").append(moveToText(each).text);
    return text;
}
struct PositionSnapshot {
    BoardCell cells[BoardCells];
    int squares[2][PieceListSize], pieces[2][PieceListSize];
    int lastPiece[2], count;
    std::uint32_t lock, index;
    bool operator==(const PositionSnapshot&) const = default;
};
inline PositionSnapshot takeSnapshot() {
    PositionSnapshot s{};
    std::memcpy(s.cells, board, sizeof board);
    for (int colour = 0; colour < 2; ++colour) {
        for (int i = 0; i < PieceListSize; ++i) {
            s.squares[colour][i] = pieceList[colour][i].square;
            s.pieces[colour][i] = pieceList[colour][i].piece;
        }
        s.lastPiece[colour] = lastPieceIndex[colour];
    }
    s.count = pieceCount;
    s.lock = lockKey;
    s.index = indexKey;
    return s;
}
inline bool keysMatchScratch() {
    std::uint32_t lock = 0, index = 0;
    computeKeysFromScratch(lock, index);
    return lock == lockKey && index == indexKey;
}
inline void exchangeSides() {
    sideToMove = otherSide;
    otherSide = 1 - sideToMove;
}

} // namespace tarnwick
